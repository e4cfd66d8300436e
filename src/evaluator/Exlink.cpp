#include "Exlink.h"

#include <algorithm>

#include "parstype.h"

namespace jjgz::eval {

TExprLink::~TExprLink() {
  ClearUses();
  // Objects that used this one lose it: they must recompile.
  std::vector<TExprLink*> users = usedBy_;
  for (TExprLink* u : users) {
    auto& v = u->uses_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  usedBy_.clear();
  for (TExprLink* u : users)
    if (u->OnChanged) u->OnChanged(true);
}

bool TExprLink::UsesTransitively(const TExprLink* other) const {
  std::vector<const TExprLink*> stack{this}, seen;
  while (!stack.empty()) {
    const TExprLink* l = stack.back();
    stack.pop_back();
    if (std::find(seen.begin(), seen.end(), l) != seen.end()) continue;
    seen.push_back(l);
    for (const TExprLink* u : l->uses_) {
      if (u == other) return true;
      stack.push_back(u);
    }
  }
  return false;
}

void TExprLink::AddUse(TExprLink* used) {
  if (!used) return;
  if (std::find(uses_.begin(), uses_.end(), used) != uses_.end()) return;
  if (used == this || used->UsesTransitively(this)) throw EMathParserError("Circular reference: " + Name());
  uses_.push_back(used);
  used->usedBy_.push_back(this);
}

void TExprLink::ClearUses() {
  for (TExprLink* u : uses_) {
    auto& v = u->usedBy_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  uses_.clear();
}

void TExprLink::NotifyChanged(bool structural) {
  if (notifying_) return;
  notifying_ = true;
  std::vector<TExprLink*> users = usedBy_;
  try {
    for (TExprLink* u : users)
      if (std::find(usedBy_.begin(), usedBy_.end(), u) != usedBy_.end() && u->OnChanged) u->OnChanged(structural);
  } catch (...) {
    notifying_ = false;
    throw;
  }
  notifying_ = false;
}

TFreeNotifier::~TFreeNotifier() {
  auto l = std::move(listeners_);
  for (auto& p : l) p.second();
}

void TFreeNotifier::AddFreeNotification(const void* key, std::function<void()> fn) {
  RemoveFreeNotification(key);
  listeners_.emplace_back(key, std::move(fn));
}

void TFreeNotifier::RemoveFreeNotification(const void* key) {
  listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [&](const auto& p) { return p.first == key; }),
                   listeners_.end());
}

}  // namespace jjgz::eval
