// The value type: class-pair rules of arithmetic and comparison, conversions, negate.
#include <gtest/gtest.h>

#include "evaltest.h"

using namespace evaltest;

namespace {

struct BinCase {
  const char* name;
  TValue a, b;
  char op;  // + - * /  or c (compare)
  std::string expected;
};
void PrintTo(const BinCase& c, std::ostream* os) { *os << c.name; }

std::string Apply(const BinCase& c) {
  try {
    switch (c.op) {
      case '+':
        return Show(VarAdd(c.a, c.b));
      case '-':
        return Show(VarSub(c.a, c.b));
      case '*':
        return Show(VarMul(c.a, c.b));
      case '/':
        return Show(VarDiv(c.a, c.b));
      default:
        return std::to_string(VarCompare(c.a, c.b));
    }
  } catch (const EEvalError& e) {
    return std::string("error ") + e.ClassName() + ": " + e.Message();
  }
}

class ValueArith : public testing::TestWithParam<BinCase> {};

TEST_P(ValueArith, ResultKindAndValue) { EXPECT_EQ(Apply(GetParam()), GetParam().expected); }

const TValue I(int v) { return TValue::Integer(v); }
const TValue D(double v) { return TValue::Double(v); }
const TValue C(int64_t ticks) { return TValue::Currency(ticks); }
const TValue S(const char* s) { return TValue::String(s); }

INSTANTIATE_TEST_SUITE_P(
    Rules, ValueArith,
    testing::Values(
        BinCase{"IntPlusInt", I(2), I(3), '+', "Integer 5"},
        BinCase{"IntOverflowRedoneInDouble", I(2147483647), I(1), '+', "Double 2147483648"},
        BinCase{"IntMulOverflow", I(100000), I(100000), '*', "Double 10000000000"},
        BinCase{"IntSubOverflow", I(-2147483647 - 1), I(1), '-', "Double -2147483649"},
        BinCase{"ByteTimesByteIsInteger", TValue::Byte(200), TValue::Byte(200), '*', "Integer 40000"},
        BinCase{"DoublePlusInt", D(1.5), I(1), '+', "Double 2.5"},
        BinCase{"IntDivIntIsDouble", I(7), I(2), '/', "Double 3.5"},
        BinCase{"CurTimesDoubleRounded", C(10000), D(0.33333), '*', "Currency 0.3333"},
        BinCase{"CurTimesCurRoundsToEven", C(5), C(5000), '*', "Currency 0.0002"},
        BinCase{"CurTimesCurRoundsToEvenUp", C(15), C(5000), '*', "Currency 0.0008"},
        BinCase{"CurDivCurIsCurrency", C(10000), C(30000), '/', "Currency 0.3333"},
        BinCase{"CurDivIntIsCurrency", C(10000), I(3), '/', "Currency 0.3333"},
        BinCase{"IntDivCurIsDouble", I(1), C(40000), '/', "Double 0.25"},
        BinCase{"CurDivZero", C(10000), C(0), '/', "error EZeroDivide: Floating point division by zero"},
        BinCase{"EmptyPlusEmpty", TValue(), TValue(), '+', "Empty"},
        BinCase{"EmptyDivEmpty", TValue(), TValue(), '/', "error EZeroDivide: Floating point division by zero"},
        BinCase{"EmptyPlusInt", TValue(), I(4), '+', "Integer 4"},
        BinCase{"NullPlusInt", TValue::Null(), I(4), '+', "Null"},
        BinCase{"IntDivNull", I(4), TValue::Null(), '/', "Null"},
        BinCase{"StrPlusStrConcat", S("ab"), S("cd"), '+', "String abcd"},
        BinCase{"WideLeftGivesWide", TValue::WideString("ab"), S("cd"), '+', "WideString abcd"},
        BinCase{"EmptyPlusStrIsWide", TValue(), S("cd"), '+', "WideString cd"},
        BinCase{"StrMinusStrNumeric", S("5"), S("2"), '-', "Double 3"},
        BinCase{"NumericStrPlusInt", S("12"), I(1), '+', "Double 13"},
        BinCase{"LettersPlusInt", S("ab"), I(1), '+',
                "error EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"},
        BinCase{"StrPlusCurIsCurrency", S("1.5"), C(10000), '+', "Currency 2.5"},
        BinCase{"TruePlusTrue", TValue::Boolean(true), TValue::Boolean(true), '+', "Double -2"},
        BinCase{"BoolPlusIntIsInteger", TValue::Boolean(true), I(5), '+', "Integer 4"},
        BinCase{"DatePlusInt", TValue::Date(40000), I(1), '+', "Date 2009-07-07"},
        BinCase{"DateMinusDate", TValue::Date(40000), TValue::Date(39990), '-', "Double 10"},
        BinCase{"DateTimesInt", TValue::Date(2), I(3), '*', "Double 6"},
        BinCase{"Int64Plus", TValue::Int64(5000000000LL), I(1), '+', "Int64 5000000001"},
        BinCase{"WordPlusWordIsInt64", TValue::Word(1), TValue::Word(2), '+', "Int64 3"},
        BinCase{"Int64DivIsDouble", TValue::Int64(9), I(2), '/', "Double 4.5"},
        BinCase{"ZeroDivZero", I(0), I(0), '/', "error EInvalidOp: Invalid floating point operation"},
        BinCase{"DoubleOverflow", D(1e308), D(10), '*', "error EOverflow: Floating point overflow"},
        BinCase{"CmpNullNull", TValue::Null(), TValue::Null(), 'c', "0"},
        BinCase{"CmpNullBelowEmpty", TValue::Null(), TValue(), 'c', "-1"},
        BinCase{"CmpIntNull", I(0), TValue::Null(), 'c', "1"}, BinCase{"CmpStrCaseSensitive", S("a"), S("B"), 'c', "1"},
        BinCase{"CmpStrBytesUnsigned", S("\xC4"), S("a"), 'c', "1"},
        BinCase{"CmpFalseBelowTrue", TValue::Boolean(false), TValue::Boolean(true), 'c', "-1"},
        BinCase{"CmpCurVsDoubleAsCurrency", C(0), D(0.00001), 'c', "0"},
        BinCase{"CmpStrNumber", S("10"), I(9), 'c', "1"},
        BinCase{"CmpLettersNumber", S("x"), I(9), 'c',
                "error EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"},
        BinCase{"CmpEmptyEmpty", TValue(), TValue(), 'c', "0"},
        BinCase{"ArrayHasNoRule", TValue::Array(0, {I(1)}), I(1), '+',
                "error EVariantInvalidOpError: Invalid variant operation"}),
    [](const testing::TestParamInfo<BinCase>& i) { return std::string(i.param.name); });

struct ConvCase {
  const char* name;
  TValue v;
  char to;  // i integer, d double, b boolean, c currency, n negate
  std::string expected;
};
void PrintTo(const ConvCase& c, std::ostream* os) { *os << c.name; }

class ValueConv : public testing::TestWithParam<ConvCase> {};

TEST_P(ValueConv, Converts) {
  const ConvCase& c = GetParam();
  std::string got;
  try {
    switch (c.to) {
      case 'i':
        got = std::to_string(c.v.ToInteger());
        break;
      case 'd':
        got = FormatDoubleText(c.v.ToDouble());
        break;
      case 'b':
        got = c.v.ToBoolean() ? "True" : "False";
        break;
      case 'c':
        got = FormatCurrencyText(c.v.ToCurrency());
        break;
      default:
        got = Show(VarNeg(c.v));
        break;
    }
  } catch (const EEvalError& e) {
    got = std::string("error ") + e.ClassName() + ": " + e.Message();
  }
  EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, ValueConv,
    testing::Values(
        ConvCase{"HalfToEvenDown", D(2.5), 'i', "2"}, ConvCase{"HalfToEvenUp", D(3.5), 'i', "4"},
        ConvCase{"NegativeHalf", D(-2.5), 'i', "-2"}, ConvCase{"CurrencyHalf", C(25000), 'i', "2"},
        ConvCase{"BoolTrue", TValue::Boolean(true), 'i', "-1"}, ConvCase{"EmptyIsZero", TValue(), 'i', "0"},
        ConvCase{"StringNumber", S("41.6"), 'i', "42"},
        ConvCase{"OutOfRange", D(3e9), 'i', "error ERangeError: Range check error"},
        ConvCase{"LongWordOutOfRange", TValue::LongWord(4000000000u), 'i', "error ERangeError: Range check error"},
        ConvCase{"NullToInteger", TValue::Null(), 'i',
                 "error EVariantTypeCastError: Could not convert variant of type (Null) into type (Integer)"},
        ConvCase{"NullToDouble", TValue::Null(), 'd',
                 "error EVariantTypeCastError: Could not convert variant of type (Null) into type (Double)"},
        ConvCase{"NullToBoolean", TValue::Null(), 'b',
                 "error EVariantTypeCastError: Could not convert variant of type (Null) into type (Boolean)"},
        ConvCase{"CurrencyToDouble", C(12345), 'd', "1.2345"}, ConvCase{"NonZeroIsTrue", D(0.1), 'b', "True"},
        ConvCase{"DoubleToCurrencyRounds", D(1.23456), 'c', "1.2346"}, ConvCase{"NegInteger", I(5), 'n', "Integer -5"},
        ConvCase{"NegCurrency", C(5), 'n', "Currency -0.0005"},
        ConvCase{"NegByteWidens", TValue::Byte(200), 'n', "Smallint -200"},
        ConvCase{"NegWordWidens", TValue::Word(60000), 'n', "Integer -60000"},
        ConvCase{"NegLongWordWidens", TValue::LongWord(4000000000u), 'n', "Int64 -4000000000"},
        ConvCase{"NegString", S("2.5"), 'n', "Double -2.5"}, ConvCase{"NegNull", TValue::Null(), 'n', "Null"},
        ConvCase{"NegEmpty", TValue(), 'n', "Integer 0"},
        ConvCase{"NegDate", TValue::Date(1.5), 'n', "Date 1899-12-29 12:00:00"},
        ConvCase{"NegMinIntegerStaysExact", I(-2147483647 - 1), 'n', "Int64 2147483648"}),
    [](const testing::TestParamInfo<ConvCase>& i) { return std::string(i.param.name); });

TEST(ValueText, ParsesNumbersLikeTheRuntime) {
  double d;
  EXPECT_TRUE(ParseFloatText(" 1.5e2 ", '.', d));
  EXPECT_EQ(d, 150);
  EXPECT_TRUE(ParseFloatText("-.5", '.', d));
  EXPECT_EQ(d, -0.5);
  EXPECT_FALSE(ParseFloatText("1,5", '.', d));
  EXPECT_FALSE(ParseFloatText("1e", '.', d));
  EXPECT_FALSE(ParseFloatText("1e999", '.', d));
  EXPECT_FALSE(ParseFloatText("0x10", '.', d));
  EXPECT_TRUE(ParseFloatText("1,5", ',', d));
  EXPECT_EQ(d, 1.5);
}

TEST(ValueText, DatesFollowTheShortDateFormat) {
  TFormatSettings fs;
  double d;
  ASSERT_TRUE(ParseDateText("2009/3/15", fs, d));
  EXPECT_EQ(FormatDateText(d), "2009-03-15");
  EXPECT_FALSE(ParseDateText("2009/2/30", fs, d));
  EXPECT_FALSE(ParseDateText("2009-3-15", fs, d));
  fs.DateSeparator = '-';
  fs.ShortDateFormat = "dd/MM/yyyy";
  ASSERT_TRUE(ParseDateText("15-03-2009", fs, d));
  EXPECT_EQ(FormatDateText(d), "2009-03-15");
  EXPECT_EQ(FormatDateText(0), "1899-12-30");
  EXPECT_EQ(FormatDateText(40000.75), "2009-07-06 18:00:00");
}

}  // namespace

namespace {

// A value assigned from an element of its own array keeps that element.
TEST(ValueCopy, FromInsideItsOwnArray) {
  TValue a = TValue::Array(0, {TValue::String("x"), TValue::Integer(2)});
  a = a.ArrayData()->Items[0];
  EXPECT_EQ(Show(a), "String x");
  TValue b = TValue::Array(0, {TValue::Integer(1), TValue::Array(1, {TValue::String("deep")})});
  b = std::move(b.ArrayData()->Items[1]);
  ASSERT_TRUE(b.IsArray());
  EXPECT_EQ(Show(b.ArrayData()->Items[0]), "String deep");
  TValue c = TValue::String("keep");
  TValue d = c;
  c.SetInt(varInteger, 5);
  EXPECT_EQ(Show(c), "Integer 5");
  EXPECT_EQ(Show(d), "String keep");
}

}  // namespace
