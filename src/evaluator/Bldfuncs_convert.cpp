// The conversion and formatting group.
#include "Bldfuncs_lib.h"

namespace jjgz::eval {
void RegisterConvertFuncs(TEPRegFuncs&, bool) {}
}  // namespace jjgz::eval
