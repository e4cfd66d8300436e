// The formula compiler: statements from the scanner's tokens, expressions by
// splitting their text at the loosest-binding operator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Bldfuncs.h"

namespace jjgz::eval {

class TEvalObj;

// Compiles the lines into statement nodes over cells of `obj`. Raises an
// EMathParserError (with line and column) on a compile error.
std::vector<TStatementNode> CompileFormula(TEvalObj& obj, const std::vector<std::string>& lines);

// Steps the last compilation on this thread took (sub-expressions tried, operator
// positions looked at, characters analysed), whether it succeeded or failed. Compiling
// stops with "Expression too complex" past a budget proportional to the text.
uint64_t LastCompileWork();

}  // namespace jjgz::eval
