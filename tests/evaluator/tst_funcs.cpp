// The function registry and its function groups.
#include <gtest/gtest.h>

#include "ExClasses.h"
#include "ExFuncs.h"
#include "evaltest.h"
#include "fstubgen.h"

namespace {

using namespace jjgz::eval;
using evaltest::Show;

// Evaluates a formula in a component with a registry attached.
std::string EvalF(TEPRegFuncs& reg, const std::string& formula, const std::map<std::string, TValue>& vars = {}) {
  return evaltest::Eval(formula, vars, &reg);
}

struct FCase {
  const char* formula;
  const char* expected;
};
std::ostream& operator<<(std::ostream& os, const FCase& c) { return os << c.formula; }

class FuncTable : public ::testing::TestWithParam<FCase> {};

TEST_P(FuncTable, KindAndValue) {
  TEPRegFuncs reg;
  std::map<std::string, TValue> vars{{"f0", TValue::Integer(0)},
                                     {"f5", TValue::Double(5)},
                                     {"d", TValue::Date(EncodeDate(2024, 2, 29) + 0.75)},
                                     {"s", TValue::String("Abc")}};
  EXPECT_EQ(EvalF(reg, GetParam().formula, vars), GetParam().expected);
}

const FCase kBasic[] = {
    // ROUND rounds halves away from zero, as Double.
    {"ROUND(2.5)", "Double 3"},
    {"ROUND(2.4)", "Double 2"},
    {"ROUND(-2.5)", "Double -3"},
    {"ROUND(-2.6)", "Double -3"},
    {"ROUND(3.5)", "Double 4"},
    {"ROUND(-2.4)", "Double -2"},
    {"ROUND(0.5)", "Double 1"},
    {"TRUNC(-2.7)", "Double -2"},
    {"INT(2.7)", "Double 2"},
    {"FRAC(-2.75)", "Double -0.75"},
    {"FLOOR(-2.7)", "Integer -3"},
    {"CEIL(2.1)", "Integer 3"},
    {"CEIL(-2.1)", "Integer -2"},
    {"FLOOR(3000000000)", "error ERangeError: Range check error"},
    {"SQR(3)", "Double 9"},
    {"SQRT(2.25)", "Double 1.5"},
    {"SQRT(-1)", "error EInvalidOp: Invalid floating point operation"},
    {"ABS(-4)", "Double 4"},
    {"SIGN(-3)", "ShortInt -1"},
    {"SIGN(0.5)", "Currency 1"},
    {"SIGN(0)", "Currency 0"},
    {"ZERO(0)", "Currency 0"},
    {"ZERO(f5)", "Currency 1"},
    {"RADIUS(3, 4)", "Double 5"},
    {"ARG(1, 1)", "Double 0.7853981633974483"},
    {"ARG(-1, 0)", "Double 3.141592653589793"},
    {"ARG(0, 2)", "Double 1.5707963267948966"},
    {"ARG(0, 0)", "Double -1.5707963267948966"},
    // Aggregates over values, with the kinds of the value arithmetic.
    {"AVG(1, 2)", "Double 1.5"},
    {"AVG()", "Byte 0"},
    {"SUM(1, 2)", "Integer 3"},
    {"SUM()", "Byte 0"},
    {"SUM(1, 2.5)", "Double 3.5"},
    {"SUM(f0 > 1, 2)", "Currency 2"},
    {"PROD()", "Byte 0"},
    {"PROD(2, 3)", "Integer 6"},
    {"PROD(2, 1.5)", "Double 3"},
    {"MAX()", "Byte 0"},
    {"MIN()", "Byte 0"},
    {"MAX(1, 7.5, 3)", "Double 7.5"},
    {"MIN(4, 2, 3)", "Integer 2"},
    {"MAX(\"b\", \"a\")", "String b"},
    {"POWER(2, 0.5)", "Double 1.4142135623730951"},
    {"POWER(-8, 0.5)", "error EInvalidOp: Invalid floating point operation"},
    {"POWER(0, -1)", "error EZeroDivide: Floating point division by zero"},
    {"IPOWER(2, 3.9)", "Double 8"},
    {"IPOWER(2, -2)", "Double 0.25"},
    // IIF computes all three arguments first.
    {"IIF(f0 > 0, 100 / f0, 0)", "error EZeroDivide: Floating point division by zero"},
    {"IIF(f5 > 0, 100 / f5, 0)", "Double 20"},
    {"IIF(0, 1, \"no\")", "String no"},
    {"IIF(NULL, 1, 2)", "Integer 1"},
    {"SETOF(0, 3, 33)", "Integer 11"},
    {"a := 9; b := 9; DECLARESET(a, b); RESULT := a * 10 + b;", "Integer 1"},
    {"x := 5; y := DEC(x); RESULT := x * 10 + y;", "Integer 44"},
    {"x := 1.5; INC(x); RESULT := x;", "Double 2.5"},
    {"SUM(1, 2", "error EMissMatchingBracket: Missing brackets in expression. Expression: SUM(1, 2"},
    {"ROUND(1, 2)", "error EFuncParamsError: Arguments mismatching ROUND(1, 2)"},
    {"round(2.5) + Round(0.5)", "Double 4"},
};
INSTANTIATE_TEST_SUITE_P(Basic, FuncTable, ::testing::ValuesIn(kBasic));

const FCase kMathDate[] = {
    {"EXP(0)", "Double 1"},
    {"LN(1)", "Double 0"},
    {"LG(1000)", "Double 3"},
    {"LOG(8)", "Double 3"},
    {"LN(0)", "error EZeroDivide: Floating point division by zero"},
    {"LG(-1)", "error EInvalidOp: Invalid floating point operation"},
    {"EXP(1000)", "error EOverflow: Floating point overflow"},
    {"SIN(0)", "Double 0"},
    {"COS(0)", "Double 1"},
    {"TAN(0)", "Double 0"},
    {"COTAN(0)", "error EZeroDivide: Floating point division by zero"},
    {"ASIN(1)", "Double 1.5707963267948966"},
    {"ACOS(2)", "error EInvalidOp: Invalid floating point operation"},
    {"ATAN(1) * 4", "Double 3.141592653589793"},
    {"SINH(0) + COSH(0) + TANH(0)", "Double 1"},
    {"ENCODEDATE(2024, 2, 29)", "Date 2024-02-29"},
    {"ENCODEDATE(2023, 2, 29)", "error EConvertError: Invalid argument to date encode"},
    {"DAYOFWEEK(ENCODEDATE(2024, 6, 2))", "Word 1"},
    {"DAYOFWEEK(ENCODEDATE(2024, 6, 8))", "Word 7"},
    {"DAYOFWEEK(ENCODEDATE(1899, 12, 30))", "Word 7"},
    {"DAYOFWEEK(ENCODEDATE(1800, 1, 1))", "Word 4"},
    {"DAYOFWEEK(1E300)", "error EInvalidOp: Invalid floating point operation"},
    {"EXTRACTYEAR(d)", "Word 2024"},
    {"EXTRACTMONTH(d)", "Word 2"},
    {"EXTRACTDAY(d)", "Word 29"},
    {"DecodeDate(d, y, m, dd); RESULT := y * 10000 + m * 100 + dd;",
     "Int64 20240229"},  // Word values: 64-bit arithmetic
    {"DecodeTime(d, h, n, s, z); RESULT := h * 100 + n;", "Int64 1800"},
    {"x := d; ReplaceDate(x, ENCODEDATE(2000, 1, 1)); RESULT := x;", "Date 2000-01-01 18:00:00"},
    {"x := d; ReplaceTime(x, EncodeTime(6, 30, 0, 0)); RESULT := x;", "Date 2024-02-29 06:30:00"},
    {"EncodeTime(25, 0, 0, 0)", "error EConvertError: Invalid argument to time encode"},
    {"IncMonth(ENCODEDATE(2024, 1, 31), 1)", "Date 2024-02-29"},
    {"IncMonth(ENCODEDATE(2024, 3, 31), -13)", "Date 2023-02-28"},
    {"IsLeapYear(1900)", "Boolean False"},
    {"IsLeapYear(2000)", "Boolean True"},
    {"DATE() = TRUNC(Now())", "Currency 1"},
    {"Time() < 1", "Currency 1"},
};
INSTANTIATE_TEST_SUITE_P(MathDate, FuncTable, ::testing::ValuesIn(kMathDate));

// ---------------------------------------------------------------------------
// The registry

TEST(Registry, DefaultsAndOrder) {
  TEPRegFuncs reg;
  EXPECT_TRUE(reg.DateFuncs() && reg.DBFuncs() && reg.ExpLogarithmFuncs() && reg.TrigonomFuncs() &&
              reg.VariantAndStringFuncs() && reg.ConvertFuncs() && reg.FileFuncs() && reg.SystemFuncs());
  EXPECT_EQ(reg.RegClasses(), nullptr);
  for (size_t i = 1; i < reg.Count(); ++i)
    EXPECT_LT(CompareText(reg.At(i - 1)->Name, reg.At(i)->Name), 0) << reg.At(i)->Name;
  ASSERT_NE(reg.FindFunc("round"), nullptr);
  EXPECT_EQ(reg.FindFunc("Round")->Category, fct_Arithm);
  EXPECT_EQ(reg.FindFunc("IIF")->Category, fct_Logical);
  EXPECT_EQ(reg.FindFunc("avg")->ArgCount, -1);
  EXPECT_EQ(reg.FindFunc("ExecScript")->Kind, TFuncKind::RegistryHandled);
  EXPECT_EQ(reg.FindFunc("IsLeapYear")->Kind, TFuncKind::Native);
}

TEST(Registry, DuplicateRefusedWithoutRegardToCase) {
  TEPRegFuncs reg;
  reg.RegisterFunc(
      "Bonus", [](TFuncCall& c) { *c.Result = TValue::Integer(1); }, fct_Custom, "", 0);
  try {
    reg.RegisterFunc(
        "BONUS", [](TFuncCall&) {}, fct_Custom, "", 0);
    FAIL() << "duplicate accepted";
  } catch (const EBadName& e) {
    EXPECT_EQ(e.Message(), "Duplicated identifier. Registered function: BONUS");
  }
  EXPECT_THROW(reg.RegisterFunc(
                   "sqr", [](TFuncCall&) {}, fct_Custom, "", 1),
               EBadName);
  EXPECT_THROW(reg.RegisterRegHandled("Abs", 1, fct_Custom, "", [](TFuncCall&) {}), EBadName);
  EXPECT_EQ(reg.RegisterFuncIfAbsent(
                "bonus", [](TFuncCall&) {}, fct_Custom, "", 0),
            nullptr);
  EXPECT_EQ(EvalF(reg, "bonus()"), "Integer 1");
  reg.RegisterFunc(
      "Other", [](TFuncCall&) {}, fct_Custom, "", 0);
  try {
    reg.RenameFunc("Other", "bOnUs");
    FAIL() << "rename onto an existing name accepted";
  } catch (const EBadName& e) {
    EXPECT_EQ(e.Message(), "Duplicated identifier. Registered function: bOnUs");
  }
}

TEST(Registry, InvalidNames) {
  TEPRegFuncs reg;
  for (const char* bad : {"", "1abc", "a-b", "a b"}) {
    try {
      reg.RegisterRegHandled(bad, 0, fct_Custom, "", [](TFuncCall&) {});
      FAIL() << bad;
    } catch (const EBadName& e) {
      EXPECT_EQ(e.Message(), std::string("Invalid identifier name: ") + bad);
    }
  }
}

TEST(Registry, NativeAdaptorConvertsAndRefusesTypes) {
  TEPRegFuncs reg;
  int32_t (*twice)(int32_t) = [](int32_t x) { return x * 2; };
  RegisterNativeFn(reg, "Twice", twice, fct_Custom, "");
  EXPECT_EQ(reg.FindFunc("Twice")->ArgCount, 1);
  EXPECT_EQ(EvalF(reg, "Twice(2.5)"), "Integer 4");  // converted to Integer, ties to even
  EXPECT_EQ(EvalF(reg, "Twice(\"21\")"), "Integer 42");
  EXPECT_EQ(EvalF(reg, "Twice(NULL)"),
            "error EVariantTypeCastError: Could not convert variant of type (Null) into type (Integer)");
  int (*withPtr)(int*) = [](int*) { return 0; };
  try {
    RegisterNativeFn(reg, "P", withPtr, fct_Custom, "");
    FAIL();
  } catch (const EEvalError& e) {
    EXPECT_EQ(e.Message(), "Invalid parameter types in registered function");
  }
  try {
    reg.RegisterNative("Q", [](std::vector<TValue>&) { return TValue(); }, fct_Custom, "", TNativeType::Record, {});
    FAIL();
  } catch (const EEvalError& e) {
    EXPECT_EQ(e.Message(), "Invalid result type in registered function");
  }
  EXPECT_EQ(reg.FindFunc("P"), nullptr);
}

// Switching DateFuncs off removes DATE and its group; formulas calling them are
// invalidated at once.
TEST(Registry, SwitchingAGroupOffInvalidates) {
  TEPRegFuncs reg;
  TEPUserLib userLib;
  userLib.RegFuncs = &reg;
  userLib.AddFunction("Today", {"DATE()"});
  TExParser p;
  p.SetRegFuncs(&reg);
  p.SetUserLib(&userLib);
  int invalidated = 0;
  p.OnInvalidated = [&](TEvalObj&) { ++invalidated; };
  p.ExpressionSetInPlace({"EXTRACTYEAR(DATE()) > 2000"});
  EXPECT_EQ(Show(p.Evaluate()), "Currency 1");
  EXPECT_TRUE(p.EvalObj().Compiled());
  TEvalObj* today = userLib.FindFunc("Today");
  today->Prepare();
  ASSERT_TRUE(today->Compiled());

  reg.SetDateFuncs(false);
  EXPECT_FALSE(reg.DateFuncs());
  EXPECT_FALSE(p.EvalObj().Compiled());
  EXPECT_EQ(invalidated, 1);
  EXPECT_FALSE(today->Compiled());
  for (const char* n : {"DATE", "ENCODEDATE", "DecodeTime", "Now", "IsLeapYear"})
    EXPECT_EQ(reg.FindFunc(n), nullptr) << n;
  EXPECT_NE(reg.FindFunc("ROUND"), nullptr);
  // A user function's formula has no function event: DATE is now a syntax error.
  try {
    today->Prepare();
    FAIL();
  } catch (const ESyntaxError& e) {
    EXPECT_EQ(e.Message(), "Syntax error in expression:\r\nDATE()");
  }
  // In the component the name falls back to the function event (Byte 0 without a handler).
  EXPECT_EQ(Show(p.Evaluate()), "Currency 0");

  reg.SetDateFuncs(true);
  EXPECT_NE(reg.FindFunc("DATE"), nullptr);
  today->Prepare();
  EXPECT_TRUE(today->Compiled());
}

TEST(Registry, GroupsSwitchedOffWhileLoadingGoAfterLoading) {
  TEPRegFuncs reg;
  reg.BeginLoad();
  reg.SetTrigonomFuncs(false);
  reg.SetFileFuncs(false);
  EXPECT_NE(reg.FindFunc("SIN"), nullptr);  // only recorded while loading
  reg.EndLoad();
  EXPECT_EQ(reg.FindFunc("SIN"), nullptr);
  EXPECT_EQ(reg.FindFunc("COTAN"), nullptr);
  EXPECT_NE(reg.FindFunc("EXP"), nullptr);
  size_t n = reg.Count();
  reg.SetTrigonomFuncs(false);  // the value it has: nothing happens
  EXPECT_EQ(reg.Count(), n);
  reg.SetTrigonomFuncs(true);
  EXPECT_EQ(reg.Count(), n + 10);
}

TEST(Registry, ReEnablingKeepsAFunctionOfTheSameName) {
  TEPRegFuncs reg;
  reg.SetExpLogarithmFuncs(false);
  reg.RegisterFunc(
      "ln", [](TFuncCall& c) { *c.Result = TValue::Integer(7); }, fct_Custom, "", 1);
  reg.SetExpLogarithmFuncs(true);
  EXPECT_EQ(EvalF(reg, "LN(1)"), "Integer 7");
  EXPECT_EQ(EvalF(reg, "EXP(0)"), "Double 1");
}

TEST(Registry, DetachingOrDestroyingInvalidates) {
  auto reg = std::make_unique<TEPRegFuncs>();
  TExParser p;
  p.SetRegFuncs(reg.get());
  p.ExpressionSetInPlace({"ROUND(2.5)"});
  EXPECT_EQ(Show(p.Evaluate()), "Double 3");
  p.SetRegFuncs(nullptr);
  EXPECT_FALSE(p.EvalObj().Compiled());
  EXPECT_EQ(Show(p.Evaluate()), "Byte 0");  // now a call of the function event
  p.SetRegFuncs(reg.get());
  EXPECT_EQ(Show(p.Evaluate()), "Double 3");
  reg.reset();
  EXPECT_EQ(p.RegFuncs(), nullptr);
  EXPECT_FALSE(p.EvalObj().Compiled());
  EXPECT_EQ(Show(p.Evaluate()), "Byte 0");
}

TEST(Registry, RemovingOrRenamingAFunctionReachesItsFormulas) {
  TEPRegFuncs reg;
  reg.RegisterFunc(
      "Bonus", [](TFuncCall& c) { *c.Result = TValue::Integer(5); }, fct_Custom, "", 0);
  TExParser p;
  p.SetRegFuncs(&reg);
  p.ExpressionSetInPlace({"Bonus() + 1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 6");
  reg.RenameFunc("bonus", "Premium");
  EXPECT_FALSE(p.EvalObj().Compiled());
  EXPECT_EQ(Show(p.Evaluate()), "Integer 1");
  p.ExpressionSetInPlace({"Premium() + 1"});
  EXPECT_EQ(Show(p.Evaluate()), "Integer 6");
  reg.RemoveFunc("PREMIUM");
  EXPECT_FALSE(p.EvalObj().Compiled());
  EXPECT_EQ(reg.FindFunc("Premium"), nullptr);
}

TEST(Registry, EventFunctions) {
  TEPRegFuncs reg;
  TEPEventFunc* f = reg.AddEventFunc("Piece", [](std::vector<TValue>& params) {
    TValue s = TValue::Byte(0);
    for (auto& v : params) s = VarAdd(s, v);
    return VarMul(s, TValue::Integer(int32_t(params.size())));
  });
  EXPECT_EQ(f->RegisteredName(), "Piece");
  EXPECT_EQ(EvalF(reg, "Piece(1, 2, 3)"), "Integer 18");
  // A taken name gets a number.
  TEPEventFunc* g = reg.AddEventFunc("ROUND");
  EXPECT_EQ(g->RegisteredName(), "ROUND1");
  EXPECT_EQ(EvalF(reg, "ROUND1(7)"), "Byte 0");  // no handler assigned
  EXPECT_EQ(EvalF(reg, "ROUND(2.5)"), "Double 3");
  f->SetFuncName("Lot");
  EXPECT_EQ(reg.FindFunc("Piece"), nullptr);
  EXPECT_EQ(EvalF(reg, "Lot(4)"), "Integer 4");
  reg.RemoveEventFunc(f);
  EXPECT_EQ(reg.FindFunc("Lot"), nullptr);
}

// ---------------------------------------------------------------------------
// Class registry and object functions

TEST(Classes, RegistrationMessages) {
  TEPCustomRegClasses cls;
  ASSERT_NE(cls.FindClass("TObject"), nullptr);
  ASSERT_NE(cls.FindClass("exception"), nullptr);
  ASSERT_NE(cls.FindClass("EScriptException"), nullptr);
  EXPECT_TRUE(cls.FindClass("EScriptException")->InheritsFrom("TObject"));
  auto msg = [](auto fn) {
    try {
      fn();
    } catch (const EEvalError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  auto none = [](TMethodCall&) { return TValue(); };
  EXPECT_EQ(msg([&] { cls.RegisterMethod("TWorker", "Pay", none); }), "Class does not exist: TWorker");
  EXPECT_EQ(msg([&] { cls.RegisterMethod("Exception", "message", none); }),
            "A class method with this name already exists: message");
  EXPECT_EQ(msg([&] { cls.RegisterClass("exception", "TObject"); }), "Class already exists: exception");
  EXPECT_EQ(msg([&] { cls.RegisterClass("TWorker", "TPerson"); }), "Parent class does not exist: TPerson");
  cls.RegisterClass("TWorker", "TObject");
  EXPECT_EQ(msg([&] { cls.RegisterMethod("TWorker", "Free", none); }), "no error");  // own member
}

TEST(Classes, ObjectFunctions) {
  TEPRegFuncs reg;
  TEPCustomRegClasses cls;
  reg.SetRegClasses(&cls);
  cls.RegisterClass("TCounter", "TObject");
  cls.RegisterProperty(
      "TCounter", "Count",
      [](TScriptObject& o) {
        TValue* f = o.Field("Count");
        return f ? *f : TValue::Integer(0);
      },
      [](TScriptObject& o, const TValue& v) { o.SetField("Count", TValue::Integer(v.ToInteger())); });
  cls.RegisterProperty("TCounter", "Secret", nullptr, [](TScriptObject&, const TValue&) {});
  cls.RegisterMethod("TCounter", "Add", [](TMethodCall& m) {
    TValue* f = m.Self->Field("Count");
    int32_t n = (f ? f->ToInteger() : 0) + m.Args.at(0).ToInteger();
    m.Self->SetField("Count", TValue::Integer(n));
    return TValue::Integer(n);
  });
  EXPECT_EQ(EvalF(reg,
                  "o := CreateObject(\"TCounter\", \"Create\"); o.Count := 4; o.Add(3); "
                  "RESULT := o.Count;"),
            "Integer 7");
  EXPECT_EQ(EvalF(reg, "o := CreateObject(\"TCounter\", \"Create\"); RESULT := o.ClassName;"), "String TCounter");
  EXPECT_EQ(EvalF(reg, "CreateObject(\"TNothing\", \"Create\")"), "error Exception: Invalid class reference");
  EXPECT_EQ(EvalF(reg, "CreateObject(\"TCounter\", \"Add\")"), "error Exception: The object method is not constructor");
  EXPECT_EQ(EvalF(reg, "CreateObject(\"TCounter\", \"Make\")"), "error Exception: Invalid object method");
  EXPECT_EQ(EvalF(reg, "o := 12345; RESULT := o.Count;"), "error Exception: Invalid object reference");
  EXPECT_EQ(EvalF(reg, "o := CreateObject(\"TCounter\", \"Create\"); RESULT := o.Secret;"),
            "error Exception: The object property is not readable");
  EXPECT_EQ(EvalF(reg, "o := CreateObject(\"TCounter\", \"Create\"); o.ClassName := 1;"),
            "error Exception: Invalid object method");
  EXPECT_EQ(EvalF(reg,
                  "o := CreateObject(\"Exception\", \"Create\", \"x\"); o.HelpContext := 3; "
                  "RESULT := o.HelpContext;"),
            "Integer 3");
  // Free forgets the object: the reference names nothing afterwards.
  EXPECT_EQ(EvalF(reg, "o := CreateObject(\"TCounter\", \"Create\"); o.Free; RESULT := o.Count;"),
            "error Exception: Invalid object reference");
}

TEST(Classes, ExceptionObjects) {
  TEPRegFuncs reg;  // no class registry attached: the base classes serve
  EXPECT_EQ(EvalF(reg, "TRY x := 1 DIV 0; EXCEPT e := ExceptObject(); RESULT := e.Message; END;"),
            "String Division by zero");
  EXPECT_EQ(EvalF(reg, "TRY x := 1 DIV 0; EXCEPT e := ExceptObject(); RESULT := e.ClassName; END;"),
            "String EDivByZero");
  EXPECT_EQ(EvalF(reg, "ExceptObject()"), "Integer 0");
  EXPECT_EQ(EvalF(reg, "RaiseExcept(CreateObject(\"EScriptException\", \"Create\", \"wage too high\"))"),
            "error EScriptException: wage too high");
  EXPECT_EQ(EvalF(reg, "RaiseExcept(CreateObject(\"TObject\", \"Create\"))"),
            "error Exception: Invalid object reference");
  EXPECT_EQ(EvalF(reg,
                  "TRY RaiseExcept(CreateObject(\"Exception\", \"CreateHelp\", \"m\", 7)); "
                  "EXCEPT RESULT := ExceptObject().Message; END;"),
            "String m");
}

TEST(ExecScript, CompilesWithTheRegistryAndPassesParameters) {
  TEPRegFuncs reg;
  EXPECT_EQ(EvalF(reg, "ExecScript(\"%0 * 2 + %1\", 5, 1)"), "Integer 11");
  EXPECT_EQ(EvalF(reg, "ExecScript(\"ROUND(%0)\", 2.5)"), "Double 3");
  EXPECT_EQ(EvalF(reg, "ExecScript(\"x := 0; FOR i := 1 TO %0 DO x := x + i; RESULT := x;\", 4)"), "Double 10");
  EXPECT_EQ(EvalF(reg, "ExecScript(\"1 +\")"), "error ESyntaxError: Syntax error in expression:\r\n1 +");
  EXPECT_EQ(EvalF(reg, "ExecScript(\"ExecScript(%0, %0)\", \"ExecScript(%0, %0)\")"),
            "error EMathParserError: Scripts nested too deeply");
  EXPECT_EQ(EvalF(reg, "ExecScript(\"unknownName + 1\")"),
            "error ESyntaxError: Syntax error in expression:\r\nunknownName");
}

// A dataset the host hands the formula by reference.
class FakeDataSet : public TScriptDataSet {
 public:
  int Rec = 0, Count = 3;
  bool Active = false;
  void Open() override {
    Active = true;
    Rec = 0;
  }
  void Close() override { Active = false; }
  void First() override { Rec = 0; }
  void Last() override { Rec = Count - 1; }
  void Prior() override {
    if (Rec > 0) --Rec;
  }
  void Next() override {
    if (Rec < Count - 1) ++Rec;
  }
  bool Bof() const override { return Rec == 0; }
  bool Eof() const override { return Rec == Count - 1; }
};

TEST(DataSets, MoveThroughAReferencedDataSetAndIgnoreAnythingElse) {
  TEPRegFuncs reg;
  auto ds = std::make_shared<FakeDataSet>();
  TValue ref = TValue::Integer(reg.AddObject(ds));
  TValue notDs = TValue::Integer(reg.AddObject(std::make_shared<TScriptObject>("TObject")));
  TExParser p;
  p.SetRegFuncs(&reg);
  p.SetReference("Table1", &ref);
  p.SetReference("Other", &notDs);
  auto run = [&](const std::string& f) {
    p.ExpressionSetInPlace(SplitLines(f));
    try {
      return Show(p.Evaluate());
    } catch (const EEvalError& e) {
      return std::string("error ") + e.Message();
    }
  };
  EXPECT_EQ(run("DOPEN([Table1])"), "Byte 0");
  EXPECT_TRUE(ds->Active);
  EXPECT_EQ(run("DBOF([Table1])"), "Integer 1");
  EXPECT_EQ(run("n := 0; WHILE DEOF([Table1]) = 0 DO BEGIN DNEXT([Table1]); n := n + 1; END; RESULT := n;"),
            "Integer 2");
  EXPECT_EQ(run("DPRIOR([Table1]); RESULT := DBOF([Table1]);"), "Integer 0");
  run("DFIRST([Table1])");
  EXPECT_EQ(ds->Rec, 0);
  run("DLAST([Table1])");
  EXPECT_EQ(ds->Rec, 2);
  run("DCLOSE([Table1])");
  EXPECT_FALSE(ds->Active);
  EXPECT_EQ(run("DEOF([Other])"), "Byte 0");
  EXPECT_EQ(run("DEOF(42)"), "Byte 0");
  EXPECT_EQ(run("DBOF(\"text\")"), "Byte 0");
}

}  // namespace

// A user library or variable container that refers to a registry lets go of it when the
// registry goes away, instead of compiling later against freed memory.
TEST(Registry, CompanionsForgetADestroyedRegistry) {
  TEPUserLib userLib;
  TEPVars vars;
  {
    TEPRegFuncs reg;
    userLib.RegFuncs = &reg;
    vars.RegFuncs = &reg;
    EXPECT_EQ(userLib.RegFuncs.get(), &reg);
  }
  EXPECT_EQ(userLib.RegFuncs.get(), nullptr);
  EXPECT_EQ(vars.RegFuncs.get(), nullptr);
  userLib.AddFunction("Two", {"1+1"});
  TEvalObj* two = userLib.FindFunc("Two");
  ASSERT_NE(two, nullptr);
  two->Prepare();
  EXPECT_TRUE(two->Compiled());
  // And one that goes first unhooks itself from the registry.
  TEPRegFuncs reg;
  {
    TEPUserLib shortLived;
    shortLived.RegFuncs = &reg;
  }
}
