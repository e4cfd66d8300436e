// What the wage sheet needs of the evaluator: its function registry, a budget for
// each evaluation, errors with their position and the names a formula asks for.
#include <gtest/gtest.h>

#include "evaltest.h"

using namespace evaltest;

namespace {

// A component set up as the sheet sets it up: its registry, unknown functions an
// error, and the given limits.
struct SheetParser {
  explicit SheetParser(const TEvalLimits& limits = {}) : reg(TEPRegFuncs::CreateForSheet()) {
    p.SetRegFuncs(reg.get());
    p.SetLimits(limits);
    p.OnFunction = [](TCustomParser&, const std::string& name, std::vector<TValue>&, TValue&) {
      throw EEvalError("Unknown function: " + name);
    };
  }
  std::string Run(const std::string& formula) {
    p.ExpressionSetInPlace(SplitLines(formula));
    try {
      return Show(p.Evaluate());
    } catch (const EEvalError& e) {
      return std::string("error ") + e.ClassName() + ": " + e.Message();
    }
  }
  std::unique_ptr<TEPRegFuncs> reg;
  TExParser p;
};

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

TEST(SheetRegistry, HoldsTheSheetGroupsOnly) {
  auto reg = TEPRegFuncs::CreateForSheet();
  for (const char* name : {"ABS", "IIF", "ROUND", "TRUNC", "MAX", "ExceptObject", "ENCODEDATE", "LN", "EXP", "SIN",
                           "ATAN", "Copy", "UpperCase", "VarArrayOf", "IntToStr"})
    EXPECT_NE(reg->FindFunc(name), nullptr) << name;
  for (const char* name : {"FileExists", "DeleteFile", "Random", "DOPEN", "DNEXT", "CreateObject", "ExecObjMethod",
                           "SetObjProp", "ExecScript"})
    EXPECT_EQ(reg->FindFunc(name), nullptr) << name;
  EXPECT_TRUE(reg->DateFuncs() && reg->ExpLogarithmFuncs() && reg->TrigonomFuncs() && reg->VariantAndStringFuncs() &&
              reg->ConvertFuncs());
  EXPECT_FALSE(reg->DBFuncs() || reg->FileFuncs() || reg->SystemFuncs());
  // The full registry is unchanged.
  TEPRegFuncs full;
  EXPECT_NE(full.FindFunc("FileExists"), nullptr);
  EXPECT_NE(full.FindFunc("ExecScript"), nullptr);
  EXPECT_GT(full.Count(), reg->Count());
}

TEST(SheetRegistry, FormulasCallItsFunctions) {
  SheetParser s;
  EXPECT_EQ(s.Run("ABS(-2.5)"), "Double 2.5");
  EXPECT_EQ(s.Run("IIF(3 > 2, 10, 20)"), "Integer 10");
  EXPECT_EQ(s.Run("ROUND(2.5) + TRUNC(-1.7)"), "Double 2");
  EXPECT_EQ(s.Run("UpperCase(Copy(\"abcd\", 2, 2))"), "String BC");
  EXPECT_EQ(s.Run("EXTRACTYEAR(ENCODEDATE(2024, 2, 29))"), "Word 2024");
  EXPECT_TRUE(StartsWith(s.Run("FileExists(\"/etc/passwd\")"), "error Exception: Unknown function: FileExists"));
  EXPECT_TRUE(StartsWith(s.Run("ExecScript(\"1\")"), "error Exception: Unknown function: ExecScript"));
}

TEST(SheetBudget, RunawayFormulasStopWithALimitError) {
  TEvalLimits l;
  l.MaxSteps = 10000;
  l.MaxTextLength = 1 << 16;
  l.MaxArrayItems = 1000;
  struct Case {
    const char* formula;
    TLimitKind kind;
  } cases[] = {
      {"WHILE TRUE DO ;", TLimitKind::Steps},
      {"REPEAT x := 1; UNTIL FALSE;", TLimitKind::Steps},
      {"TRY WHILE 1 DO ; EXCEPT x := 1; END;", TLimitKind::Steps},  // TRY cannot catch it
      {"s := \"ab\"; WHILE TRUE DO s := s + s", TLimitKind::TextLength},
      {"s := \"ab\"; SetLength(s, 100000);", TLimitKind::TextLength},
      {"a := VarArrayOf(1, 2); WHILE TRUE DO a[0] := a", TLimitKind::ArrayItems},
      {"a := VarArrayCreate(0, 1000000, 12)", TLimitKind::ArrayItems},
  };
  SheetParser s(l);
  for (const Case& c : cases) {
    s.p.ExpressionSetInPlace(SplitLines(c.formula));
    try {
      s.p.Evaluate();
      ADD_FAILURE() << c.formula << " ran to its end";
    } catch (const EEvalLimit& e) {
      EXPECT_EQ(e.Kind, c.kind) << c.formula;
      EXPECT_EQ(s.p.EvalObj().ErrorLine(), e.Line);
      EXPECT_GT(e.Line, 0) << c.formula;
      EXPECT_TRUE(s.p.EvalObj().RunFailed());
      EXPECT_EQ(s.p.EvalObj().ErrorMessage(), e.Message());
    } catch (const EEvalError& e) {
      ADD_FAILURE() << c.formula << ": " << e.ClassName() << " " << e.Message();
    }
    // The component goes on with the next evaluation.
    EXPECT_EQ(s.Run("1 + 2"), "Integer 3") << c.formula;
  }
}

TEST(SheetBudget, EachEvaluationHasItsOwnBudgetAndNoneIsTheDefault) {
  const char* loop = "n := 0; FOR i := 1 TO 300 DO n := n + i; RESULT := n;";
  TEvalLimits l;
  l.MaxSteps = 1000;
  SheetParser s(l);
  s.p.ExpressionSetInPlace(SplitLines(loop));
  for (int run = 0; run < 3; ++run) EXPECT_EQ(Show(s.p.Evaluate()), "Double 45150");
  l.MaxSteps = 500;
  s.p.SetLimits(l);
  EXPECT_THROW(s.p.Evaluate(), EEvalLimit);
  // Without limits a long loop runs to its end.
  SheetParser free;
  EXPECT_EQ(free.Run("n := 0; FOR i := 1 TO 200000 DO n := n + 1; RESULT := n;"), "Integer 200000");
  EXPECT_EQ(free.Run("s := \"ab\"; FOR i := 1 TO 18 DO s := s + s; RESULT := Length(s);"), "Integer 524288");
}

TEST(SheetErrors, CompileAndRuntimeErrorsCarryTheirPosition) {
  SheetParser s;
  s.p.ExpressionSetInPlace({"x := 1;", "y := (x + 2;"});
  EXPECT_THROW(s.p.Evaluate(), EMathParserError);
  EXPECT_TRUE(s.p.EvalObj().CompileFailed());
  EXPECT_EQ(s.p.EvalObj().ErrorLine(), 2);
  EXPECT_GT(s.p.EvalObj().ErrorColumn(), 0);
  EXPECT_NE(s.p.EvalObj().ErrorMessage().find("Missing brackets"), std::string::npos);

  // A runtime error is placed at the end of its statement.
  s.p.ExpressionSetInPlace({"x := 1;", "  y := x DIV 0;"});
  try {
    s.p.Evaluate();
    ADD_FAILURE() << "no runtime error";
  } catch (const EEvalError& e) {
    EXPECT_EQ(e.Line, 2);
    EXPECT_EQ(e.Column, 15);
    EXPECT_EQ(e.Message(), "Division by zero");
  }
  EXPECT_TRUE(s.p.EvalObj().RunFailed());
  EXPECT_EQ(s.p.EvalObj().ErrorLine(), 2);
  EXPECT_EQ(s.p.EvalObj().ErrorColumn(), 15);
}

TEST(SheetNames, TheHostResolvesTheAskedNamesOnce) {
  SheetParser s;
  s.p.ExpressionSetInPlace(SplitLines("x := f2 * JJe; RESULT := x + f1 - JSl;"));
  s.p.EvalObj().Prepare();
  TVarsList& names = s.p.ExternalVariables();
  std::vector<std::string> asked;
  for (size_t i = 0; i < names.Count(); ++i) asked.push_back(names.At(i)->VarName());
  EXPECT_EQ(asked, (std::vector<std::string>{"f1", "f2", "JJe", "JSl"}));
  // Per employee: the values go straight into the cells, no name lookup.
  for (int emp = 1; emp <= 3; ++emp) {
    names.Find("f1")->SetValue(TValue::Integer(emp));
    names.Find("f2")->SetValue(TValue::Integer(10));
    names.Find("JJe")->SetValue(TValue::Double(1.5));
    names.Find("JSl")->SetValue(TValue::Integer(1));
    EXPECT_EQ(Show(s.p.Evaluate()), "Double " + std::to_string(15 + emp - 1));
  }
}

}  // namespace
