// Dependency links between compiled formulas and the things they use.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace jjgz::eval {

// A link holds two lists: the objects this one uses and the objects that use it.
// When something changes, the news travels along the used-by list: `structural`
// changes (text, removed functions) make dependants recompile, value changes only
// mark cached values stale.
class TExprLink {
 public:
  TExprLink() = default;
  TExprLink(const TExprLink&) = delete;
  TExprLink& operator=(const TExprLink&) = delete;
  ~TExprLink();

  std::function<std::string()> NameFn;             // for the circular reference message
  std::function<void(bool structural)> OnChanged;  // called when a used object changed

  void AddUse(TExprLink* used);  // raises "Circular reference" when it would close a cycle
  void ClearUses();
  bool UsesTransitively(const TExprLink* other) const;
  void NotifyChanged(bool structural);  // tell the used-by list
  const std::vector<TExprLink*>& Uses() const { return uses_; }
  const std::vector<TExprLink*>& UsedBy() const { return usedBy_; }
  std::string Name() const { return NameFn ? NameFn() : std::string(); }

 private:
  std::vector<TExprLink*> uses_, usedBy_;
  bool notifying_ = false;
};

// Components that others refer to tell them when they go away, so that the
// referring property becomes none.
class TFreeNotifier {
 public:
  TFreeNotifier() = default;
  TFreeNotifier(const TFreeNotifier&) = delete;
  TFreeNotifier& operator=(const TFreeNotifier&) = delete;
  virtual ~TFreeNotifier();
  void AddFreeNotification(const void* key, std::function<void()> fn);
  void RemoveFreeNotification(const void* key);

 private:
  std::vector<std::pair<const void*, std::function<void()>>> listeners_;
};

// A reference to a component that becomes none when the component goes away
// (the referring side registers a free notification while it holds the pointer).
template <class T>
class TNotifyPtr {
 public:
  TNotifyPtr() = default;
  TNotifyPtr(const TNotifyPtr&) = delete;
  TNotifyPtr& operator=(const TNotifyPtr&) = delete;
  ~TNotifyPtr() { Reset(nullptr); }
  TNotifyPtr& operator=(T* p) {
    Reset(p);
    return *this;
  }
  operator T*() const { return p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  void Reset(T* p) {
    if (p_ == p) return;
    if (p_) static_cast<TFreeNotifier*>(p_)->RemoveFreeNotification(this);
    p_ = p;
    if (p_) static_cast<TFreeNotifier*>(p_)->AddFreeNotification(this, [this] { p_ = nullptr; });
  }
  T* p_ = nullptr;
};

}  // namespace jjgz::eval
