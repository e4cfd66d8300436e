// Formulas compiled and run in the component: grammar, operator levels, operations,
// statements and their error messages.
#include <gtest/gtest.h>

#include "evaltest.h"

using namespace evaltest;

namespace {

const std::map<std::string, TValue> kVars = {
    {"f1", TValue::Double(150)}, {"f2", TValue::Currency(10005000)}, {"f3", TValue::Integer(2500)},
    {"f4", TValue::Integer(3)},  {"z", TValue::Double(0)},           {"s", TValue::String("abc")},
    {"n", TValue::Null()},       {"a", TValue::Integer(2)},          {"b", TValue::Integer(3)},
    {"c", TValue::Integer(4)},   {"JJe", TValue::Double(1234.5)}};

struct FormulaCase {
  const char* name;
  std::string formula;
  std::string expected;
};
void PrintTo(const FormulaCase& c, std::ostream* os) { *os << c.name; }

class Formula : public testing::TestWithParam<FormulaCase> {};

TEST_P(Formula, Evaluates) { EXPECT_EQ(Eval(GetParam().formula, kVars), GetParam().expected); }

#define CASE(name, formula, expected) \
  FormulaCase { #name, formula, expected }

INSTANTIATE_TEST_SUITE_P(
    Literals, Formula,
    testing::Values(CASE(IntegerLiteral, "42", "Integer 42"), CASE(PointZeroIsDouble, "42.0", "Double 42"),
                    CASE(ExponentWholeIsInteger, "1e2", "Integer 100"),
                    CASE(MaxIntIsDouble, "2147483647", "Double 2147483647"),
                    CASE(NegativeLiteral, "-2147483646", "Integer -2147483646"),
                    CASE(HugeLiteralIsDouble, "123456789012345678901234567890", "Double 1.2345678901234568e+29"),
                    CASE(Hex, "$1F", "Integer 31"), CASE(HexAllBits, "$FFFFFFFF", "Integer -1"),
                    CASE(String, "\"a\"\"b\"", "String a\"b"), CASE(Date, "'2009/03/15'", "Date 2009-03-15"),
                    CASE(Pi, "pi", "Double 3.141592653589793"), CASE(MinusPi, "-PI", "Double -3.141592653589793"),
                    CASE(True, "True", "Boolean True"), CASE(Null, "NULL", "Null"),
                    CASE(Unassigned, "Unassigned", "Empty"), CASE(Parameter, "%0", "Byte 0"),
                    CASE(Gbk, "\xB9\xA4\xD7\xCA + 1",
                         "error ESyntaxError: Syntax error in expression:\r\n\xB9\xA4\xD7\xCA + 1"),
                    CASE(HighBytesIdentifier, "\xC4\xE3 + 1", "Integer 1")),
    [](const testing::TestParamInfo<FormulaCase>& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Operators, Formula,
    testing::Values(
        CASE(WageFormula, "f1*0.05+f2", "Currency 1008"), CASE(ComparisonIsCurrency, "f1 > 100", "Currency 1"),
        CASE(ComparisonsAdd, "(f1 > 0) + (f3 > 0)", "Currency 2"),
        CASE(AndOfComparisons, "f1 > 0 AND f3 > 0", "Integer 1"),
        CASE(CompareBindsTighterThanAnd, "f3 >= 2000 AND f4 < 5", "Integer 1"),
        CASE(ConditionTimesItem, "(f1 > 100) * f2", "Currency 1000.5"), CASE(AndIsBitwise, "6 AND 1", "Integer 0"),
        CASE(OrXor, "5 OR 2 XOR 3", "Integer 5"), CASE(NotIsLogical, "NOT 6", "Currency 0"),
        CASE(NotOfZero, "NOT z", "Currency 1"), CASE(NotBindsFirst, "NOT f1 = 0", "Currency 1"),
        CASE(BitNot, "~6", "Integer -7"), CASE(Shl, "1 SHL 33", "Integer 2"),
        CASE(ShrIsUnsigned, "-1 SHR 28", "Integer 15"), CASE(RealDivide, "7 / 2", "Double 3.5"),
        CASE(IntDiv, "7 DIV 2", "Integer 3"), CASE(IntDivNegative, "-7 DIV 2", "Integer -3"),
        CASE(ModNegative, "-7 MOD 2", "Integer -1"), CASE(DivTruncatesFirst, "7.9 DIV 2", "Integer 3"),
        CASE(MinusLeftAssoc, "10 - 4 - 3", "Integer 3"), CASE(DivideLeftAssoc, "100 / 10 / 5", "Double 2"),
        CASE(MulThenDiv, "3 * 5 DIV 2", "Integer 6"), CASE(MinusThenPlus, "7 - 2 + 1", "Integer 6"),
        CASE(DivMod, "17 DIV 5 MOD 2", "Integer 1"), CASE(EqualsChain, "3 = 3 = 1", "Currency 0"),
        CASE(Cube, "2 ^ 3", "Integer 8"), CASE(Square, "2 ^ 2", "Double 4"),
        CASE(SquareOfReal, "2.5 ^ 2", "Double 6.25"), CASE(Fourth, "a ^ 4", "Double 16"),
        CASE(IntPowerNegative, "2 ^ -1", "Double 0.5"), CASE(IntPower, "2 ^ 10", "Double 1024"),
        CASE(GeneralPower, "4 ^ 0.5", "Double 2"), CASE(GeneralPowerVariable, "a ^ b", "Double 8"),
        CASE(ParenthesisedPower, "(a ^ b) ^ 2", "Double 64"), CASE(NegatedPower, "-a ^ 2", "Double -4"),
        CASE(TimesNegativeConstant, "f4 * -1", "Integer -3"), CASE(TimesNegatedInParens, "f4 * (-a)", "Integer -6"),
        CASE(NegatedFirst, "-a * f4", "Integer -6"), CASE(PlusNegatedProduct, "c + -a * b", "Integer -2"),
        CASE(DoubleParens, "((f3))", "Integer 2500"), CASE(StringPlusNumber, "\"12\" + 1", "Double 13"),
        CASE(StringConcat, "\"ab\" + \"cd\"", "String abcd"), CASE(NullPropagates, "n + 1", "Null"),
        CASE(NullComparesUnequal, "n = 0", "Currency 0"), CASE(NullBelowAll, "n < -1000", "Currency 1"),
        CASE(IntOverflowToDouble, "2147483646 + 2", "Double 2147483648"),
        CASE(DateArithmetic, "'2009/03/15' + 1", "Date 2009-03-16"),
        CASE(CurrencyOfComparisonTimesDouble, "(1 > 0) * 0.33333", "Currency 0.3333"),
        CASE(SymbolInsideStringIgnored, "\"a+b\" + \"-\"", "String a+b-"),
        CASE(WordOperatorCaseInsensitive, "7 div 2 + 7 Mod 2", "Integer 4"), CASE(LessOrEqual, "a <= 2", "Currency 1"),
        CASE(NotEqual, "a <> 2", "Currency 0"), CASE(GreaterOrEqual, "b >= 4", "Currency 0"),
        CASE(CaseInsensitiveNames, "f3 + F3", "Integer 5000"),
        CASE(UnknownCallIsByteZero, "f3 + ABS(f4)", "Integer 2500"),
        CASE(LongExponentLiteral, "f1 * 1e-2", "Double 1.5")),
    [](const testing::TestParamInfo<FormulaCase>& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Statements, Formula,
    testing::Values(
        CASE(ExpressionStatementLeavesResult, "f1 + f2;", "Byte 0"),
        CASE(Assignments, "x := 1; RESULT := x * 2", "Integer 2"),
        CASE(Block, "BEGIN x := 1; RESULT := x; END", "Integer 1"),
        CASE(IfElse, "IF f1 > 0 THEN RESULT := 1 ELSE RESULT := 2", "Integer 1"),
        CASE(IfElseFalse, "IF f1 < 0 THEN RESULT := 1 ELSE RESULT := 2;", "Integer 2"),
        CASE(DanglingElse, "IF 1 THEN IF 0 THEN RESULT := 1 ELSE RESULT := 2 ELSE RESULT := 3", "Integer 2"),
        CASE(ForSumIsDouble, "FOR i := 1 TO 3 DO RESULT := RESULT + i;", "Double 6"),
        CASE(ForDownTo, "FOR i := 3 DOWNTO 1 DO RESULT := RESULT * 10 + i;", "Double 321"),
        CASE(ForBoundsTiesToEven, "FOR i := 0.5 TO 2.5 DO RESULT := RESULT + 1;", "Integer 3"),
        CASE(ForZeroTimes, "FOR i := 5 TO 1 DO RESULT := 9; RESULT := RESULT + i", "Double 5"),
        CASE(WhileBreak, "x := 0; WHILE 1 DO BEGIN x := x + 1; IF x >= 4 THEN BREAK; END; RESULT := x", "Integer 4"),
        CASE(Repeat, "x := 0; REPEAT x := x + 2; UNTIL x > 5; RESULT := x", "Integer 6"),
        CASE(TryExcept, "TRY RESULT := 1 / 0; EXCEPT RESULT := 7; END;", "Integer 7"),
        CASE(BreakThroughTry, "FOR i := 1 TO 10 DO TRY IF i = 3 THEN BREAK; EXCEPT RESULT := 99; END; RESULT := i",
             "Double 3"),
        CASE(FinallyRuns, "x := 0; TRY TRY y := 1 / 0; FINALLY x := 5; END; EXCEPT RESULT := x; END;", "Integer 5"),
        CASE(CommentsDropped, "x := 2; // two\nRESULT := {three} x * 3;", "Integer 6"),
        CASE(IndexedTargetNeedsArray, "x := 1; x[0] := 2;",
             "error EVariantArrayError: Returned result is not a variant array")),
    [](const testing::TestParamInfo<FormulaCase>& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Errors, Formula,
    testing::Values(
        CASE(DivisionByZero, "5 / 0", "error EZeroDivide: Floating point division by zero"),
        CASE(ZeroByZero, "z / 0", "error EInvalidOp: Invalid floating point operation"),
        CASE(IntDivByZero, "5 DIV 0", "error EDivByZero: Division by zero"),
        CASE(ModByZero, "5 MOD z", "error EDivByZero: Division by zero"),
        CASE(NegativeFractionalPower, "(-8) ^ 0.5", "error EInvalidOp: Invalid floating point operation"),
        CASE(TruncTooLarge, "1e300 DIV 2", "error EInvalidOp: Invalid floating point operation"),
        CASE(Overflow, "1e200 * 1e200", "error EOverflow: Floating point overflow"),
        CASE(RangeCheck, "3e9 AND 1", "error ERangeError: Range check error"),
        CASE(NullAsNumber, "n DIV 2",
             "error EVariantTypeCastError: Could not convert variant of type (Null) into type (Double)"),
        CASE(LettersAsNumber, "s + 1",
             "error EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"),
        CASE(TimesUnaryMinus, "a * -b", "error ESyntaxError: Syntax error in expression:\r\na * -b"),
        CASE(PowerOfUnaryMinus, "2 ^ -a", "error ESyntaxError: Syntax error in expression:\r\n2 ^ -a"),
        CASE(ChainedPower, "a ^ b ^ c", "error ESyntaxError: Syntax error in expression:\r\na ^ b ^ c"),
        CASE(NotInside, "f1 NOT f2", "error ESyntaxError: Syntax error in expression:\r\nf1 NOT f2"),
        CASE(MissingBracket, "f1 + (f2",
             "error EMissMatchingBracket: Missing brackets in expression. Expression: f1 + (f2"),
        CASE(ClosingFirst, ")f1(", "error EMissMatchingBracket: Missing brackets in expression. Expression: )f1("),
        CASE(UnterminatedString, "x := \"abc",
             "error ESyntaxError: The string exceeds the end of the script. Expression: "),
        CASE(BlockWithoutSemicolon, "BEGIN x := 1 END",
             "error ESyntaxError: Semicolon expected. Statement: BEGIN x := 1"),
        CASE(ElseAfterSemicolon, "IF f1 > 0 THEN RESULT := 1; ELSE RESULT := 2",
             "error ESyntaxError: Unexpected token: ELSE. Statement: ELSE"),
        CASE(BareLastLine, "x := 1; x", "error ESyntaxError: Unexpected EOF. Statement: x"),
        CASE(EmptyAssignment, "x := ;", "error ESyntaxError: Invalid assignment. Statement: x :="),
        CASE(BadTarget, "1 := 2;", "error ESyntaxError: Valid identifier expected: 1. Statement: 1 := 2"),
        CASE(MissingThen, "IF x RESULT := 1;",
             "error ESyntaxError: THEN expected in statement. Statement: IF x RESULT"),
        CASE(EmptyCondition, "IF THEN x := 1;", "error ESyntaxError: Invalid condition. Statement: IF"),
        CASE(MissingDo, "WHILE x; ", "error ESyntaxError: DO expected in statement. Statement: WHILE x"),
        CASE(ForWithoutAssign, "FOR i = 1 TO 2 DO;",
             "error ESyntaxError: Equation - \":=\", expected in statement. Statement: FOR i = 1"),
        CASE(ForMissingTo, "FOR i := 1 DO;", "error ESyntaxError: TO expected in statement. Statement: FOR i := 1"),
        CASE(ForEmptyStart, "FOR i := TO 2 DO;", "error ESyntaxError: Invalid FOR cycle. Statement: FOR i :="),
        CASE(UntilMissing, "REPEAT x := 1;", "error ESyntaxError: UNTIL expected"),
        CASE(BreakOutside, "BREAK;", "error ESyntaxError: BREAK not within cycle. Statement: BREAK"),
        CASE(TryUnfinished, "TRY x := 1;", "error ESyntaxError: FINALLY or EXCEPT expected"),
        CASE(TryNoEnd, "TRY x := 1; FINALLY x := 2;", "error ESyntaxError: END expected"),
        CASE(EndWithoutBegin, "x := 1; END;", "error ESyntaxError: END without BEGIN. Statement: END"),
        CASE(UntilNotExpected, "UNTIL x;", "error ESyntaxError: UNTIL not expected. Statement: UNTIL"),
        CASE(FinallyNotExpected, "FINALLY", "error ESyntaxError: FINALLY not expected. Statement: FINALLY"),
        CASE(ExceptNotExpected, "x := 1; EXCEPT", "error ESyntaxError: EXCEPT not expected. Statement: EXCEPT"),
        CASE(BeginInsideBlock, "BEGIN BEGIN x := 1; END; END;",
             "error ESyntaxError: BEGIN not expected. Statement: BEGIN"),
        CASE(UnexpectedDo, "DO x := 1;", "error ESyntaxError: Unexpected token: DO"),
        CASE(BlockUnfinished, "BEGIN x := 1;", "error ESyntaxError: END expected")),
    [](const testing::TestParamInfo<FormulaCase>& i) { return std::string(i.param.name); });

TEST(FormulaPositions, CompileErrorsCarryLineAndColumn) {
  TExParser p;
  p.ExpressionSetInPlace({"x := 1;", "  y := x +* 2;"});
  try {
    p.Evaluate();
    FAIL();
  } catch (const ESyntaxError& e) {
    EXPECT_EQ(e.Line, 2);
    EXPECT_EQ(e.Column, 14);
    EXPECT_EQ(p.EvalObj().ErrorLine(), 2);
    EXPECT_EQ(p.EvalObj().ErrorColumn(), 14);
  }
}

TEST(FormulaPositions, RuntimeErrorsCarryTheStatementPosition) {
  TExParser p;
  p.ExpressionSetInPlace({"x := 1;", "y := x / 0;"});
  EXPECT_THROW(p.Evaluate(), EZeroDivide);
  EXPECT_TRUE(p.EvalObj().RunFailed());
  EXPECT_EQ(p.EvalObj().ErrorMessage(), "Floating point division by zero");
  EXPECT_EQ(p.EvalObj().ErrorLine(), 2);
  EXPECT_EQ(p.EvalObj().ErrorColumn(), 11);
}

}  // namespace

namespace {

// Locale values: literals always read "." as the decimal point, the host's text
// converts with the locale separator, date literals follow the short date format.
class LocaleSettings : public testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }
  TFormatSettings saved_;
};

TEST_F(LocaleSettings, CommaDecimalSeparator) {
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(Eval("1.5 + 1"), "Double 2.5");
  EXPECT_EQ(Eval("s + 1", {{"s", TValue::String("1,5")}}), "Double 2.5");
  EXPECT_EQ(Eval("s + 1", {{"s", TValue::String("1.5")}}),
            "error EVariantTypeCastError: Could not convert variant of type (String) into type (Double)");
  EXPECT_EQ(Eval("1,5").rfind("error ESyntaxError", 0), 0u);
}

TEST_F(LocaleSettings, DateLiteralsFollowTheShortDateFormat) {
  EXPECT_EQ(Eval("'2009/3/15'"), "Date 2009-03-15");
  FormatSettings().DateSeparator = '-';
  FormatSettings().ShortDateFormat = "dd/MM/yyyy";
  EXPECT_EQ(Eval("'15/03/2009'"), "Date 2009-03-15");
  EXPECT_EQ(Eval("'2009/03/15'").rfind("error ESyntaxError", 0), 0u);
  EXPECT_EQ(Eval("'15/03/20091'").rfind("error ESyntaxError", 0), 0u);  // longer than 12
}

}  // namespace
