// The fast paths of the operation chain against the general rules: every operation
// the chain may do itself, on generated operands of every kind, and generated
// expressions over host values of every kind, run once as compiled (fast paths
// first) and once through the operation handlers alone. Kind, payload bits, text
// and exceptions must agree.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "evaltest.h"

using namespace evaltest;

namespace {

// What an operation or a run ended with: a value, or an exception.
struct TOutcome {
  bool failed = false;
  std::string error;  // class and message
  uint16_t kind = 0;
  int64_t i = 0;
  uint64_t dbits = 0;
  std::string text;
};

TOutcome Of(const TValue& v) {
  TOutcome o;
  o.kind = v.Kind();
  o.i = v.RawInt();
  double d = v.RawDouble();
  std::memcpy(&o.dbits, &d, sizeof d);
  o.text = v.Text();
  return o;
}

TOutcome Failed(const EEvalError& e) {
  TOutcome o;
  o.failed = true;
  o.error = std::string(e.ClassName()) + ": " + e.Message();
  return o;
}

bool Same(const TOutcome& a, const TOutcome& b) {
  return a.failed == b.failed && a.error == b.error && a.kind == b.kind && a.i == b.i && a.dbits == b.dbits &&
         a.text == b.text;
}

std::string Describe(const TOutcome& o) {
  if (o.failed) return "error " + o.error;
  return std::string(VarKindName(o.kind)) + " i=" + std::to_string(o.i) + " d=" + std::to_string(o.dbits) +
         " text=" + o.text;
}

// Operands of every kind, weighted to the kinds and edges the fast paths meet.
TValue RandomValue(std::mt19937_64& rng) {
  auto pick = [&](int n) { return int(rng() % uint64_t(n)); };
  static const int32_t kInts[] = {0, 1, -1, 2, 7, -7, 10000, 46341, -46341, INT32_MAX, INT32_MIN, INT32_MAX - 1};
  static const double kDoubles[] = {0.0,
                                    -0.0,
                                    1.0,
                                    -2.5,
                                    0.05,
                                    1e308,
                                    -1e308,
                                    1e-320,
                                    2147483647.0,
                                    std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity()};
  switch (pick(16)) {
    case 0:
    case 1:
    case 2:
      return TValue::Integer(kInts[pick(12)]);
    case 3:
      return TValue::Integer(int32_t(rng()));
    case 4:
    case 5:
    case 6:
      return TValue::Double(kDoubles[pick(12)]);
    case 7:
      return TValue::Double(double(int64_t(rng() % 2000001) - 1000000) / double(1 + pick(1000)));
    case 8: {
      static const int64_t kCur[] = {0, 10000, 5000, -10000, 123456789, INT64_MAX, INT64_MIN};
      return TValue::Currency(kCur[pick(7)]);
    }
    case 9:
      return TValue::Int64(pick(2) ? int64_t(rng()) : int64_t(pick(100)) - 50);
    case 10:
      return TValue::Boolean(pick(2) == 1);
    case 11: {
      static const char* kTexts[] = {"12", "abc", "", " 3.5 ", "1e400"};
      return pick(2) ? TValue::String(kTexts[pick(5)]) : TValue::WideString(kTexts[pick(5)]);
    }
    case 12:
      return pick(2) ? TValue() : TValue::Null();
    case 13:
      return TValue::Date(40000.25 + pick(100));
    case 14:
      return pick(2) ? TValue::Smallint(int16_t(pick(65536) - 32768)) : TValue::Byte(uint8_t(pick(256)));
    default:
      return pick(2) ? TValue::Single(float(pick(1000)) / 8.0f) : TValue::Word(uint16_t(pick(65536)));
  }
}

const int kFastCodes[] = {opAdd,       opSub,   opMul,      opDiv, opLess, opLessEq, opGreater,
                          opGreaterEq, opEqual, opNotEqual, opAnd, opOr,   opXor};

TEST(FastPath, EveryOperationOnEveryKindAgreesWithItsHandler) {
  std::mt19937_64 rng(20261210);
  int compared = 0;
  for (int round = 0; round < 40000; ++round) {
    int code = kFastCodes[rng() % (sizeof kFastCodes / sizeof kFastCodes[0])];
    TValue a = RandomValue(rng), b = RandomValue(rng);
    // The result cell held something before; a text there must go.
    TValue prior = RandomValue(rng);
    TValue fastCell = prior, plainCell = prior;
    TParserOperation op;
    op.Code = code;
    op.Handler = HandlerFor(code);
    op.A = &a;
    op.B = &b;
    TOutcome fast, plain;
    try {
      TOpChain chain(1, op);
      chain[0].Result = &fastCell;
      RunChain(chain);
      fast = Of(fastCell);
    } catch (const EEvalError& e) {
      fast = Failed(e);
    }
    try {
      TParserOperation general = op;
      general.Result = &plainCell;
      general.Handler(general);
      plain = Of(plainCell);
    } catch (const EEvalError& e) {
      plain = Failed(e);
    }
    ASSERT_TRUE(Same(fast, plain)) << "code " << code << " on " << Show(a) << ", " << Show(b) << ": fast "
                                   << Describe(fast) << ", general " << Describe(plain);
    ++compared;
  }
  EXPECT_EQ(compared, 40000);
}

// A random expression over f1..f4 and literals, every operation in parentheses so
// that the grammar's rules about signs and chains do not refuse it.
std::string RandomExpr(std::mt19937_64& rng, int depth) {
  auto pick = [&](int n) { return int(rng() % uint64_t(n)); };
  if (depth == 0 || pick(4) == 0) {
    static const char* kLeaves[] = {"f1", "f2",   "f3",         "f4",  "0",      "1",    "2",
                                    "7",  "0.05", "2147483647", "1e3", "\"12\"", "TRUE", "FALSE"};
    return kLeaves[pick(14)];
  }
  static const char* kOps[] = {"+", "-", "*", "/", "<", "<=", ">", ">=", "=", "<>", " AND ", " OR ", " XOR "};
  return "(" + RandomExpr(rng, depth - 1) + kOps[pick(13)] + RandomExpr(rng, depth - 1) + ")";
}

TEST(FastPath, GeneratedExpressionsAgreeWithTheGeneralHandlers) {
  std::mt19937_64 rng(7);
  int runs = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = RandomExpr(rng, 1 + int(rng() % 4));
    TExParser p;
    std::map<std::string, TValue> values;
    for (const char* n : {"f1", "f2", "f3", "f4"}) values[n] = RandomValue(rng);
    p.OnVariable = [&](TCustomParser&, const std::string& name, TValue& r) { r = values[name]; };
    p.ExpressionSetInPlace({text});
    try {
      p.EvalObj().Prepare();
    } catch (const EEvalError& e) {
      ADD_FAILURE() << text << ": " << e.Message();
      continue;
    }
    // Several rows through the same compiled form, as the wage sheet runs it.
    for (int row = 0; row < 3; ++row) {
      for (auto& [name, v] : values) v = RandomValue(rng);
      TOutcome fast, plain;
      try {
        fast = Of(p.Evaluate());
      } catch (const EEvalError& e) {
        fast = Failed(e);
      }
      // The same chain again with the host's values in place, through the handlers only.
      TEvalObj& obj = p.EvalObj();
      ASSERT_EQ(obj.Statements().size(), 1u) << text;
      TValue* result = obj.Locals().Find("RESULT")->Cell();
      result->SetInt(varByte, 0);
      try {
        for (TParserOperation& op : obj.Statements()[0].ChainA) op.Handler(op);
        plain = Of(*result);
      } catch (const EEvalError& e) {
        plain = Failed(e);
      }
      ASSERT_TRUE(Same(fast, plain)) << text << " with f1=" << Show(values["f1"]) << " f2=" << Show(values["f2"])
                                     << " f3=" << Show(values["f3"]) << " f4=" << Show(values["f4"]) << ": fast "
                                     << Describe(fast) << ", general " << Describe(plain);
      ++runs;
    }
  }
  EXPECT_EQ(runs, 9000);
}

}  // namespace
