// The formula compiler: statements from the scanner's tokens, expressions by
// splitting their text at the loosest-binding operator.
#pragma once

#include <string>
#include <vector>

#include "Bldfuncs.h"

namespace jjgz::eval {

class TEvalObj;

// Compiles the lines into statement nodes over cells of `obj`. Raises an
// EMathParserError (with line and column) on a compile error.
std::vector<TStatementNode> CompileFormula(TEvalObj& obj, const std::vector<std::string>& lines);

}  // namespace jjgz::eval
