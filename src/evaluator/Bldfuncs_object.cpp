// Object functions, exception objects, ExecScript and the dataset group.
#include <exception>

#include "Bldfuncs_lib.h"
#include "ExClasses.h"
#include "Exeval.h"  // recursion: ExecScript compiles and runs a script

namespace jjgz::eval {

namespace {

// The class registry attached to the registry, or the base classes when none is.
const TEPCustomRegClasses& Classes(TEPRegFuncs& r) {
  static TEPCustomRegClasses base;
  return r.RegClasses() ? *r.RegClasses() : base;
}

[[noreturn]] void Fail(const char* msg) { throw EEvalError(msg); }

const TRegClass* ClassOf(TEPRegFuncs& r, const TScriptObject& o) {
  const TEPCustomRegClasses& cls = Classes(r);
  if (const TRegClass* c = cls.FindClass(o.ClassName())) return c;
  return const_cast<TScriptObject&>(o).Field("Message") ? cls.FindClass("Exception") : cls.FindClass("TObject");
}

int32_t HandleOf(const TValue& v) {
  try {
    return v.ToInteger();
  } catch (const EEvalError&) {
    return 0;
  }
}

TValue CallMember(TEPRegFuncs& r, const TRegClass* cls, const TRegMember* m, std::shared_ptr<TScriptObject> self,
                  int32_t handle, TFuncCall& c, int first) {
  TMethodCall mc;
  mc.Registry = &r;
  mc.Class = cls;
  mc.Self = std::move(self);
  mc.Handle = handle;
  for (int i = first; i < c.Count; ++i) mc.Args.push_back(c.Arg(i));
  return m->Call(mc);
}

// CreateObject(class, constructor, arguments...)
void FCreateObject(TFuncCall& c) {
  TEPRegFuncs& r = *static_cast<TEPRegFuncs*>(c.Registry);
  if (c.Count < 2 || !c.Arg(0).IsText()) Fail("Invalid class reference");
  const TRegClass* cls = Classes(r).FindClass(c.Arg(0).Text());
  if (!cls) Fail("Invalid class reference");
  const TRegMember* m = cls->FindMember(c.Arg(1).ToText());
  if (!m) Fail("Invalid object method");
  if (m->Kind != TMemberKind::Constructor) Fail("The object method is not constructor");
  *c.Result = CallMember(r, cls, m, nullptr, 0, c, 2);
}

// ExecObjMethod(object, member, arguments...): a method's result or a property's value.
// The object may also be a class named by text, for its constructors.
void FExecObjMethod(TFuncCall& c) {
  TEPRegFuncs& r = *static_cast<TEPRegFuncs*>(c.Registry);
  if (c.Count < 2) Fail("Invalid object method");
  std::string member = c.Arg(1).ToText();
  if (c.Arg(0).IsText()) {
    const TRegClass* cls = Classes(r).FindClass(c.Arg(0).Text());
    if (!cls) Fail("Invalid class reference");
    const TRegMember* m = cls->FindMember(member);
    if (!m) Fail("Invalid object method");
    if (m->Kind == TMemberKind::Property) Fail("Invalid object reference");
    *c.Result = CallMember(r, cls, m, nullptr, 0, c, 2);
    return;
  }
  std::shared_ptr<TScriptObject> obj = r.FindObject(c.Arg(0));
  if (!obj) Fail("Invalid object reference");
  const TRegClass* cls = ClassOf(r, *obj);
  const TRegMember* m = cls ? cls->FindMember(member) : nullptr;
  if (!m) Fail("Invalid object method");
  if (m->Kind == TMemberKind::Property) {
    if (!m->Get) Fail("The object property is not readable");
    *c.Result = m->Get(*obj);
    return;
  }
  *c.Result = CallMember(r, cls, m, obj, HandleOf(c.Arg(0)), c, 2);
}

// SetObjProp(object, property, value)
void FSetObjProp(TFuncCall& c) {
  TEPRegFuncs& r = *static_cast<TEPRegFuncs*>(c.Registry);
  if (c.Count < 3) Fail("Invalid object method");
  std::shared_ptr<TScriptObject> obj = r.FindObject(c.Arg(0));
  if (!obj) Fail("Invalid object reference");
  const TRegClass* cls = ClassOf(r, *obj);
  const TRegMember* m = cls ? cls->FindMember(c.Arg(1).ToText()) : nullptr;
  if (!m || m->Kind != TMemberKind::Property) Fail("Invalid object method");
  if (!m->Set) Fail("The object property is not writeable");
  m->Set(*obj, c.Arg(c.Count - 1));
  *c.Result = c.Arg(c.Count - 1);
}

// The owner of a script run by ExecScript: the registry and nothing else.
class TScriptOwner : public IParserOwner {
 public:
  explicit TScriptOwner(TEPRegFuncs* r) : r_(r) {}
  TVarsList* OwnerUserVars() override { return nullptr; }
  TFunctionRegistry* OwnerRegFuncs() override { return r_; }
  IUserLib* OwnerUserLib() override { return nullptr; }

