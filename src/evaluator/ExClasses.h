// Class registry for the object functions: classes with their methods and
// properties that formulas may reach, and the objects formulas refer to.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "parstype.h"

namespace jjgz::eval {

class TEPRegFuncs;
class TRegClass;

// An object a formula can refer to. Its class is a class of the class registry
// (or none for host objects such as datasets, which the dataset group reaches).
class TScriptObject {
 public:
  explicit TScriptObject(std::string className) : className_(std::move(className)) {}
  virtual ~TScriptObject() = default;
  const std::string& ClassName() const { return className_; }
  // Published values of the object (Message, HelpContext of exceptions, ...).
  std::vector<std::pair<std::string, TValue>> Fields;
  TValue* Field(std::string_view name);
  void SetField(const std::string& name, TValue v);

 private:
  std::string className_;
};

// A dataset a formula can open, close and move through (dataset group).
class TScriptDataSet : public TScriptObject {
 public:
  TScriptDataSet() : TScriptObject("TDataSet") {}
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual void First() = 0;
  virtual void Last() = 0;
  virtual void Prior() = 0;
  virtual void Next() = 0;
  virtual bool Bof() const = 0;
  virtual bool Eof() const = 0;
};

// The exception a formula raises with RaiseExcept: it carries the class name of
// the exception object.
class EScriptException : public EEvalError {
 public:
  EScriptException(std::string className, std::string msg)
      : EEvalError(std::move(msg)), className_(std::move(className)) {}
  const char* ClassName() const override { return className_.c_str(); }

 private:
  std::string className_;
};

// What a method body sees.
struct TMethodCall {
  TEPRegFuncs* Registry = nullptr;
  const TRegClass* Class = nullptr;     // the class the call names
  std::shared_ptr<TScriptObject> Self;  // null for a call on the class itself
  int32_t Handle = 0;                   // the reference Self was reached by
  std::vector<TValue> Args;
};
using TMethodHandler = std::function<TValue(TMethodCall&)>;

enum class TMemberKind { Method, Constructor, Property };

struct TRegMember {
  std::string Name;
  TMemberKind Kind = TMemberKind::Method;
  TMethodHandler Call;                                     // methods and constructors
  std::function<TValue(TScriptObject&)> Get;               // readable property
  std::function<void(TScriptObject&, const TValue&)> Set;  // writeable property
};

class TRegClass {
 public:
  std::string Name;
  const TRegClass* Parent = nullptr;
  std::vector<TRegMember> Members;
  const TRegMember* FindMember(std::string_view name) const;  // searches the parents too
  bool InheritsFrom(std::string_view className) const;
};

// The class registry. Created with TObject, Exception and EScriptException.
class TEPCustomRegClasses {
 public:
  TEPCustomRegClasses();
  TEPCustomRegClasses(const TEPCustomRegClasses&) = delete;
  TEPCustomRegClasses& operator=(const TEPCustomRegClasses&) = delete;
  ~TEPCustomRegClasses();

  // Raises "Class already exists: " / "Parent class does not exist: ".
  TRegClass* RegisterClass(const std::string& name, const std::string& parent);
  // Raise "Class does not exist: " / "A class method with this name already exists: ".
  void RegisterMethod(const std::string& className, const std::string& name, TMethodHandler h);
  void RegisterConstructor(const std::string& className, const std::string& name, TMethodHandler h);
  void RegisterProperty(const std::string& className, const std::string& name,
                        std::function<TValue(TScriptObject&)> get,
                        std::function<void(TScriptObject&, const TValue&)> set);
  const TRegClass* FindClass(std::string_view name) const;
  size_t Count() const { return classes_.size(); }
  const TRegClass* At(size_t i) const { return classes_[i].get(); }

  // Registries that use this one forget it when it goes.
  std::vector<TEPRegFuncs*> Users;

 private:
  TRegMember& AddMember(const std::string& className, const std::string& name);
  std::vector<std::unique_ptr<TRegClass>> classes_;
};

}  // namespace jjgz::eval
