// Hostile input: deep nesting, long texts, binary bytes, and the inputs the fuzzer
// once found faults with. Each yields a value or an evaluator exception.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "evaltest.h"

using namespace evaltest;

namespace {

// Compile and run; true when it ended with a value or an evaluator error.
bool Survives(const std::string& text) {
  TExParser p;
  p.EvalObj().LoopLimit = 100000;
  p.OnVariable = [](TCustomParser&, const std::string&, TValue& r) { r = TValue::Integer(3); };
  p.ExpressionSetInPlace(SplitLines(text));
  try {
    p.Evaluate();
  } catch (const EEvalError&) {
  }
  return true;
}

TEST(Robustness, TenThousandNestedParentheses) {
  std::string t(10000, '(');
  t += "1";
  t += std::string(10000, ')');
  EXPECT_EQ(Eval(t), "Integer 1");
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "(1+";
  deep += "1";
  deep += std::string(10000, ')');
  EXPECT_EQ(Eval(deep).rfind("error ESyntaxError: Expression too complex", 0), 0u);
  EXPECT_EQ(Eval(std::string(10000, '(')).rfind("error EMissMatchingBracket", 0), 0u);
}

TEST(Robustness, LongSumsAndChainsCompile) {
  std::string sum = "f1", diff = "f1", mixed = "1";
  for (int i = 0; i < 600; ++i) {
    sum += "+f1";
    diff += "-f1";
    mixed += i % 2 ? "*1" : "-1";
  }
  EXPECT_EQ(Eval(sum, {{"f1", TValue::Integer(1)}}), "Integer 601");
  EXPECT_EQ(Eval(diff, {{"f1", TValue::Integer(1)}}), "Integer -599");
  EXPECT_EQ(Eval(mixed), "Integer -299");
  std::string minus(1000, '-');
  EXPECT_EQ(Eval(minus + "1").rfind("error ESyntaxError", 0), 0u);
}

TEST(Robustness, ArbitraryBytes) {
  std::string bytes;
  for (int i = 1; i < 256; ++i) bytes += char(i);
  EXPECT_TRUE(Survives(bytes));
  EXPECT_TRUE(Survives(std::string("\0\0\"", 3)));
  EXPECT_TRUE(Survives("%99999999999 + %1023"));
  EXPECT_TRUE(Survives("1e999999 + $FFFFFFFFFF"));
  EXPECT_TRUE(Survives("WHILE 1 DO ;"));
  EXPECT_EQ(Eval("-9223372036854775808 DIV -1").rfind("error EInvalidOp", 0), 0u);
  EXPECT_EQ(Eval("$80000000 DIV -1"), "Integer -2147483648");
}

// Every file in the corpus folder once crashed, hung or leaked.
TEST(Robustness, FuzzerFindings) {
  namespace fs = std::filesystem;
  int n = 0;
  for (const auto& entry : fs::directory_iterator(JJGZ_EVAL_CORPUS)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_TRUE(Survives(ss.str())) << entry.path();
    ++n;
  }
  EXPECT_GE(n, 0);
}

}  // namespace