 private:
  TEPRegFuncs* r_;
};

// ExecScript(text, arguments...): compiles the text in a fresh compiled object that
// uses this registry, passes the arguments as %0, %1, ... and returns its result.
void FExecScript(TFuncCall& c) {
  TEPRegFuncs& r = *static_cast<TEPRegFuncs*>(c.Registry);
  if (c.Count < 1) {
    *c.Result = TValue::Null();
    return;
  }
  if (r.ScriptDepth >= r.MaxScriptDepth) throw EMathParserError("Scripts nested too deeply");
  std::vector<TValue> params;
  for (int i = 1; i < c.Count; ++i) params.push_back(c.Arg(i));
  std::string text = c.Arg(0).ToText();
  TScriptOwner owner(&r);
  ++r.ScriptDepth;
  try {
    TEvalObj script(&owner, "ExecScript");
    script.SetLines(SplitLines(text));
    script.Prepare();
    *c.Result = script.Run(params.data(), params.size());
  } catch (EEvalError& e) {
    --r.ScriptDepth;
    // The calling formula reports the position of its own statement.
    e.Line = 0;
    e.Column = 0;
    throw;
  } catch (...) {
    --r.ScriptDepth;
    throw;
  }
  --r.ScriptDepth;
}

// Dataset group: a reference to anything but a dataset does nothing.
TScriptDataSet* DataSetOf(TFuncCall& c, std::shared_ptr<TScriptObject>& keep) {
  keep = static_cast<TEPRegFuncs*>(c.Registry)->FindObject(c.Arg(0));
  return dynamic_cast<TScriptDataSet*>(keep.get());
}
template <void (TScriptDataSet::*Fn)()>
void FDataSetMove(TFuncCall& c) {
  std::shared_ptr<TScriptObject> keep;
  if (TScriptDataSet* d = DataSetOf(c, keep)) (d->*Fn)();
}
void FDBof(TFuncCall& c) {
  std::shared_ptr<TScriptObject> keep;
  if (TScriptDataSet* d = DataSetOf(c, keep)) *c.Result = TValue::Integer(d->Bof() ? 1 : 0);
}
void FDEof(TFuncCall& c) {
  std::shared_ptr<TScriptObject> keep;
  if (TScriptDataSet* d = DataSetOf(c, keep)) *c.Result = TValue::Integer(d->Eof() ? 1 : 0);
}

void RegH(TEPRegFuncs& r, bool ifAbsent, const std::string& name, int n, TFuncCategory cat, const std::string& descr,
          TFuncHandler h) {
  if (ifAbsent && r.FindFunc(name)) return;
  r.RegisterRegHandled(name, n, cat, descr, std::move(h));
}

}  // namespace

// ExceptObject and RaiseExcept belong to the basic set.
void RegisterExceptFuncs(TEPRegFuncs& r, bool a) {
  TEPRegFuncs* reg = &r;
  if (!(a && r.FindFunc("ExceptObject")))
    r.RegisterNative("ExceptObject",
                     [reg](std::vector<TValue>&) {
                       std::exception_ptr ep = std::current_exception();
                       if (!ep) return TValue::Integer(0);
                       std::string cls, msg;
                       try {
                         std::rethrow_exception(ep);
                       } catch (const EEvalError& e) {
                         cls = e.ClassName();
                         msg = e.Message();
                       } catch (const std::exception& e) {
                         cls = "Exception";
                         msg = e.what();
                       } catch (...) {
                         return TValue::Integer(0);
                       }
                       auto obj = std::make_shared<TScriptObject>(cls);
                       obj->SetField("Message", TValue::String(msg));
                       obj->SetField("HelpContext", TValue::Integer(0));
                       return TValue::Integer(reg->AddObject(std::move(obj)));
                     },
                     fct_System, "the exception object being handled", TNativeType::Variant, {});
  if (!(a && r.FindFunc("RaiseExcept")))
    r.RegisterNative("RaiseExcept",
                     [reg](std::vector<TValue>& args) -> TValue {
                       std::shared_ptr<TScriptObject> obj = reg->FindObject(args[0]);
                       const TRegClass* cls = obj ? ClassOf(*reg, *obj) : nullptr;
                       if (!obj || !cls || !cls->InheritsFrom("Exception")) Fail("Invalid object reference");
                       TValue* m = obj->Field("Message");
                       throw EScriptException(obj->ClassName(), m ? m->ToText() : std::string());
                     },
                     fct_System, "raises the exception object given", TNativeType::Void, {TNativeType::Variant});
}

void RegisterObjectFuncs(TEPRegFuncs& r, bool a) {
  RegH(r, a, "CreateObject", -1, fct_Internal, "CreateObject(class, constructor, arguments...)", FCreateObject);
  RegH(r, a, "ExecObjMethod", -1, fct_Internal, "ExecObjMethod(object, method, arguments...)", FExecObjMethod);
  RegH(r, a, "SetObjProp", -1, fct_Internal, "SetObjProp(object, property, value)", FSetObjProp);
  RegH(r, a, "ExecScript", -1, fct_System, "ExecScript(text, arguments...): runs a script", FExecScript);
}

void RegisterDBFuncs(TEPRegFuncs& r, bool a) {
  RegH(r, a, "DOPEN", 1, fct_DBFunc, "opens the dataset", FDataSetMove<&TScriptDataSet::Open>);
  RegH(r, a, "DCLOSE", 1, fct_DBFunc, "closes the dataset", FDataSetMove<&TScriptDataSet::Close>);
  RegH(r, a, "DFIRST", 1, fct_DBFunc, "moves to the first record", FDataSetMove<&TScriptDataSet::First>);
  RegH(r, a, "DLAST", 1, fct_DBFunc, "moves to the last record", FDataSetMove<&TScriptDataSet::Last>);
  RegH(r, a, "DPRIOR", 1, fct_DBFunc, "moves to the prior record", FDataSetMove<&TScriptDataSet::Prior>);
  RegH(r, a, "DNEXT", 1, fct_DBFunc, "moves to the next record", FDataSetMove<&TScriptDataSet::Next>);
  RegH(r, a, "DBOF", 1, fct_DBFunc, "1 at the first record", FDBof);
  RegH(r, a, "DEOF", 1, fct_DBFunc, "1 at the last record", FDEof);
}

}  // namespace jjgz::eval
