// The system group.
#include "Bldfuncs_lib.h"

namespace jjgz::eval {
void RegisterSystemFuncs(TEPRegFuncs&, bool) {}
}  // namespace jjgz::eval
