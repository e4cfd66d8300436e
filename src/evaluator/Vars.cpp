#include "Vars.h"

#include <algorithm>

#include "ExFuncs.h"
#include "Exeval.h"  // recursion: a computed variable compiles its formula on demand

namespace jjgz::eval {

namespace {
// Compile context of a variable's own formula: the container's variables, registry
// and library; no external variables and no function event.
class TVarFormulaOwner : public IParserOwner {
 public:
  explicit TVarFormulaOwner(TEPVars* c) : c_(c) {}
  TVarsList* OwnerUserVars() override { return c_ ? &c_->Variables() : nullptr; }
  TFunctionRegistry* OwnerRegFuncs() override { return c_ ? c_->RegFuncs.get() : nullptr; }
  IUserLib* OwnerUserLib() override { return c_ ? c_->UserLib : nullptr; }
  bool OwnerCompileAllowed() override { return !c_ || !c_->Loading; }

 private:
  TEPVars* c_;
};
}  // namespace

TVariable::TVariable(std::string name, TEPVars* container) : name_(std::move(name)), container_(container) {
  Link.NameFn = [this] { return name_; };
}

TVariable::~TVariable() {
  eval_.reset();
  delete static_cast<TVarFormulaOwner*>(formulaOwner_);
}

void TVariable::SetValueType(TVarValueType t) {
  if (t == valueType_) return;
  valueType_ = t;
  if (t == TVarValueType::vvExpression && !eval_) {
    formulaOwner_ = new TVarFormulaOwner(container_);
    eval_ = std::make_unique<TEvalObj>(static_cast<TVarFormulaOwner*>(formulaOwner_), name_);
    eval_->SetLines(expression_);
    eval_->Link.OnChanged = [this](bool structural) {
      if (structural) eval_->Invalidate();
      stale_ = true;
      Link.NotifyChanged(false);
    };
    Link.AddUse(&eval_->Link);
  }
  stale_ = true;
  Link.NotifyChanged(false);
}

void TVariable::SetExpression(std::vector<std::string> lines) {
  expression_ = std::move(lines);
  if (eval_) eval_->SetLines(expression_);
  stale_ = true;
  Link.NotifyChanged(false);
}

void TVariable::Recalc() {
  if (!stale_) return;
  if (computing_) throw EMathParserError("Circular reference: " + name_);
  computing_ = true;
  try {
    switch (valueType_) {
      case TVarValueType::vvValue:
        break;
      case TVarValueType::vvDBField:
        if (FieldReader) FieldReader(*this, value_);
        break;
      case TVarValueType::vvExpression:
        if (eval_) {
          eval_->Prepare();
          value_ = eval_->Run(nullptr, 0);
        }
        break;
      case TVarValueType::vvOnEvent:
        if (OnCalcValue) OnCalcValue(*this, value_);
        break;
    }
    if (SaveResult && ResultWriter) ResultWriter(*this, value_);
  } catch (...) {
    computing_ = false;
    throw;
  }
  computing_ = false;
  stale_ = valueType_ != TVarValueType::vvValue && valueType_ != TVarValueType::vvExpression;
}

const TValue& TVariable::Value() {
  Recalc();
  return value_;
}

void TVariable::CopySettings(const TVariable& src) {
  Descr = src.Descr;
  DataSource = src.DataSource;
  DataField = src.DataField;
  ResultSource = src.ResultSource;
  ResultField = src.ResultField;
  SaveResult = src.SaveResult;
  FieldReader = src.FieldReader;
  ResultWriter = src.ResultWriter;
  OnCalcValue = src.OnCalcValue;
  SetExpression(src.expression_);
  SetValueType(src.valueType_);
  value_ = src.value_;
  stale_ = true;
}

size_t TVarsList::LowerBound(std::string_view name) const {
  auto it = std::lower_bound(
      items_.begin(), items_.end(), name,
      [](const std::unique_ptr<TVariable>& v, std::string_view n) { return CompareText(v->VarName(), n) < 0; });
  return static_cast<size_t>(it - items_.begin());
}

TVariable* TVarsList::Find(std::string_view name) const {
  size_t i = LowerBound(name);
  if (i < items_.size() && CompareText(items_[i]->VarName(), name) == 0) return items_[i].get();
  return nullptr;
}

TVariable* TVarsList::Add(const std::string& name) {
  size_t i = LowerBound(name);
  if (i < items_.size() && CompareText(items_[i]->VarName(), name) == 0) return items_[i].get();
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(i), std::make_unique<TVariable>(name, container_));
  return items_[i].get();
}

void TVarsList::Remove(std::string_view name) {
  size_t i = LowerBound(name);
  if (i < items_.size() && CompareText(items_[i]->VarName(), name) == 0)
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

}  // namespace jjgz::eval
