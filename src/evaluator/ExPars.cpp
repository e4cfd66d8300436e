#include "ExPars.h"

#include <algorithm>

namespace jjgz::eval {

// ---------------------------------------------------------------------------
// TEPUserLib

TEPUserLib::TEPUserLib() = default;

TEPUserLib::~TEPUserLib() {
  // Functions go first, while the library they compile against still exists.
  funcs_.clear();
}

TEPUserLib::TItem* TEPUserLib::Find(std::string_view name) {
  for (auto* list : {&funcs_, &aliases_})
    for (auto& it : *list)
      if (SameText(it->Name, name)) return it.get();
  return nullptr;
}

const TEPUserLib::TItem* TEPUserLib::Find(std::string_view name) const {
  return const_cast<TEPUserLib*>(this)->Find(name);
}

void TEPUserLib::AddFunction(const std::string& name, std::vector<std::string> source, std::string descr) {
  if (!IsValidIdent(name) || IsReservedName(name)) throw EBadName("Invalid identifier name: " + name);
  if (Find(name)) throw EBadName("Duplicated identifier");
  auto item = std::make_unique<TItem>();
  item->Name = name;
  item->Descr = std::move(descr);
  item->Source = std::move(source);
  item->Eval = std::make_unique<TEvalObj>(this, name);
  item->Eval->SetLines(item->Source);
  funcs_.push_back(std::move(item));
}

void TEPUserLib::AddAlias(const std::string& name, std::vector<std::string> source, std::string descr) {
  if (!IsValidIdent(name) || IsReservedName(name)) throw EBadName("Invalid identifier name: " + name);
  if (Find(name)) throw EBadName("Duplicated identifier");
  auto item = std::make_unique<TItem>();
  item->Name = name;
  item->Descr = std::move(descr);
  item->Source = std::move(source);
  aliases_.push_back(std::move(item));
  for (auto& f : funcs_) f->Eval->Invalidate();
}

void TEPUserLib::SetSource(const std::string& name, std::vector<std::string> source) {
  TItem* it = Find(name);
  if (!it) return;
  it->Source = std::move(source);
  if (it->Eval)
    it->Eval->SetLines(it->Source);
  else
    for (auto& f : funcs_) f->Eval->Invalidate();
}

bool TEPUserLib::IsReferenced(const TItem& item) const {
  if (item.Eval) return !item.Eval->Link.UsedBy().empty();
  // An alias is referenced when another item's text names it as a whole word.
  std::string up = UpperCase(item.Name);
  for (auto* list : {&funcs_, &aliases_})
    for (auto& other : *list) {
      if (other.get() == &item) continue;
      for (const std::string& line : other->Source) {
        std::string u = UpperCase(line);
        for (size_t p = u.find(up); p != std::string::npos; p = u.find(up, p + 1)) {
          bool before = p == 0 || !IsWordChar(static_cast<unsigned char>(u[p - 1]));
          bool after = p + up.size() >= u.size() || !IsWordChar(static_cast<unsigned char>(u[p + up.size()]));
          if (before && after) return true;
        }
      }
    }
  return false;
}

void TEPUserLib::Rename(const std::string& oldName, const std::string& newName) {
  TItem* it = Find(oldName);
  if (!it || SameText(oldName, newName)) {
    if (it) it->Name = newName;
    return;
  }
  if (IsReferenced(*it)) throw EMathParserError("This item is referenced by another!");
  if (Find(newName)) throw EBadName("Duplicated identifier");
  it->Name = newName;
  if (it->Eval) {
    it->Eval->SetName(newName);
    it->Eval->Invalidate();
  }
  for (auto& f : funcs_) f->Eval->Invalidate();
}

void TEPUserLib::Remove(const std::string& name) {
  for (auto* list : {&funcs_, &aliases_}) {
    auto pos = std::find_if(list->begin(), list->end(), [&](auto& p) { return SameText(p->Name, name); });
    if (pos != list->end()) {
      if (IsReferenced(**pos)) throw EMathParserError("This item is referenced by another!");
      list->erase(pos);
      for (auto& f : funcs_) f->Eval->Invalidate();
      return;
    }
  }
}

TEvalObj* TEPUserLib::FindFunc(std::string_view name) const {
  for (auto& it : funcs_)
    if (SameText(it->Name, name)) return it->Eval.get();
  return nullptr;
}

const std::vector<std::string>* TEPUserLib::FindAlias(std::string_view name) const {
  for (auto& it : aliases_)
    if (SameText(it->Name, name)) return &it->Source;
  return nullptr;
}

std::vector<std::string> TEPUserLib::ExpandAliases(const std::vector<std::string>& lines) const {
  if (aliases_.empty()) return lines;
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += '\n';
    text += lines[i];
  }
  // Whole words outside strings and comments; an alias may use others, up to a depth.
  for (int round = 0; round < 16; ++round) {
    std::string out;
    bool changed = false;
    size_t i = 0;
    while (i < text.size()) {
      char c = text[i];
      if (c == '"') {
        size_t q = text.find('"', i + 1);
        size_t e = q == std::string::npos ? text.size() : q + 1;
        out.append(text, i, e - i);
        i = e;
      } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
        size_t e = text.find('\n', i);
        if (e == std::string::npos) e = text.size();
        out.append(text, i, e - i);
        i = e;
      } else if (c == '{') {
        size_t q = text.find('}', i + 1);
        size_t e = q == std::string::npos ? text.size() : q + 1;
        out.append(text, i, e - i);
        i = e;
      } else if (IsIdentStart(static_cast<unsigned char>(c))) {
        size_t j = i;
        while (j < text.size() && IsWordChar(static_cast<unsigned char>(text[j]))) ++j;
        std::string_view w(text.data() + i, j - i);
        if (const std::vector<std::string>* a = FindAlias(w)) {
          for (size_t k = 0; k < a->size(); ++k) {
            if (k) out += '\n';
            out += (*a)[k];
          }
          changed = true;
        } else {
          out.append(w);
        }
        i = j;
      } else {
        if ((c >= '0' && c <= '9')) {
          size_t j = i;
          while (j < text.size() && IsWordChar(static_cast<unsigned char>(text[j]))) ++j;
          out.append(text, i, j - i);
          i = j;
        } else {
          out += c;
          ++i;
        }
      }
    }
    text = std::move(out);
    if (!changed) return SplitLines(text);
  }
  throw EMathParserError("Circular reference: alias");
}

