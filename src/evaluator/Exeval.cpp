#include "Exeval.h"

#include <exception>

#include "ExFuncs.h"
#include "expbuild.h"  // recursion: compile on demand (Prepare calls the compiler)

namespace jjgz::eval {

namespace {
// Whether an operation of `list` calls something that receives its argument cells: a handler
// function, a user function or the host's function event (native wrappers get copies).
bool CallsMayWriteArguments(const std::vector<TStatementNode>& list) {
  auto chain = [](const TOpChain& ops) {
    for (const TParserOperation& op : ops) {
      if ((op.Code == opCallReg || op.Code == opCallRegHandled) && op.Func && op.Func->Kind != TFuncKind::Native)
        return true;
      if (op.Code == opCallUser || op.Code == opCallEvent) return true;
    }
    return false;
  };
  for (const TStatementNode& n : list)
    if (chain(n.ChainA) || chain(n.ChainB) || CallsMayWriteArguments(n.List1) || CallsMayWriteArguments(n.List2))
      return true;
  return false;
}
}  // namespace

void IParserOwner::OwnerCallFunction(const std::string&, std::vector<TValue>&, TValue& result) {
  result = TValue::Byte(0);
}

TValue* IParserOwner::OwnerReference(const std::string&, const std::string&) { return nullptr; }

TEvalObj::TEvalObj(IParserOwner* owner, std::string name) : owner_(owner), name_(std::move(name)) {
  Link.NameFn = [this] { return name_; };
  Link.OnChanged = [this](bool) { Invalidate(); };
}

TEvalObj::~TEvalObj() {
  // Dependants lose this object; its link tells them when it goes.
  DropCompiled();
}

void TEvalObj::SetLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  joined_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) joined_ += ' ';
    joined_ += lines_[i];
  }
  Invalidate();
}

void TEvalObj::ClearLines() { SetLines({}); }

void TEvalObj::AddLine(std::string line) {
  std::vector<std::string> l = lines_;
  l.push_back(std::move(line));
  SetLines(std::move(l));
}

TValue* TEvalObj::NewCell(TValue init) {
  cells_.push_back(std::move(init));
  return &cells_.back();
}

TValue* TEvalObj::ParamCell(int index) {
  while (static_cast<int>(params_.size()) <= index) params_.push_back(NewCell());
  return params_[static_cast<size_t>(index)];
}

void TEvalObj::DropCompiled() {
  statements_.clear();
  Link.ClearUses();
  referenced_.clear();
  params_.clear();
  locals_.Clear();
  cells_.clear();
  result_ = nullptr;
  localsInit_.clear();
  cellsInit_.clear();
  if (owner_) owner_->OwnerClearExternals();
}

void TEvalObj::Invalidate() {
  if (invalidating_) return;
  invalidating_ = true;
  bool had = compiled_;
  DropCompiled();
  compiled_ = false;
  try {
    Link.NotifyChanged(true);
    if (had && OnInvalidated) OnInvalidated(*this);
  } catch (...) {
    invalidating_ = false;
    throw;
  }
  invalidating_ = false;
}

void TEvalObj::RecordError(const EEvalError& e) {
  errMessage_ = e.Message();
  errLine_ = e.Line;
  errColumn_ = e.Column;
}

std::vector<std::string> TEvalObj::ExpandAliases() const {
  IUserLib* lib = owner_ ? owner_->OwnerUserLib() : nullptr;
  if (!lib) return lines_;
  return lib->ExpandAliases(lines_);
}

void TEvalObj::Prepare(bool fresh) {
  if (busy_) throw EMathParserError("Circular reference: " + name_);
  busy_ = true;
  try {
    if (fresh && compiled_) Invalidate();
    if (!compiled_ && (!owner_ || owner_->OwnerCompileAllowed())) {
      try {
        if (OnValidating) OnValidating(*this);
        std::vector<std::string> work = ExpandAliases();
        statements_ = CompileFormula(*this, work);
        result_ = locals_.Find("RESULT");
        localsInit_.clear();
        for (size_t i = 0; i < locals_.Count(); ++i)
          localsInit_.emplace_back(locals_.At(i)->Cell(), *locals_.At(i)->Cell());
        cellsInit_.clear();
        if (CallsMayWriteArguments(statements_)) cellsInit_ = cells_;
        compiled_ = true;
        compileFailed_ = false;
      } catch (EEvalError& e) {
        RecordError(e);
        compileFailed_ = true;
        DropCompiled();
        compiled_ = false;
        if (OnInvalidated) OnInvalidated(*this);
        if (OnCompileError) OnCompileError(*this, e);
        throw;
      } catch (std::exception& e) {
        EEvalError wrapped(e.what());
        RecordError(wrapped);
        compileFailed_ = true;
        DropCompiled();
        compiled_ = false;
        if (OnInvalidated) OnInvalidated(*this);
        if (OnCompileError) OnCompileError(*this, wrapped);
        throw;
      }
    }
  } catch (...) {
    busy_ = false;
    throw;
  }
  busy_ = false;
}

TValue TEvalObj::Run(const TValue* params, size_t count) {
  if (!compiled_) return TValue::Null();
  size_t n = std::min(count, params_.size());
  for (size_t i = 0; i < n; ++i) *params_[i] = params[i];
  TBudgetScope budget(Limits);
  try {
    for (TVariable* v : referenced_) {
      v->MarkStale();
      v->Recalc();
    }
    result_->Cell()->SetInt(varByte, 0);
    if (statements_.size() == 1 && statements_[0].Kind == skAssign && !statements_[0].TargetVar) {
      // A single expression, the case of every wage formula: just its chain.
      RunChain(statements_[0].ChainA);
    } else {
      TRunState st;
      st.LoopLimit = LoopLimit;
      RunStatements(statements_, st);
    }
  } catch (EEvalError& e) {
    RecordError(e);
    runFailed_ = true;
    if (OnRuntimeError) OnRuntimeError(*this, e);
    throw;
  } catch (std::exception& e) {
    EEvalError wrapped(e.what());
    RecordError(wrapped);
    runFailed_ = true;
    if (OnRuntimeError) OnRuntimeError(*this, wrapped);
    throw;
  }
  runFailed_ = false;
  return *result_->Cell();
}

void TEvalObj::ResetLocals() {
  if (!cellsInit_.empty()) {
    auto from = cellsInit_.begin();
    for (TValue& cell : cells_) cell = *from++;
  }
  for (auto& [cell, first] : localsInit_) *cell = first;
}

}  // namespace jjgz::eval
