// The expression compiler's search: the analysis of one expression text (brackets,
// strings, operator positions by nesting, definite operators) and the search for the
// split at the loosest-binding operator, with its memo and its step budget. The
// statement compiler (expbuild) turns the nodes it finds into operations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Exeval.h"
#include "parstype.h"

namespace jjgz::eval {
class TFuncObj;
namespace exprparse {

// Operator levels, loosest-binding first. An expression is split at an operator of
// the loosest level that gives a valid split; its two parts are split again from the
// levels `left` and `right` on (a part may hold no operator looser than that).
// Prefix operators (NOT, "~") apply to what follows them.
enum TLevel {
  lvOr,
  lvXor,
  lvAnd,
  lvEqual,
  lvNotEqual,
  lvLess,
  lvLessEq,
  lvGreater,
  lvGreaterEq,
  lvShl,
  lvShr,
  lvAdd,
  lvSub,
  lvMul,
  lvIntDiv,
  lvMod,
  lvDiv,
  lvNot,
  lvBitNot,
  kLevels
};

enum TRole { rLeft, rRight, rNeutral };

constexpr size_t kStackBudget = 2u << 20;  // bytes of C++ stack the compiler may use
constexpr int kMaxParam = 1023;

[[noreturn]] inline void TooComplex() { throw ESyntaxError("Expression too complex"); }

struct TNode {
  enum Type : uint8_t { tParam, tVar, tConst, tRef, tOp } type = tOp;
  int start = 0;
  int code = 0;
  int a = -1, b = -1;
  std::vector<int> args;  // operand nodes of calls and index reads
  TValue value;           // constants
  std::string name;       // variable or called name
  int param = 0;
  TFuncObj* func = nullptr;
  TEvalObj* userFunc = nullptr;
  TValue* refCell = nullptr;
  int64_t data = 0;
  TValue* cell = nullptr;  // during emission
};

// Open-addressing table of sub-expression results: (range, mode) -> node or -1.
class TMemo {
 public:
  TMemo() : keys_(64, kFree), vals_(64, 0) {}
  bool Find(uint64_t key, int& out) const {
    for (size_t i = Hash(key) & (keys_.size() - 1);; i = (i + 1) & (keys_.size() - 1)) {
      if (keys_[i] == kFree) return false;
      if (keys_[i] == key) {
        out = vals_[i];
        return true;
      }
    }
  }
  void Put(uint64_t key, int val) {
    if ((count_ + 1) * 2 > keys_.size()) Grow();
    size_t i = Hash(key) & (keys_.size() - 1);
    while (keys_[i] != kFree && keys_[i] != key) i = (i + 1) & (keys_.size() - 1);
    if (keys_[i] == kFree) ++count_;
    keys_[i] = key;
    vals_[i] = val;
  }

 private:
  static constexpr uint64_t kFree = ~uint64_t(0);
  // Every bit of the key (start, end, mode) must reach the low bits the table uses.
  static size_t Hash(uint64_t k) {
    k ^= k >> 31;
    k *= 0x9E3779B97F4A7C15ull;
    return size_t(k ^ (k >> 29));
  }
  void Grow() {
    std::vector<uint64_t> k = std::move(keys_);
    std::vector<int> v = std::move(vals_);
    keys_.assign(k.size() * 2, kFree);
    vals_.assign(k.size() * 2, 0);
    count_ = 0;
    for (size_t i = 0; i < k.size(); ++i)
      if (k[i] != kFree) Put(k[i], v[i]);
  }
  std::vector<uint64_t> keys_;
  std::vector<int> vals_;
  size_t count_ = 0;
};

// Kinds of marked positions besides the operator levels.
enum TMarkKind { mkCaret = kLevels, mkDot, mkComma, mkDefinite, kMarkKinds };

// Positions of the operators, "^", "." and "," of a text, listed per nesting (depth of
// parentheses and of square brackets) and kind, in text order. A search looks only at
// what stands at the top level of its range, whatever the text holds inside brackets.
// Definite two-operand tokens carry their level, and a tree of level minima finds the
// first or last one below a level in a range.
class TMarks {
 public:
  void Add(int nest, int kind, int pos, int level = 99) { raw_.push_back({nest, kind, pos, level}); }
  void Finish(int nests);
  // Positions of `kind` in nesting `nest`, as a range of the sorted list.
  bool Of(int nest, int kind, const int*& first, const int*& last) const {
    if (nest >= int(mask_.size()) || !((mask_[size_t(nest)] >> kind) & 1u)) return false;
    size_t idx = size_t(spanAt_[size_t(nest)]) + size_t(__builtin_popcount(mask_[size_t(nest)] & ((1u << kind) - 1u)));
    first = pos_.data() + spanBegin_[idx];
    last = pos_.data() + spanBegin_[idx + 1];
    return true;
  }
  const int* Base() const { return pos_.data(); }
  // First (last) index in [lo, hi) whose level is below `level`, or -1.
  int FirstBelow(int lo, int hi, int level) const { return Find(1, 0, size_, lo, hi, level, true); }
  int LastBelow(int lo, int hi, int level) const { return Find(1, 0, size_, lo, hi, level, false); }

