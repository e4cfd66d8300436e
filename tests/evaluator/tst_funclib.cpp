// The runtime-library groups: strings and arrays, conversions, files, system.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ExFuncs.h"
#include "evaltest.h"

namespace {

using namespace jjgz::eval;
using evaltest::Show;

std::string EvalF(TEPRegFuncs& reg, const std::string& formula) {
  TExParser p;
  p.SetRegFuncs(&reg);
  p.ExpressionSetInPlace(SplitLines(formula));
  try {
    return Show(p.Evaluate());
  } catch (const EEvalError& e) {
    return std::string("error ") + e.ClassName() + ": " + e.Message();
  }
}

struct LCase {
  const char* formula;
  const char* expected;
};
std::ostream& operator<<(std::ostream& os, const LCase& c) { return os << c.formula; }

class LibTable : public ::testing::TestWithParam<LCase> {};
TEST_P(LibTable, KindAndValue) {
  TEPRegFuncs reg;
  EXPECT_EQ(EvalF(reg, GetParam().formula), GetParam().expected);
}

// GBK text: 工资 is C9 A4 D7 CA; 中文A has the ASCII letter only as its last byte.
const LCase kStrings[] = {
    {"Length(\"\xB9\xA4\xD7\xCA\")", "Integer 4"},
    {"UpperCase(\"ab\xB9\x61\")", "String AB\xB9\x61"},  // a trail byte that looks like "a" stays
    {"AnsiLowerCase(\"AB\xD6\xD0\")", "String ab\xD6\xD0"},
    {"AnsiPos(\"a\", \"\xB9\x61x a\")", "Integer 5"},  // not inside the two-byte character
    {"Pos(\"c\", \"abc\")", "Integer 3"},
    {"Pos(\"\", \"abc\")", "Integer 0"},
    {"Copy(\"abcdef\", 2, 3)", "String bcd"},
    {"Copy(\"abc\", 0, 2)", "String ab"},
    {"Copy(\"abc\", 5, 2)", "String "},
    {"s := \"abcdef\"; Delete(s, 2, 3); RESULT := s;", "String aef"},
    {"s := \"abc\"; Insert(\"XY\", s, 2); RESULT := s;", "String aXYbc"},
    {"s := \"abc\"; SetLength(s, 1); RESULT := s;", "String a"},
    {"Concat(\"a\", 1, 2.5)", "String a12.5"},
    {"CompareStr(\"a\", \"c\")", "Integer -2"},
    {"CompareText(\"ABC\", \"abc\")", "Integer 0"},
    {"AnsiCompareText(\"b\", \"A\")", "Integer 1"},
    {"AnsiSameText(\"Wage\", \"WAGE\")", "Boolean True"},
    {"QuotedStr(\"it's\")", "String 'it''s'"},
    {"AnsiQuotedStr(\"a'b\", \"'\")", "String 'a''b'"},
    {"s := \"'ab''c' rest\"; t := AnsiExtractQuotedStr(s, \"'\"); RESULT := t + \"|\" + s;", "String ab'c| rest"},
    {"StringReplace(\"a-b-c\", \"-\", \"+\", 0)", "String a+b-c"},
    {"StringReplace(\"aXbxc\", \"x\", \"_\", SETOF(0, 1))", "String a_b_c"},
    {"Trim(\"  x y \")", "String x y"},
    {"TrimLeft(\"  x \") + \"|\"", "String x |"},
    {"TrimRight(\"  x \") + \"|\"", "String   x|"},
    {"IsDelimiter(\"-/\", \"a-b\", 2)", "Boolean True"},
    {"LastDelimiter(\"/\", \"a/b/c\")", "Integer 4"},
    {"Str(42, 5, s); RESULT := s;", "String    42"},
    {"Str(2.5, 0, 2, s); RESULT := s;", "String 2.50"},
    {"VarArrayOf(1, \"a\")[1]", "String a"},
    {"x := VarArrayCreate(1, 3, 3); x[2] := 5; RESULT := x[2] + x[1];", "Integer 5"},
    {"x := VarArrayCreate(1, 3, 3); RESULT := x[4];",
     "error EVariantArrayError: Index in variant array is out of bounds"},
    {"VarArrayHighBound(VarArrayCreate(1, 3, 0, 1, 12), 2)", "Integer 1"},
    {"VarArrayLowBound(VarArrayCreate(1, 3, 12), 1)", "Integer 1"},
    {"VarArrayDimCount(VarArrayCreate(1, 3, 0, 1, 12))", "Integer 2"},
    {"VarArrayHighBound(5, 1)", "error EVariantArrayError: Returned result is not a variant array"},
    {"x := VarArrayOf(1, 2); VarArrayRedim(x, 3); RESULT := VarArrayHighBound(x, 1) * 10 + x[3];", "Integer 30"},
    {"VarType(\"a\")", "Word 256"},
    {"VarType(1.5)", "Word 5"},
    {"VarAsType(\"12\", 3)", "Integer 12"},
    {"VarAsType(300, 17)", "error ERangeError: Range check error"},
    {"x := 1; VarCast(x, \"2.5\", 5); RESULT := x;", "Double 2.5"},
    {"x := 1; VarClear(x); RESULT := x;", "Empty"},
    {"x := 1; VarCopy(x, \"b\"); RESULT := x;", "String b"},
    {"VarIsNull(NULL)", "Boolean True"},
    {"VarIsEmpty(UNASSIGNED)", "Boolean True"},
    {"VarIsArray(VarArrayOf())", "Boolean True"},
    {"VarToStr(NULL)", "String "},
    {"VarToDateTime(\"2024/3/5\")", "Date 2024-03-05"},
};
INSTANTIATE_TEST_SUITE_P(Strings, LibTable, ::testing::ValuesIn(kStrings));

const LCase kConvert[] = {
    {"FloatToStr(1.5)", "String 1.5"},
    {"FloatToStr(1/3)", "String 0.333333333333333"},
    {"FloatToStr(1E20)", "String 1E20"},
    {"FloatToStr(0.00001)", "String 0.00001"},
    {"FloatToStr(0.000001)", "String 1E-6"},
    {"FloatToStrF(1234.5, 2, 15, 2)", "String 1234.50"},
    {"FloatToStrF(1234.5, 3, 15, 1)", "String 1,234.5"},
    {"FloatToStrF(-5, 4, 15, 2)", "String \xA3\xA4-5.00"},
    {"FloatToStrF(1234.5, 1, 4, 2)", "String 1.235E+03"},
    {"FormatFloat(\"#,##0.00\", 1234567.891)", "String 1,234,567.89"},
    {"FormatFloat(\"0.###\", 2.5)", "String 2.5"},
    {"FormatFloat(\"#.##\", 0.5)", "String .5"},
    {"FormatFloat(\"000\", 7)", "String 007"},
    {"FormatFloat(\"0.00\", 2.675)", "String 2.67"},  // 2.675 is a little below in binary
    {"FormatFloat(\"0.0\", 0.25)", "String 0.3"},
    {"FormatFloat(\"0.00\", -1.005)", "String -1.00"},
    {"FormatFloat(\"0.00;(0.00);zero\", -3)", "String (3.00)"},
    {"FormatFloat(\"0.00;(0.00);'zero'\", 0)", "String zero"},
    {"FormatFloat(\"0.00E+00\", 12345)", "String 1.23E+04"},
    {"FormatFloat(\"'\xA3\xA4'#,##0.00\", -1234.5)",
     "String -\xA3\xA4"
     "1,234.50"},
    {"FormatCurr(\"0.00\", 12.345)", "String 12.35"},
    {"Format(\"%d-%5.2f|%-4s|%x\", 7, 3.14159, \"ab\", 255)", "String 7- 3.14|ab  |FF"},
    {"Format(\"%.3d %s\", VarArrayOf(5, \"x\"))", "String 005 x"},
    {"Format(\"%1:s %0:s\", \"a\", \"b\")", "String b a"},
    {"Format(\"%n\", 1234567.5)", "String 1,234,567.50"},
    {"Format(\"%d %d\", 1)", "error EConvertError: Format '%d %d' invalid or incompatible with argument"},
    {"FormatDateTime(\"yyyy-mm-dd hh:nn:ss\", ENCODEDATE(2024, 3, 5) + 0.5)", "String 2024-03-05 12:00:00"},
    {"FormatDateTime(\"yy/m/d h:mm\", ENCODEDATE(2024, 3, 5) + 0.25)", "String 24/3/5 6:00"},
    {"FormatDateTime(\"dddd\", ENCODEDATE(2024, 3, 5))", "String \xD0\xC7\xC6\xDA\xB6\xFE"},
    {"FormatDateTime(\"ddddd\", ENCODEDATE(2024, 3, 5))", "String 2024/3/5"},
    {"FormatDateTime(\"hh:nn am/pm\", 0.75)", "String 06:00 \xCF\xC2\xCE\xE7"},
    {"DateToStr(ENCODEDATE(2024, 3, 5))", "String 2024/3/5"},
    {"DateTimeToStr(ENCODEDATE(2024, 3, 5) + 0.5)", "String 2024/3/5 12:00:00"},
    {"TimeToStr(0.5)", "String 12:00:00"},
    {"CurrToStr(12.5)", "String 12.5"},
    {"IntToStr(-42)", "String -42"},
    {"IntToHex(255, 4)", "String 00FF"},
    {"IntToHex(-1, 1)", "String FFFFFFFF"},
    {"StrToInt(\" 42\")", "Integer 42"},
    {"StrToInt(\"$1F\")", "Integer 31"},
    {"StrToInt(\"12x\")", "error EConvertError: '12x' is not a valid integer value"},
    {"StrToIntDef(\"12x\", -1)", "Integer -1"},
    {"StrToFloat(\"2.5\")", "Double 2.5"},
    {"StrToFloat(\"abc\")", "error EConvertError: 'abc' is not a valid floating point value"},
    {"StrToCurr(\"12.34565\")", "Currency 12.3456"},  // ties to even, as the value type converts
    {"FloatToStrF(0.125, 2, 15, 2)", "String 0.13"},
    {"StrToDate(\"2024/3/5\")", "Date 2024-03-05"},
    {"StrToDate(\"2024/2/30\")", "error EConvertError: '2024/2/30' is not a valid date"},
    {"StrToTime(\"6:30\")", "Date 1899-12-30 06:30:00"},
    {"ok := TextToFloat(\"2.5\", v, 0); RESULT := IIF(ok, v, -1);", "Double 2.5"},
    {"TextToFloat(\"x\", v, 0)", "Boolean False"},
    {"FormatMaskText(\"000-0000;0;_\", \"1234567\")", "String 123-4567"},
    {"FormatMaskText(\">LL-00;0;_\", \"ab1\")", "String AB-1_"},
    {"Extended(3)", "Double 3"},
    {"Integer(2.5)", "Integer 2"},
    {"FileDateToDateTime(DateTimeToFileDate(ENCODEDATE(2024, 3, 5) + 0.5))", "Date 2024-03-05 12:00:00"},
};
INSTANTIATE_TEST_SUITE_P(Convert, LibTable, ::testing::ValuesIn(kConvert));

const LCase kSystem[] = {
    {"Succeeded(0)", "Boolean True"},
    {"Failed(MakeResult(1, 7, 5))", "Boolean True"},
    {"ResultCode(MakeResult(1, 7, 5)) * 100 + ResultFacility(MakeResult(1, 7, 5)) * 10 + "
     "ResultSeverity(MakeResult(1, 7, 5))",
     "Integer 571"},
    {"Random(1)", "Integer 0"},
    {"Random() < 1", "Currency 1"},
    {"x := Random(10); RESULT := (x >= 0) AND (x < 10);", "Integer 1"},
    {"Extractfilename(\"/a/b/c.txt\")", "String c.txt"},
    {"ExtractFilePath(\"/a/b/c.txt\")", "String /a/b/"},
    {"ExtractFileDir(\"/a/b/c.txt\")", "String /a/b"},
    {"ExtractFileExt(\"/a.d/b\")", "String "},
    {"ChangeFileExt(\"/a/b.txt\", \".bak\")", "String /a/b.bak"},
    {"IncludeTrailingPathDelimiter(\"/a\")", "String /a/"},
    {"ExcludeTrailingPathDelimiter(\"/a/\")", "String /a"},
    {"ExtractRelativePath(\"/a/b/x.txt\", \"/a/c/y.txt\")", "String ../c/y.txt"},
    {"ExpandFileName(\"/a/b/../c\")", "String /a/c"},
    {"IsPathDelimiter(\"a/b\", 2)", "Boolean True"},
    {"ExtractFileDrive(\"/a/b\")", "String "},
    {"FileRead(0, buf, 10)", "Integer -1"},  // only handles FileOpen gave out
    {"DiskFree(3)", "Int64 -1"},
};
INSTANTIATE_TEST_SUITE_P(SystemAndNames, LibTable, ::testing::ValuesIn(kSystem));

TEST(FileFuncs, CreateWriteReadRenameDelete) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("jjgz-funcs-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  std::string d = dir.string();
  TEPRegFuncs reg;
  auto q = [](const std::string& s) { return "\"" + s + "\""; };
  EXPECT_EQ(EvalF(reg, "ForceDirectories(" + q(d + "/x/y") + ")"), "Boolean True");
  EXPECT_EQ(EvalF(reg, "DirectoryExists(" + q(d + "/x") + ")"), "Boolean True");
  { std::ofstream(dir / "a.txt") << "hello"; }
  EXPECT_EQ(EvalF(reg, "FileExists(" + q(d + "/a.txt") + ")"), "Boolean True");
  EXPECT_EQ(EvalF(reg, "h := FileOpen(" + q(d + "/a.txt") +
                           ", 2); n := FileRead(h, b, 3); FileSeek(h, 0, 2); "
                           "FileWrite(h, \"!!\", 1); FileClose(h); RESULT := b + IntToStr(n);"),
            "String hel3");
  std::ifstream in(dir / "a.txt");
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "hello!");
  EXPECT_EQ(EvalF(reg, "FileGetAttr(" + q(d + "/x") + ")"), "Integer 16");
  EXPECT_EQ(EvalF(reg, "FileAge(" + q(d + "/a.txt") + ") > 0"), "Currency 1");
  EXPECT_EQ(EvalF(reg, "FileSearch(\"a.txt\", \"/nonexistent;" + d + "\")"), "String " + d + "/a.txt");
  { std::ofstream(dir / "b.txt") << "b"; }
  EXPECT_EQ(EvalF(reg, "RenameFile(" + q(d + "/a.txt") + ", " + q(d + "/b.txt") + ")"), "Boolean False");
  EXPECT_EQ(EvalF(reg, "RenameFile(" + q(d + "/a.txt") + ", " + q(d + "/c.txt") + ")"), "Boolean True");
  EXPECT_EQ(EvalF(reg, "DeleteFile(" + q(d + "/c.txt") + ")"), "Boolean True");
  EXPECT_EQ(EvalF(reg, "DeleteFile(" + q(d + "/x") + ")"), "Boolean False");
  EXPECT_EQ(EvalF(reg, "FileOpen(" + q(d + "/missing") + ", 0)"), "Integer -1");
  EXPECT_EQ(EvalF(reg, "RemoveDir(" + q(d + "/x/y") + ")"), "Boolean True");
  fs::remove_all(dir);
}

