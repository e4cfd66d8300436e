// The cost of compiling grows with the text and no faster: the compiler's own count
// of its steps is compared over families of hostile texts of doubling size. Counting
// steps, not time, keeps the test exact on a loaded machine; the benchmark shows the
// time.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "evaltest.h"
#include "expbuild.h"

using namespace evaltest;

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

struct TCost {
  uint64_t work = 0;
  std::string error;  // empty when it compiled
};

TCost Compile(const std::string& text) {
  TExParser p;
  p.ExpressionSetInPlace(SplitLines(text));
  TCost c;
  try {
    p.EvalObj().Prepare();
  } catch (const EEvalError& e) {
    c.error = e.Message();
  }
  c.work = LastCompileWork();
  return c;
}

struct TFamily {
  const char* name;
  std::function<std::string(int)> make;  // a text of about 10 * n characters
  bool compiles;
};

const TFamily kFamilies[] = {
    {"sum", [](int n) { return "f1" + Repeat("+f1*2", n); }, true},
    {"difference", [](int n) { return "f1" + Repeat("-f1/2", n); }, true},
    {"comparisons", [](int n) { return Repeat("f1<f2 AND ", n) + "f1"; }, true},
    {"nested-calls", [](int n) { return Repeat("ABS(f1+", n) + "1" + Repeat(")", n); }, true},
    {"nested-index", [](int n) { return Repeat("a[f1+", n) + "1" + Repeat("]", n); }, true},
    {"failing-comparisons", [](int n) { return Repeat("f1<f2<", n) + "="; }, false},
    {"failing-times-minus", [](int n) { return Repeat("f1*-f2*-", n) + "f1"; }, false},
    // The shape of the fuzzer's finds: operators that never split inside brackets.
    {"failing-in-brackets", [](int n) { return "x[" + Repeat("U<>R -E<p>-T", n) + "]"; }, false},
    {"failing-call-args", [](int n) { return "F(" + Repeat("f1<>-f2,", n) + "<f1)"; }, false},
    {"date-literals", [](int n) { return Repeat("'2009/03/15'-f1<", n) + "f2"; }, true},
    {"failing-quotes", [](int n) { return Repeat("'1'<'2'-", n) + "'3'"; }, false},
};

TEST(CompileCost, GrowsLinearlyWithTheText) {
  for (const TFamily& f : kFamilies) {
    SCOPED_TRACE(f.name);
    double perChar[4];
    for (int step = 0; step < 4; ++step) {
      int n = 25 << step;  // 25 ... 200 repetitions, up to about 2 KB
      std::string text = f.make(n);
      TCost c = Compile(text);
      if (f.compiles)
        EXPECT_EQ(c.error, "") << n;
      else
        EXPECT_NE(c.error, "") << n;
      EXPECT_EQ(c.error.rfind("Expression too complex", 0), std::string::npos) << n;
      perChar[step] = double(c.work) / double(text.size());
    }
    // Steps per character stay flat while the text grows eightfold.
    for (int step = 1; step < 4; ++step) EXPECT_LT(perChar[step], perChar[0] * 1.3 + 2) << step;
    EXPECT_LT(perChar[3], 60.0);
  }
}

// The fuzzer's two slow texts are refused with a syntax error after few steps.
TEST(CompileCost, FuzzerFindsAreRefusedCheaply) {
  for (const char* name : {"compile-slow-1", "compile-slow-2"}) {
    std::ifstream in(std::string(JJGZ_HOSTILE_DIR) + "/" + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    ASSERT_GT(ss.str().size(), 1000u) << name;
    TCost c = Compile(ss.str());
    EXPECT_EQ(c.error.rfind("Syntax error in expression:", 0), 0u) << name << ": " << c.error;
    EXPECT_LT(double(c.work) / double(ss.str().size()), 10.0) << name;
  }
}

// Texts no formula comes near are refused at a cost in proportion to their length.
TEST(CompileCost, HugeTextsAreRefusedInProportion) {
  std::string sum = "1" + Repeat("+1", 200000);
  std::string calls = Repeat("ABS(", 50000) + "1" + Repeat(")", 50000);
  for (const std::string* t : {&sum, &calls}) {
    TCost c = Compile(*t);
    EXPECT_EQ(c.error, "Expression too complex");
    EXPECT_LT(double(c.work) / double(t->size()), 10.0);
  }
}

}  // namespace
