#include "ExFuncs.h"

#include <algorithm>

namespace jjgz::eval {

namespace {

[[noreturn]] void Duplicated(const std::string& name) {
  throw EBadName("Duplicated identifier. Registered function: " + name);
}

void CheckName(const std::string& name) {
  if (!IsValidIdent(name)) throw EBadName("Invalid identifier name: " + name);
}

}  // namespace

TEPRegFuncs::TEPRegFuncs()
    : TEPRegFuncs(
          {fgBasic, fgDate, fgExpLog, fgTrigonom, fgDB, fgVariantString, fgConvert, fgFile, fgSystem, fgObject}) {}

TEPRegFuncs::TEPRegFuncs(std::initializer_list<int> groups) {
  auto wanted = [&](int g) { return std::find(groups.begin(), groups.end(), g) != groups.end(); };
  for (int g = fgDate; g <= fgSystem; ++g) on_[g] = wanted(g);
  // Construction order: trigonometric, exponent/logarithm, the basic set, then the
  // date, dataset, string/array, conversion, file and system groups, and last the
  // object functions.
  for (int g : {fgTrigonom, fgExpLog, fgBasic, fgDate, fgDB, fgVariantString, fgConvert, fgFile, fgSystem, fgObject})
    if (wanted(g)) RegisterGroupFuncs(g, false);
}

std::unique_ptr<TEPRegFuncs> TEPRegFuncs::CreateForSheet() {
  return std::unique_ptr<TEPRegFuncs>(
      new TEPRegFuncs({fgBasic, fgDate, fgExpLog, fgTrigonom, fgVariantString, fgConvert}));
}

TEPRegFuncs::~TEPRegFuncs() {
  events_.clear();
  // Formulas that call a function are invalidated as its entry goes.
  while (!funcs_.empty()) {
    std::unique_ptr<TRegFuncObj> f = std::move(funcs_.back());
    funcs_.pop_back();
    f.reset();
  }
  SetRegClasses(nullptr);
  objects_.clear();
}

size_t TEPRegFuncs::LowerBound(std::string_view name) const {
  auto it = std::lower_bound(
      funcs_.begin(), funcs_.end(), name,
      [](const std::unique_ptr<TRegFuncObj>& f, std::string_view n) { return CompareText(f->Name, n) < 0; });
  return size_t(it - funcs_.begin());
}

TFuncObj* TEPRegFuncs::FindFunc(std::string_view name) const {
  size_t i = LowerBound(name);
  if (i < funcs_.size() && CompareText(funcs_[i]->Name, name) == 0) return funcs_[i].get();
  return nullptr;
}

TRegFuncObj* TEPRegFuncs::Add(std::unique_ptr<TRegFuncObj> f, bool ifAbsent) {
  CheckName(f->Name);
  size_t i = LowerBound(f->Name);
  if (i < funcs_.size() && CompareText(funcs_[i]->Name, f->Name) == 0) {
    if (ifAbsent) return nullptr;
    Duplicated(f->Name);
  }
  f->Group = currentGroup_;
  TRegFuncObj* p = f.get();
  funcs_.insert(funcs_.begin() + std::ptrdiff_t(i), std::move(f));
  // A formula that failed to bind this name (or bound it elsewhere) compiles anew.
  Link.NotifyChanged(true);
  return p;
}

namespace {
// A new entry with what every registration form sets.
std::unique_ptr<TRegFuncObj> NewFunc(const std::string& name, TFuncHandler handler, TFuncCategory category,
                                     const std::string& descr, int argCount, TFuncKind kind) {
  auto f = std::make_unique<TRegFuncObj>();
  f->Name = name;
  f->Handler = std::move(handler);
  f->Category = category;
  f->Description = descr;
  f->ArgCount = argCount < 0 ? -1 : argCount;
  f->Kind = kind;
  return f;
}
}  // namespace

TRegFuncObj* TEPRegFuncs::RegisterFunc(const std::string& name, TFuncHandler handler, TFuncCategory category,
                                       const std::string& descr, int argCount) {
  return Add(NewFunc(name, std::move(handler), category, descr, argCount, TFuncKind::Handler), false);
}

TRegFuncObj* TEPRegFuncs::RegisterFuncIfAbsent(const std::string& name, TFuncHandler handler, TFuncCategory category,
                                               const std::string& descr, int argCount) {
  if (FindFunc(name)) return nullptr;
  return Add(NewFunc(name, std::move(handler), category, descr, argCount, TFuncKind::Handler), true);
}

TRegFuncObj* TEPRegFuncs::RegisterRegHandled(const std::string& name, int argCount, TFuncCategory category,
                                             const std::string& descr, TFuncHandler handler) {
  CheckName(name);
  return Add(NewFunc(name, std::move(handler), category, descr, argCount, TFuncKind::RegistryHandled), false);
}

void TEPRegFuncs::RemoveFunc(std::string_view name) {
  size_t i = LowerBound(name);
  if (i >= funcs_.size() || CompareText(funcs_[i]->Name, name) != 0) return;
  std::unique_ptr<TRegFuncObj> f = std::move(funcs_[i]);
  funcs_.erase(funcs_.begin() + std::ptrdiff_t(i));
  f.reset();  // its link tells the formulas that called it
}

void TEPRegFuncs::RenameFunc(std::string_view oldName, const std::string& newName) {
  size_t i = LowerBound(oldName);
  if (i >= funcs_.size() || CompareText(funcs_[i]->Name, oldName) != 0) return;
  CheckName(newName);
  if (TFuncObj* other = FindFunc(newName); other && other != funcs_[i].get()) Duplicated(newName);
  std::unique_ptr<TRegFuncObj> f = std::move(funcs_[i]);
  funcs_.erase(funcs_.begin() + std::ptrdiff_t(i));
  f->Name = newName;
  TRegFuncObj* p = f.get();
  funcs_.insert(funcs_.begin() + std::ptrdiff_t(LowerBound(newName)), std::move(f));
  p->Link.NotifyChanged(true);
  Link.NotifyChanged(true);
}

void TEPRegFuncs::RemoveGroup(int group) {
  if (group < 1 || group > 8) return;
  for (size_t i = funcs_.size(); i-- > 0;) {
    if (i >= funcs_.size() || funcs_[i]->Group != group) continue;
    std::unique_ptr<TRegFuncObj> f = std::move(funcs_[i]);
    funcs_.erase(funcs_.begin() + std::ptrdiff_t(i));
    f.reset();
  }
}

void TEPRegFuncs::RegisterGroup(int group) { RegisterGroupFuncs(group, true); }

void TEPRegFuncs::RegisterGroupFuncs(int group, bool ifAbsent) {
  int saved = currentGroup_;
  currentGroup_ = group;
  try {
    switch (group) {
      case fgBasic:
        RegisterBasicFuncs(*this, ifAbsent);
        break;
      case fgDate:
        RegisterDateFuncs(*this, ifAbsent);
        break;
      case fgExpLog:
        RegisterExpLogFuncs(*this, ifAbsent);
        break;
      case fgTrigonom:
        RegisterTrigonomFuncs(*this, ifAbsent);
        break;
      case fgDB:
        RegisterDBFuncs(*this, ifAbsent);
        break;
      case fgVariantString:
        RegisterStringFuncs(*this, ifAbsent);
        break;
      case fgConvert:
        RegisterConvertFuncs(*this, ifAbsent);
        break;
      case fgFile:
        RegisterFileFuncs(*this, ifAbsent);
        break;
      case fgSystem:
        RegisterSystemFuncs(*this, ifAbsent);
        break;
      case fgObject:
        RegisterObjectFuncs(*this, ifAbsent);
        break;
      default:
        break;
    }
  } catch (...) {
    currentGroup_ = saved;
    throw;
  }
  currentGroup_ = saved;
}

void TEPRegFuncs::SetGroup(int group, bool on) {
  if (group < 1 || group > 8 || on_[group] == on) return;
  on_[group] = on;
  if (loading_) return;
  if (on)
    RegisterGroupFuncs(group, true);
  else
    RemoveGroup(group);
}

void TEPRegFuncs::EndLoad() {
  loading_ = false;
  for (int g = 1; g <= 8; ++g)
    if (!on_[g]) RemoveGroup(g);
}

// ---------------------------------------------------------------------------
// Event functions

TEPEventFunc* TEPRegFuncs::AddEventFunc(const std::string& name, TEvaluateFuncEvent handler, const std::string& descr,
                                        TFuncCategory category) {
  CheckName(name);
  events_.push_back(std::unique_ptr<TEPEventFunc>(new TEPEventFunc(this)));
  TEPEventFunc* e = events_.back().get();
  e->name_ = name;
  e->FuncDescr = descr;
  e->FuncCategory = category;
  e->OnEvaluate = std::move(handler);
  try {
    e->Register();
  } catch (...) {
    events_.pop_back();
    throw;
  }
  return e;
}

void TEPRegFuncs::RemoveEventFunc(TEPEventFunc* f) {
  auto it = std::find_if(events_.begin(), events_.end(), [&](auto& p) { return p.get() == f; });
  if (it != events_.end()) events_.erase(it);
}

TEPEventFunc::~TEPEventFunc() {
  if (owner_ && !registered_.empty()) owner_->RemoveFunc(registered_);
}

void TEPEventFunc::Register() {
  // A name already taken gets a number appended: the first free of name1, name2, ...
  std::string n = name_;
  for (int k = 1; owner_->FindFunc(n); ++k) n = name_ + std::to_string(k);
  TEPEventFunc* self = this;
  owner_->RegisterFunc(
      n,
      [self](TFuncCall& call) {
        if (!self->OnEvaluate) {
          *call.Result = TValue::Byte(0);
          return;
        }
        std::vector<TValue> params;
        params.reserve(size_t(call.Count));
        for (int i = 0; i < call.Count; ++i) params.push_back(call.Arg(i));
        *call.Result = self->OnEvaluate(params);
      },
      FuncCategory, FuncDescr, -1);
  registered_ = n;
}

void TEPEventFunc::SetFuncName(const std::string& name) {
  if (name == name_) return;
  CheckName(name);
  std::string old = registered_;
  name_ = name;
  if (!old.empty()) {
    registered_.clear();
    owner_->RemoveFunc(old);
  }
  Register();
}

// ---------------------------------------------------------------------------
// Objects

int32_t TEPRegFuncs::AddObject(std::shared_ptr<TScriptObject> obj) {
  int32_t h = nextHandle_++;
  if (nextHandle_ == INT32_MAX) nextHandle_ = 0x10000;
  objects_.emplace_back(h, std::move(obj));
  return h;
}

std::shared_ptr<TScriptObject> TEPRegFuncs::FindObject(const TValue& ref) const {
  int64_t h;
  switch (ClassOf(ref.Kind())) {
    case kcInt:
    case kcI64:
      h = ref.RawInt();
      break;
    case kcReal:
    case kcCur:
    case kcStr:
      try {
        h = ref.ToInt64();
      } catch (const EEvalError&) {
        return nullptr;
      }
      break;
    default:
      return nullptr;
  }
  for (auto& p : objects_)
    if (p.first == h) return p.second;
  return nullptr;
}

void TEPRegFuncs::RemoveObject(int32_t handle) {
  objects_.erase(std::remove_if(objects_.begin(), objects_.end(), [&](auto& p) { return p.first == handle; }),
                 objects_.end());
}

}  // namespace jjgz::eval