 private:
  struct TRaw {
    int nest, kind, pos, level;
  };
  int Find(int node, int nl, int nr, int lo, int hi, int level, bool first) const {
    if (nr <= lo || hi <= nl || tree_[size_t(node)] >= level) return -1;
    if (nr - nl == 1) return nl;
    int mid = (nl + nr) / 2;
    int r = first ? Find(2 * node, nl, mid, lo, hi, level, true) : Find(2 * node + 1, mid, nr, lo, hi, level, false);
    if (r >= 0) return r;
    return first ? Find(2 * node + 1, mid, nr, lo, hi, level, true) : Find(2 * node, nl, mid, lo, hi, level, false);
  }
  std::vector<TRaw> raw_;
  std::vector<int> pos_;
  std::vector<uint32_t> mask_;
  std::vector<int> spanAt_, spanBegin_;
  std::vector<signed char> tree_;
  int size_ = 0;
};

// What the search needs of the compilation it belongs to: the owner to bind names and
// calls with, and the budgets of stack and steps shared by all its expressions.
class TExprEnv {
 public:
  virtual bool CanBindVar(const std::string& name) = 0;
  IParserOwner* owner_ = nullptr;
  const char* stackBase_ = nullptr;
  uint64_t work_ = 0, workLimit_ = 0;

 protected:
  ~TExprEnv() = default;
};

// One expression text: its analysis and the search for its structure.
class TExprParser {
 public:
  TExprParser(TExprEnv& env, std::string text);
  bool Balanced() const { return balanced_; }
  int ParseFull() { return Full(0, n_); }
  int ParseIndex() {
    int b = 0, e = n_;
    Trim(b, e);
    return Index(b, e);
  }
  int ParseMember(bool assign) {
    int b = 0, e = n_;
    Trim(b, e);
    return Member(b, e, assign);
  }
  const std::string& Text() const { return t_; }
  const std::string& FailText() const { return fail_; }
  std::vector<TNode>& Nodes() { return nodes_; }

 private:
  void Trim(int& b, int& e) const {
    while (b < e && t_[b] == ' ') ++b;
    while (e > b && t_[e - 1] == ' ') --e;
  }
  std::string Sub(int b, int e) const { return t_.substr(size_t(b), size_t(e - b)); }
  void Guard();
  void Spend(uint64_t steps);
  // Marked positions of `kind` at the top level of a range starting at b.
  bool MarksOf(int b, int kind, const int*& first, const int*& last) const {
    return marks_.Of(nest_[size_t(b)], kind, first, last);
  }
  void Fail(int b, int e) {
    if (fail_.empty()) fail_ = Sub(b, e);
  }
  int NewNode(TNode::Type type, int start) {
    nodes_.emplace_back();
    nodes_.back().type = type;
    nodes_.back().start = start;
    return static_cast<int>(nodes_.size()) - 1;
  }
  int MakeOp(int code, int start, int a, int b = -1) {
    int id = NewNode(TNode::tOp, start);
    nodes_[id].code = code;
    nodes_[id].a = a;
    nodes_[id].b = b;
    return id;
  }

  int Full(int b, int e);
  int FullCore(int b, int e);
  int Part(int b, int e, int level, TRole role);
  int Split(int b, int e, int level);
  int Var(int b, int e);
  int Ref(int b, int e);
  int Const(int b, int e);
  int Str(int b, int e);
  int Paren(int b, int e);
  int UnaryMinus(int b, int e);
  int Power(int b, int e);
  int Index(int b, int e);
  int Call(int b, int e);
  int Member(int b, int e, bool assign = false);
  int Primary(int b, int e, bool allowConst);
  bool SplitArgs(int b, int e, std::vector<int>& out);
  int FirstBad(int b, int e, int level) const;
  bool Impossible(int b, int e) const;
  int LastBad(int b, int e, int level) const;

  TExprEnv& env_;
  std::string t_;
  int n_;
  bool balanced_ = true;
  std::vector<char> inStr_;
  std::vector<int> depth_, sq_, match_, sqOpen_;
  std::vector<int> nest_;  // nesting number of each position
  int nests_ = 0;
  std::vector<int> wordBeg_, wordEnd_;  // the word (run of word characters) around a position
  TMarks marks_;
  TMemo memo_;
  std::vector<int> nextParen_;
  std::vector<TNode> nodes_;
  std::string fail_;
};

}  // namespace exprparse
}  // namespace jjgz::eval