// Every group property removes exactly its own functions and brings them back.
TEST(Groups, EachPropertyRemovesItsGroup) {
  struct G {
    void (TEPRegFuncs::*set)(bool);
    const char* member;
    const char* other;
  } groups[] = {
      {&TEPRegFuncs::SetDateFuncs, "ENCODEDATE", "ROUND"},
      {&TEPRegFuncs::SetDBFuncs, "DEOF", "IIF"},
      {&TEPRegFuncs::SetExpLogarithmFuncs, "LG", "SIN"},
      {&TEPRegFuncs::SetTrigonomFuncs, "ATAN", "EXP"},
      {&TEPRegFuncs::SetVariantAndStringFuncs, "VarArrayOf", "FloatToStr"},
      {&TEPRegFuncs::SetConvertFuncs, "FormatFloat", "Copy"},
      {&TEPRegFuncs::SetFileFuncs, "ExtractFileExt", "Random"},
      {&TEPRegFuncs::SetSystemFuncs, "MakeResult", "FileExists"},
  };
  for (const G& g : groups) {
    TEPRegFuncs reg;
    size_t n = reg.Count();
    (reg.*g.set)(false);
    EXPECT_EQ(reg.FindFunc(g.member), nullptr) << g.member;
    EXPECT_NE(reg.FindFunc(g.other), nullptr) << g.other;
    EXPECT_NE(reg.FindFunc("ExecScript"), nullptr);
    (reg.*g.set)(true);
    EXPECT_EQ(reg.Count(), n) << g.member;
  }
}

}  // namespace