// ---------------------------------------------------------------------------
// TCustomParser

TCustomParser::TCustomParser()
    : OnValidating(eval_.OnValidating),
      OnInvalidated(eval_.OnInvalidated),
      OnCompileError(eval_.OnCompileError),
      OnRuntimeError(eval_.OnRuntimeError),
      eval_(this) {}

TCustomParser::~TCustomParser() {
  if (regFuncs_) regFuncs_->RemoveFreeNotification(this);
  if (userLib_) userLib_->RemoveFreeNotification(this);
  if (userVars_) userVars_->RemoveFreeNotification(this);
}

void TCustomParser::SetExpression(const std::vector<std::string>& lines) {
  std::vector<std::string> old = eval_.Lines();
  eval_.SetLines(lines);
  if (loading_) return;
  try {
    eval_.Prepare();
  } catch (...) {
    eval_.SetLines(old);
    try {
      eval_.Prepare();
    } catch (...) {
    }
    throw;
  }
}

// Attaching or detaching a companion changes what names bind to, so a compiled form
// is dropped whenever one changes.
void TCustomParser::SetRegFuncs(TFunctionRegistry* r) {
  if (r == regFuncs_) return;
  if (regFuncs_) regFuncs_->RemoveFreeNotification(this);
  regFuncs_ = r;
  if (r)
    r->AddFreeNotification(this, [this] {
      regFuncs_ = nullptr;
      eval_.Invalidate();
    });
  eval_.Invalidate();
}

void TCustomParser::SetUserLib(TEPUserLib* l) {
  if (l == userLib_) return;
  if (userLib_) userLib_->RemoveFreeNotification(this);
  userLib_ = l;
  if (l)
    l->AddFreeNotification(this, [this] {
      userLib_ = nullptr;
      eval_.Invalidate();
    });
  eval_.Invalidate();
}

void TCustomParser::SetUserVars(TEPVars* v) {
  if (v == userVars_) return;
  if (userVars_) userVars_->RemoveFreeNotification(this);
  // The compiled form refers to the variables of the old list: drop it first.
  eval_.Invalidate();
  userVars_ = v;
  if (v)
    v->AddFreeNotification(this, [this] {
      eval_.Invalidate();
      userVars_ = nullptr;
    });
}

TVarsList& TCustomParser::Variables() {
  if (userVars_ && !loading_) return userVars_->Variables();
  return internals_.Variables();
}

void TCustomParser::SetVariables(const TVarsList& src) {
  for (size_t i = 0; i < src.Count(); ++i) {
    const std::string& n = src.At(i)->VarName();
    if (!IsValidIdent(n) || IsReservedName(n)) throw EBadName("Invalid identifier name: " + n);
  }
  TVarsList& dst = internals_.Variables();
  bool created = false;
  std::vector<std::string> names;
  for (size_t i = 0; i < src.Count(); ++i) {
    TVariable* s = src.At(i);
    TVariable* d = dst.Find(s->VarName());
    if (!d) {
      d = dst.Add(s->VarName());
      created = true;
    }
    d->CopySettings(*s);
    names.push_back(s->VarName());
  }
  bool removed = false;
  for (size_t i = dst.Count(); i-- > 0;) {
    const std::string n = dst.At(i)->VarName();
    if (!src.Find(n)) {
      removed = true;
      dst.Remove(n);
    }
  }
  // Removing a variable a compiled form reads leaves it pointing at nothing.
  if (created || removed) eval_.Invalidate();
}

TValue TCustomParser::Evaluate(const std::vector<TValue>& params) {
  eval_.PrepareIfNeeded();
  if (OnVariable) {
    // One result cell for all names of one evaluation, empty at its start.
    TValue shared;
    TVarsList& ext = externals_.Variables();
    for (size_t i = 0; i < ext.Count(); ++i) {
      TVariable* v = ext.At(i);
      OnVariable(*this, v->VarName(), shared);
      v->SetValue(shared);
    }
  }
  return eval_.Run(params.data(), params.size());
}

void TCustomParser::SetReference(const std::string& name, TValue* cell) {
  if (cell)
    references_[UpperCase(name)] = cell;
  else
    references_.erase(UpperCase(name));
  eval_.Invalidate();
}

void TCustomParser::EndLoad() { loading_ = false; }

void TCustomParser::OwnerCallFunction(const std::string& name, std::vector<TValue>& params, TValue& result) {
  if (!OnFunction) {
    result = TValue::Byte(0);
    return;
  }
  TValue r;
  OnFunction(*this, name, params, r);
  result = std::move(r);
}

bool TCustomParser::OwnerCompileAllowed() {
  return !loading_ && !(userLib_ && userLib_->Loading) && !(userVars_ && userVars_->Loading);
}

TValue* TCustomParser::OwnerReference(const std::string& component, const std::string& field) {
  std::string key = UpperCase(field.empty() ? component : component + "." + field);
  auto it = references_.find(key);
  return it == references_.end() ? nullptr : it->second;
}

}  // namespace jjgz::eval
