// The file and directory group.
#include "Bldfuncs_lib.h"

namespace jjgz::eval {
void RegisterFileFuncs(TEPRegFuncs&, bool) {}
}  // namespace jjgz::eval