namespace {

// Every function, called with awkward values: each call yields a value or an
// evaluator error, never a crash (run under the sanitizers in CI). The file
// functions work inside a scratch directory.
TEST(Robustness, EveryFunctionWithAwkwardArguments) {
  namespace fs = std::filesystem;
  fs::path home = fs::current_path();
  fs::path scratch = fs::temp_directory_path() / ("jjgz-robust-" + std::to_string(::getpid()));
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  fs::current_path(scratch);
  TEPRegFuncs reg;
  const std::vector<TValue> pool = {TValue::Integer(0),
                                    TValue::Integer(-1),
                                    TValue::Integer(INT32_MAX),
                                    TValue::Double(1e300),
                                    TValue::Double(-0.5),
                                    TValue::String(""),
                                    TValue::String("%s%d%"),
                                    TValue::String("\xB9"),
                                    TValue::Null(),
                                    TValue(),
                                    TValue::Date(-1e7),
                                    TValue::Currency(INT64_MIN / 2),
                                    TValue::Boolean(true),
                                    TValue::Array(0, {TValue::Integer(1)}),
                                    TValue::Int64(INT64_MIN),
                                    TValue::String("TObject"),
                                    TValue::Double(9.3e18),
                                    TValue::Date(2958465.9999999999),
                                    TValue::Integer(-2147483647 - 1),
                                    TValue::String("yyyy-mm-dd hh:nn:ss.zzz am/pm dddddd c t tt"),
                                    TValue::String("#,##0.00E+00;(0);'z'"),
                                    TValue::Double(-1e-310)};
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % pool.size();
  };
  for (size_t f = 0; f < reg.Count(); ++f) {
    TRegFuncObj* fn = reg.At(f);
    if (SameText(fn->Name, "Randomize")) continue;
    for (int round = 0; round < 300; ++round) {
      int n = fn->ArgCount >= 0 ? fn->ArgCount : round % 5;
      std::vector<TValue> cells(size_t(n) + 1);
      std::vector<TValue*> args;
      for (int i = 0; i < n; ++i) {
        cells[size_t(i)] = pool[next()];
        args.push_back(&cells[size_t(i)]);
      }
      TValue result = TValue::Byte(0);
      TFuncCall call;
      call.Args = args.data();
      call.Count = n;
      call.Result = &result;
      call.Registry = &reg;
      try {
        fn->Handler(call);
      } catch (const EEvalError&) {
      }
    }
  }
  fs::current_path(home);
  fs::remove_all(scratch);
  SUCCEED();
}

}  // namespace
