// The runtime-library groups: strings and arrays, conversions, files, system.
#include <gtest/gtest.h>
