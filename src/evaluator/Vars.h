// User, local and external variables.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Exlink.h"
#include "parstype.h"

namespace jjgz::eval {

class TEvalObj;
class TEPVars;
class TFunctionRegistry;
class IUserLib;

enum class TVarValueType { vvValue, vvDBField, vvExpression, vvOnEvent };

class TVariable {
 public:
  explicit TVariable(std::string name, TEPVars* container = nullptr);
  TVariable(const TVariable&) = delete;
  TVariable& operator=(const TVariable&) = delete;
  ~TVariable();

  const std::string& VarName() const { return name_; }
  std::string Descr;
  TVarValueType ValueType() const { return valueType_; }
  void SetValueType(TVarValueType t);
  const std::vector<std::string>& Expression() const { return expression_; }
  void SetExpression(std::vector<std::string> lines);
  // Data-field binding; the host supplies the field value through FieldReader.
  std::string DataSource, DataField, ResultSource, ResultField;
  bool SaveResult = false;
  std::function<void(TVariable&, TValue&)> FieldReader;   // vvDBField
  std::function<void(TVariable&, TValue&)> ResultWriter;  // SaveResult
  std::function<void(TVariable&, TValue&)> OnCalcValue;   // vvOnEvent

  // The value cell that compiled operations read and write.
  TValue* Cell() { return &value_; }
  const TValue& Value();            // computes the value when it is stale
  void SetValue(const TValue& v) {  // stores and marks dependants stale
    value_ = v;
    Changed();
  }
  void MarkStale() { stale_ = true; }
  void Recalc();    // recomputes a computed variable into its cell
  void Changed() {  // the cell was written: dependants become stale
    if (!Link.UsedBy().empty()) Link.NotifyChanged(false);
  }
  void CopySettings(const TVariable& src);

  TExprLink Link;

 private:
  std::string name_;
  TEPVars* container_;
  TVarValueType valueType_ = TVarValueType::vvValue;
  std::vector<std::string> expression_;
  std::unique_ptr<TEvalObj> eval_;
  void* formulaOwner_ = nullptr;  // compile context of the variable's own formula
  TValue value_ = TValue::Byte(0);
  bool stale_ = true;
  bool computing_ = false;
};

// A list of variables sorted by name, case-insensitive, duplicates ignored.
class TVarsList {
 public:
  explicit TVarsList(TEPVars* container = nullptr) : container_(container) {}
  TVarsList(const TVarsList&) = delete;
  TVarsList& operator=(const TVarsList&) = delete;
  TVariable* Find(std::string_view name) const;
  TVariable* Add(const std::string& name);  // returns the existing one for a duplicate
  void Remove(std::string_view name);
  void Clear() { items_.clear(); }
  size_t Count() const { return items_.size(); }
  TVariable* At(size_t i) const { return items_[i].get(); }

 private:
  size_t LowerBound(std::string_view name) const;
  TEPVars* container_;
  std::vector<std::unique_ptr<TVariable>> items_;
};

// Container of user variables.
class TEPVars : public TFreeNotifier {
 public:
  TEPVars() : list_(this) {}
  TVarsList& Variables() { return list_; }
  std::string IniFile;
  TNotifyPtr<TFunctionRegistry> RegFuncs;  // none again when the registry goes away
  IUserLib* UserLib = nullptr;             // a TEPUserLib
  bool Loading = false;

 private:
  TVarsList list_;
};

}  // namespace jjgz::eval
