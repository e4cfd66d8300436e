// The evaluator component: external variables, compile on demand, events, the
// companions it can attach.
#include <gtest/gtest.h>

#include <memory>

#include "evaltest.h"

using namespace evaltest;

namespace {

// A small registry for the tests: functions registered by hand.
class TestRegistry : public TFunctionRegistry {
 public:
  TFuncObj* Add(const std::string& name, int argc, TFuncHandler h, TFuncKind kind = TFuncKind::Handler) {
    auto f = std::make_unique<TFuncObj>();
    f->Name = name;
    f->ArgCount = argc;
    f->Handler = std::move(h);
    f->Kind = kind;
    funcs.push_back(std::move(f));
    return funcs.back().get();
  }
  void Remove(const std::string& name) {
    for (auto it = funcs.begin(); it != funcs.end(); ++it)
      if (SameText((*it)->Name, name)) {
        funcs.erase(it);
        return;
      }
  }
  TFuncObj* FindFunc(std::string_view name) const override {
    for (auto& f : funcs)
      if (SameText(f->Name, name)) return f.get();
    return nullptr;
  }
  std::vector<std::unique_ptr<TFuncObj>> funcs;
};

TEST(Component, DefaultComponentGivesExternalsByteZero) {
  TExParser p;
  p.ExpressionSetInPlace({"f1 + 1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 1");
  ASSERT_EQ(p.ExternalVariables().Count(), 1u);
  EXPECT_EQ(Show(p.ExternalVariables().At(0)->Value()), "Byte 0");
}

TEST(Component, EmptyExpressionGivesByteZero) {
  TExParser p;
  EXPECT_EQ(Show(p.Evaluate()), "Byte 0");
}

TEST(Component, OneSharedResultCellInAscendingOrder) {
  TExParser p;
  std::vector<std::string> asked;
  p.OnVariable = [&](TCustomParser&, const std::string& name, TValue& r) {
    asked.push_back(name);
    if (name[0] == 'f') r = TValue::Integer(name == "f1" ? 10 : 20);
  };
  // X comes after f1 and f2 (letters ignore case); the handler leaves the cell alone.
  p.ExpressionSetInPlace({"X * 100 + f2 + f1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 2030");
  EXPECT_EQ(asked, (std::vector<std::string>{"f1", "f2", "X"}));
  // An unanswered first name gets the Empty value.
  p.ExpressionSetInPlace({"a1 + f1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 10");
  p.ExpressionSetInPlace({"a1"});
  EXPECT_EQ(Show(p.Evaluate()), "Empty");
}

TEST(Component, NamesDifferingInCaseAreOneVariableInFirstForm) {
  TExParser p;
  std::vector<std::string> asked;
  p.OnVariable = [&](TCustomParser&, const std::string& name, TValue& r) {
    asked.push_back(name);
    r = TValue::Integer(4);
  };
  p.ExpressionSetInPlace({"F1 * f1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 16");
  EXPECT_EQ(asked, (std::vector<std::string>{"F1"}));
}

TEST(Component, CompiledFormIsCachedUntilTextChanges) {
  TExParser p;
  int validating = 0, invalidated = 0, asked = 0;
  p.OnValidating = [&](TEvalObj&) { ++validating; };
  p.OnInvalidated = [&](TEvalObj&) { ++invalidated; };
  p.OnVariable = [&](TCustomParser&, const std::string&, TValue& r) {
    ++asked;
    r = TValue::Integer(5);
  };
  p.ExpressionSetInPlace({"f1 * 2"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 10");
  EXPECT_EQ(Show(p.Evaluate()), "Integer 10");
  EXPECT_EQ(validating, 1);
  EXPECT_EQ(asked, 2);
  // Clearing and refilling with the same text recompiles and asks again.
  p.ExpressionClear();
  p.ExpressionAdd("f1 * 2");
  EXPECT_EQ(invalidated, 1);
  EXPECT_EQ(Show(p.Evaluate()), "Integer 10");
  EXPECT_EQ(validating, 2);
  EXPECT_EQ(asked, 3);
}

TEST(Component, CompileErrorRaisesEachTimeUntilTextChanges) {
  TExParser p;
  int compileErrors = 0;
  p.OnCompileError = [&](TEvalObj& o, const EEvalError& e) {
    ++compileErrors;
    EXPECT_EQ(o.ErrorMessage(), e.Message());
  };
  p.ExpressionSetInPlace({"f1 +"});
  EXPECT_THROW(p.Evaluate(), ESyntaxError);
  EXPECT_THROW(p.Evaluate(), ESyntaxError);
  EXPECT_EQ(compileErrors, 2);
  EXPECT_TRUE(p.EvalObj().CompileFailed());
  EXPECT_EQ(p.ExternalVariables().Count(), 0u);
  p.ExpressionSetInPlace({"1 + 1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 2");
  EXPECT_FALSE(p.EvalObj().CompileFailed());
}

TEST(Component, AssigningBadTextRestoresTheOldText) {
  TExParser p;
  p.SetExpression({"2 * 3"});
  EXPECT_THROW(p.SetExpression({"2 *"}), ESyntaxError);
  EXPECT_EQ(p.Expression(), (std::vector<std::string>{"2 * 3"}));
  EXPECT_EQ(Show(p.Evaluate()), "Integer 6");
}

TEST(Component, RuntimeErrorIsRecordedReportedAndRaised) {
  TExParser p;
  int runtimeErrors = 0;
  p.OnRuntimeError = [&](TEvalObj&, const EEvalError&) { ++runtimeErrors; };
  p.ExpressionSetInPlace({"1 / %0"});
  EXPECT_THROW(p.Evaluate({TValue::Integer(0)}), EZeroDivide);
  EXPECT_EQ(runtimeErrors, 1);
  EXPECT_TRUE(p.EvalObj().RunFailed());
  // The compiled form stays; the next run with another parameter succeeds.
  EXPECT_EQ(Show(p.Evaluate({TValue::Integer(4)})), "Double 0.25");
  EXPECT_FALSE(p.EvalObj().RunFailed());
}

TEST(Component, CellsKeepValuesBetweenRunsButResultResets) {
  TExParser p;
  p.ExpressionSetInPlace({"k := k + 1; RESULT := RESULT + k;"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 1");
  EXPECT_EQ(Show(p.Evaluate()), "Integer 2");
}

TEST(Component, ParametersCopiedAsFarAsGiven) {
  TExParser p;
  p.ExpressionSetInPlace({"%0 * 10 + %1"});
  EXPECT_EQ(Show(p.Evaluate({TValue::Integer(1), TValue::Integer(2)})), "Integer 12");
  EXPECT_EQ(Show(p.Evaluate({TValue::Integer(3)})), "Integer 32");
}

TEST(Component, FunctionEventGetsNameAndArguments) {
  TExParser p;
  std::string called;
  p.OnFunction = [&](TCustomParser&, const std::string& name, std::vector<TValue>& args, TValue& r) {
    called = name + "/" + std::to_string(args.size());
    r = VarAdd(args.at(0), args.at(1));
  };
  p.ExpressionSetInPlace({"MyFunc(2, 3) * 2"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 10");
  EXPECT_EQ(called, "MyFunc/2");
}

TEST(Component, EventCallsRunDeepestFirstLeftToRight) {
  TExParser p;
  std::string order;
  p.OnFunction = [&](TCustomParser&, const std::string& name, std::vector<TValue>&, TValue& r) {
    order += name;
    r = TValue::Integer(1);
  };
  p.ExpressionSetInPlace({"A() + B(C()) * D()"});
  p.Evaluate();
  EXPECT_EQ(order, "CBDA");
}

TEST(Component, RegistryFunctionsBindAndCheckArgumentCount) {
  TestRegistry reg;
  reg.Add("TWICE", 1, [](TFuncCall& c) { *c.Result = VarMul(c.Arg(0), TValue::Integer(2)); });
  reg.Add("BUMP", 1, [](TFuncCall& c) {
    c.Arg(0) = VarAdd(c.Arg(0), TValue::Byte(1));
    *c.Result = c.Arg(0);
  });
  TExParser p;
  p.SetRegFuncs(&reg);
  p.ExpressionSetInPlace({"twice(21)"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 42");
  p.ExpressionSetInPlace({"x := 1; BUMP(x); RESULT := x;"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 2");
  p.ExpressionSetInPlace({"twice(1, 2)"});
  try {
    p.Evaluate();
    FAIL();
  } catch (const EFuncParamsError& e) {
    EXPECT_EQ(e.Message(), "Arguments mismatching twice(1, 2)");
  }
}

TEST(Component, RemovingAUsedFunctionOrRegistryInvalidates) {
  auto reg = std::make_unique<TestRegistry>();
  reg->Add("TWICE", 1, [](TFuncCall& c) { *c.Result = VarMul(c.Arg(0), TValue::Integer(2)); });
  TExParser p;
  p.SetRegFuncs(reg.get());
  p.ExpressionSetInPlace({"TWICE(4)"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 8");
  reg->Remove("TWICE");
  EXPECT_FALSE(p.EvalObj().Compiled());
  EXPECT_EQ(Show(p.Evaluate()), "Byte 0");  // now an event call without a handler
  reg->Add("TWICE", 1, [](TFuncCall& c) { *c.Result = VarMul(c.Arg(0), TValue::Integer(2)); });
  p.EvalObj().Invalidate();
  EXPECT_EQ(Show(p.Evaluate()), "Integer 8");
  reg.reset();
  EXPECT_EQ(p.RegFuncs(), nullptr);
  EXPECT_FALSE(p.EvalObj().Compiled());
}

TEST(Component, UserFunctionsTakeParametersAndCheckCount) {
  TEPUserLib lib;
  lib.AddFunction("Hyp", {"SQRTISH := %0 * %0 + %1 * %1;", "RESULT := SQRTISH;"});
  TExParser p;
  p.SetUserLib(&lib);
  p.ExpressionSetInPlace({"Hyp(3, 4) + 1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 26");
  p.ExpressionSetInPlace({"Hyp(3)"});
  EXPECT_THROW(p.Evaluate(), EFuncParamsError);
  // Changing the function's text reaches the formula that calls it.
  p.ExpressionSetInPlace({"Hyp(3, 4)"});
  p.Evaluate();
  lib.SetSource("Hyp", {"%0 - %1"});
  EXPECT_FALSE(p.EvalObj().Compiled());
  EXPECT_EQ(Show(p.Evaluate()), "Integer -1");
  EXPECT_THROW(lib.Rename("Hyp", "Other"), EMathParserError);
  EXPECT_THROW(lib.AddFunction("HYP", {"1"}), EBadName);
}

TEST(Component, UserFunctionsCallingEachOtherInACircleAreRefused) {
  TEPUserLib lib;
  lib.AddFunction("A", {"B(%0)"});
  lib.AddFunction("B", {"A(%0)"});
  TExParser p;
  p.SetUserLib(&lib);
  p.ExpressionSetInPlace({"A(1)"});
  try {
    p.Evaluate();
    FAIL();
  } catch (const EMathParserError& e) {
    EXPECT_EQ(std::string(e.Message()).rfind("Circular reference: ", 0), 0u) << e.Message();
  }
}

TEST(Component, AliasesAreExpandedAsWholeWordsOutsideStrings) {
  TEPUserLib lib;
  lib.AddAlias("RATE", {"0.05"});
  TExParser p;
  p.SetUserLib(&lib);
  p.ExpressionSetInPlace({"x := \"RATE\"; RESULT := 100 * RATE + RATEX;"});
  EXPECT_EQ(Show(p.Evaluate()), "Double 5");
}

TEST(Component, UserVariablesAreRecomputedBeforeEachRun) {
  TEPVars vars;
  TVariable* base = vars.Variables().Add("Base");
  base->SetValue(TValue::Integer(10));
  TVariable* twice = vars.Variables().Add("Twice");
  twice->SetExpression({"Base * 2"});
  twice->SetValueType(TVarValueType::vvExpression);
  TExParser p;
  p.SetUserVars(&vars);
  p.ExpressionSetInPlace({"Twice + 1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 21");
  base->SetValue(TValue::Integer(20));
  EXPECT_EQ(Show(p.Evaluate()), "Integer 41");
  EXPECT_EQ(p.ExternalVariables().Count(), 0u);
}

TEST(Component, VariableFormulaReadingItselfIsCircular) {
  TEPVars vars;
  TVariable* v = vars.Variables().Add("Me");
  v->SetExpression({"Me + 1"});
  v->SetValueType(TVarValueType::vvExpression);
  EXPECT_THROW(v->Value(), EMathParserError);
}

TEST(Component, VariableFormulaCallingUnknownNameIsSyntaxError) {
  TEPVars vars;
  TVariable* v = vars.Variables().Add("V");
  v->SetExpression({"1 + ABS(2)"});
  v->SetValueType(TVarValueType::vvExpression);
  try {
    v->Value();
    FAIL();
  } catch (const ESyntaxError& e) {
    EXPECT_EQ(e.Message(), "Syntax error in expression:\r\nABS(2)");
  }
}

TEST(Component, SetVariablesCopiesByNameAndRefusesBadNames) {
  TVarsList src;
  src.Add("Alpha")->SetValue(TValue::Integer(3));
  TExParser p;
  p.SetVariables(src);
  p.ExpressionSetInPlace({"alpha * 2"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 6");
  TVarsList bad;
  bad.Add("NOT");
  try {
    p.SetVariables(bad);
    FAIL();
  } catch (const EBadName& e) {
    EXPECT_EQ(e.Message(), "Invalid identifier name: NOT");
  }
}

TEST(Component, AssignmentCreatesLocalEvenWithExternals) {
  TExParser p;
  int asked = 0;
  p.OnVariable = [&](TCustomParser&, const std::string&, TValue&) { ++asked; };
  p.ExpressionSetInPlace({"y := 3; RESULT := y + 1;"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 4");
  EXPECT_EQ(asked, 0);
}

TEST(Component, NothingCompiledWhileLoadingGivesNull) {
  TExParser p;
  p.BeginLoad();
  p.SetExpression({"1 + 1"});
  EXPECT_EQ(Show(p.Evaluate()), "Null");
  p.EndLoad();
  EXPECT_EQ(Show(p.Evaluate()), "Integer 2");
}

TEST(Component, ReferencesResolveOrRaiseWrongComponent) {
  TExParser p;
  TValue field = TValue::Integer(7);
  p.SetReference("ds.qty", &field);
  p.ExpressionSetInPlace({"[ds.qty] * 2"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 14");
  p.ExpressionSetInPlace({"[nothere] + 1"});
  try {
    p.Evaluate();
    FAIL();
  } catch (const EMathParserError& e) {
    EXPECT_EQ(e.Message(), "Wrong component: nothere");
  }
}

TEST(Component, IndexReadAndWriteOnArrays) {
  TExParser p;
  p.OnVariable = [](TCustomParser&, const std::string&, TValue& r) {
    r = TValue::Array(1, {TValue::Integer(10), TValue::Integer(20)});
  };
  p.ExpressionSetInPlace({"b := arr; b[2] := 5; RESULT := b[1] + b[2];"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 15");
  p.ExpressionSetInPlace({"arr[3]"});
  EXPECT_THROW(p.Evaluate(), EVariantArrayError);
}

}  // namespace
