#include "ExClasses.h"

#include <algorithm>

#include "ExFuncs.h"

namespace jjgz::eval {

TValue* TScriptObject::Field(std::string_view name) {
  for (auto& f : Fields)
    if (SameText(f.first, name)) return &f.second;
  return nullptr;
}

void TScriptObject::SetField(const std::string& name, TValue v) {
  if (TValue* f = Field(name))
    *f = std::move(v);
  else
    Fields.emplace_back(name, std::move(v));
}

const TRegMember* TRegClass::FindMember(std::string_view name) const {
  for (const TRegClass* c = this; c; c = c->Parent)
    for (const TRegMember& m : c->Members)
      if (SameText(m.Name, name)) return &m;
  return nullptr;
}

bool TRegClass::InheritsFrom(std::string_view className) const {
  for (const TRegClass* c = this; c; c = c->Parent)
    if (SameText(c->Name, className)) return true;
  return false;
}

namespace {

// Creates an object of the class the call names; exceptions take their message
// and help context from the arguments.
TValue Construct(TMethodCall& m, bool withHelp) {
  auto obj = std::make_shared<TScriptObject>(m.Class->Name);
  if (m.Class->InheritsFrom("Exception")) {
    obj->SetField("Message", TValue::String(m.Args.empty() ? std::string() : m.Args[0].ToText()));
    obj->SetField("HelpContext", TValue::Integer(withHelp && m.Args.size() > 1 ? m.Args[1].ToInteger() : 0));
  }
  return TValue::Integer(m.Registry->AddObject(std::move(obj)));
}

TValue FieldOf(TScriptObject& o, const char* name) {
  TValue* f = o.Field(name);
  return f ? *f : TValue();
}

}  // namespace

TEPCustomRegClasses::TEPCustomRegClasses() {
  RegisterClass("TObject", "");
  RegisterConstructor("TObject", "Create", [](TMethodCall& m) { return Construct(m, false); });
  RegisterMethod("TObject", "ClassType",
                 [](TMethodCall& m) { return TValue::String(m.Self ? m.Self->ClassName() : m.Class->Name); });
  RegisterMethod("TObject", "ClassName",
                 [](TMethodCall& m) { return TValue::String(m.Self ? m.Self->ClassName() : m.Class->Name); });
  RegisterMethod("TObject", "Free", [](TMethodCall& m) {
    if (m.Self) m.Registry->RemoveObject(m.Handle);
    return TValue::Byte(0);
  });
  RegisterClass("Exception", "TObject");
  RegisterConstructor("Exception", "CreateHelp", [](TMethodCall& m) { return Construct(m, true); });
  RegisterConstructor("Exception", "CreateRes", [](TMethodCall& m) { return Construct(m, false); });
  RegisterConstructor("Exception", "CreateResHelp", [](TMethodCall& m) { return Construct(m, true); });
  RegisterProperty(
      "Exception", "Message", [](TScriptObject& o) { return FieldOf(o, "Message"); },
      [](TScriptObject& o, const TValue& v) { o.SetField("Message", TValue::String(v.ToText())); });
  RegisterProperty(
      "Exception", "HelpContext", [](TScriptObject& o) { return FieldOf(o, "HelpContext"); },
      [](TScriptObject& o, const TValue& v) { o.SetField("HelpContext", TValue::Integer(v.ToInteger())); });
  RegisterClass("EScriptException", "Exception");
}

TEPCustomRegClasses::~TEPCustomRegClasses() {
  std::vector<TEPRegFuncs*> users = Users;
  for (TEPRegFuncs* r : users) r->SetRegClasses(nullptr);
}

const TRegClass* TEPCustomRegClasses::FindClass(std::string_view name) const {
  for (auto& c : classes_)
    if (SameText(c->Name, name)) return c.get();
  return nullptr;
}

TRegClass* TEPCustomRegClasses::RegisterClass(const std::string& name, const std::string& parent) {
  if (FindClass(name)) throw EEvalError("Class already exists: " + name);
  const TRegClass* p = nullptr;
  if (!parent.empty() && !(p = FindClass(parent))) throw EEvalError("Parent class does not exist: " + parent);
  auto c = std::make_unique<TRegClass>();
  c->Name = name;
  c->Parent = p;
  classes_.push_back(std::move(c));
  return classes_.back().get();
}

TRegMember& TEPCustomRegClasses::AddMember(const std::string& className, const std::string& name) {
  const TRegClass* cc = FindClass(className);
  if (!cc) throw EEvalError("Class does not exist: " + className);
  TRegClass* c = const_cast<TRegClass*>(cc);
  for (const TRegMember& m : c->Members)
    if (SameText(m.Name, name)) throw EEvalError("A class method with this name already exists: " + name);
  c->Members.emplace_back();
  c->Members.back().Name = name;
  return c->Members.back();
}

void TEPCustomRegClasses::RegisterMethod(const std::string& className, const std::string& name, TMethodHandler h) {
  TRegMember& m = AddMember(className, name);
  m.Kind = TMemberKind::Method;
  m.Call = std::move(h);
}

void TEPCustomRegClasses::RegisterConstructor(const std::string& className, const std::string& name, TMethodHandler h) {
  TRegMember& m = AddMember(className, name);
  m.Kind = TMemberKind::Constructor;
  m.Call = std::move(h);
}

void TEPCustomRegClasses::RegisterProperty(const std::string& className, const std::string& name,
                                           std::function<TValue(TScriptObject&)> get,
                                           std::function<void(TScriptObject&, const TValue&)> set) {
  TRegMember& m = AddMember(className, name);
  m.Kind = TMemberKind::Property;
  m.Get = std::move(get);
  m.Set = std::move(set);
}

// Defined here, beside the list of users it keeps, so that the registry needs
// nothing of the class registry but its name.
void TEPRegFuncs::SetRegClasses(TEPCustomRegClasses* c) {
  if (c == regClasses_) return;
  if (regClasses_) {
    auto& u = regClasses_->Users;
    u.erase(std::remove(u.begin(), u.end(), this), u.end());
  }
  regClasses_ = c;
  if (c) c->Users.push_back(this);
}

}  // namespace jjgz::eval
