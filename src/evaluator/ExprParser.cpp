#include "ExprParser.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "ExFuncs.h"
#include "Vars.h"

namespace jjgz::eval::exprparse {

using namespace std::string_view_literals;

namespace {

struct TLevelOp {
  std::string_view text;
  int code;
  bool word;    // a word, standing between word boundaries
  bool prefix;  // applies to what follows it
  int left, right;
  int len() const { return static_cast<int>(text.size()); }
};
constexpr TLevelOp kLevelOps[kLevels] = {{"OR", opOr, true, false, lvXor, lvOr},
                                         {"XOR", opXor, true, false, lvAnd, lvXor},
                                         {"AND", opAnd, true, false, lvEqual, lvAnd},
                                         {"=", opEqual, false, false, lvNotEqual, lvEqual},
                                         {"<>", opNotEqual, false, false, lvLess, lvNotEqual},
                                         {"<", opLess, false, false, lvLessEq, lvLess},
                                         {"<=", opLessEq, false, false, lvGreater, lvLessEq},
                                         {">", opGreater, false, false, lvGreaterEq, lvGreater},
                                         {">=", opGreaterEq, false, false, lvShl, lvGreaterEq},
                                         {"SHL", opShl, true, false, lvShr, lvShl},
                                         {"SHR", opShr, true, false, lvAdd, lvShr},
                                         {"+", opAdd, false, false, lvSub, lvAdd},
                                         {"-", opSub, false, false, lvSub, lvMul},
                                         {"*", opMul, false, false, lvIntDiv, lvMul},
                                         {"DIV", opIntDiv, true, false, lvIntDiv, lvNot},
                                         {"MOD", opMod, true, false, lvIntDiv, lvNot},
                                         {"/", opDiv, false, false, lvIntDiv, lvNot},
                                         {"NOT", opNot, true, true, lvNot, lvNot},
                                         {"~", opBitNot, false, true, lvBitNot, lvBitNot}};

// Level of a word operator, or -1.
int WordOperatorLevel(std::string_view w) {
  for (int l = 0; l < kLevels; ++l)
    if (kLevelOps[l].word && SameText(w, kLevelOps[l].text)) return l;
  return -1;
}

bool IsOperatorWord(std::string_view w) { return WordOperatorLevel(w) >= 0; }

// Level of the longest symbol operator of two operands that starts at `s`, or -1.
int SymbolOperatorLevel(std::string_view s, int& len) {
  int best = -1;
  for (int l = 0; l < kLevels; ++l) {
    const TLevelOp& op = kLevelOps[l];
    if (op.word || op.prefix || s.substr(0, op.text.size()) != op.text) continue;
    if (best < 0 || op.len() > kLevelOps[best].len()) best = l;
  }
  if (best >= 0) len = kLevelOps[best].len();
  return best;
}

// A date literal: at most 12 characters in single quotes, "/" read as the date separator.
bool DateLiteral(std::string_view s, double& dt) {
  if (s.size() < 2 || s.size() > 12 || s.front() != '\'' || s.back() != '\'') return false;
  std::string inner(s.substr(1, s.size() - 2));
  const TFormatSettings& fs = FormatSettings();
  for (char& c : inner)
    if (c == '/') c = fs.DateSeparator;
  return ParseDateText(inner, fs, dt);
}

// The first characters of the symbol operators.
inline bool IsOperatorSymbol(unsigned char c) {
  switch (c) {
    case '=':
    case '<':
    case '>':
    case '+':
    case '-':
    case '*':
    case '/':
    case '~':
      return true;
    default:
      return false;
  }
}

}  // namespace

void TMarks::Finish(int nests) {
  // Stable: within one nesting and kind the positions stay in text order.
  std::stable_sort(raw_.begin(), raw_.end(),
                   [](const TRaw& x, const TRaw& y) { return x.nest != y.nest ? x.nest < y.nest : x.kind < y.kind; });
  size_ = static_cast<int>(raw_.size());
  pos_.resize(raw_.size());
  mask_.assign(size_t(nests), 0);
  spanAt_.assign(size_t(nests), 0);
  int width = 1;
  while (width < size_) width *= 2;
  tree_.assign(size_t(2 * width), 99);
  for (size_t i = 0; i < raw_.size(); ++i) {
    const TRaw& r = raw_[i];
    pos_[i] = r.pos;
    if (i == 0 || r.nest != raw_[i - 1].nest || r.kind != raw_[i - 1].kind) {
      if (!mask_[size_t(r.nest)]) spanAt_[size_t(r.nest)] = static_cast<int>(spanBegin_.size());
      mask_[size_t(r.nest)] |= 1u << r.kind;
      spanBegin_.push_back(static_cast<int>(i));
    }
  }
  spanBegin_.push_back(size_);
  // Leaves hold the levels; the tree is laid out over [0, width) but only [0, size_) is real.
  std::vector<signed char> leaf(size_t(width), 99);
  for (size_t i = 0; i < raw_.size(); ++i) leaf[i] = static_cast<signed char>(raw_[i].level);
  // Node k covers a power-of-two range; build bottom-up through the recursive layout.
  struct TBuild {
    const std::vector<signed char>& leaf;
    std::vector<signed char>& tree;
    signed char Go(int node, int nl, int nr) {
      if (nr - nl == 1) return tree[size_t(node)] = leaf[size_t(nl)];
      int mid = (nl + nr) / 2;
      signed char a = Go(2 * node, nl, mid), b = Go(2 * node + 1, mid, nr);
      return tree[size_t(node)] = std::min(a, b);
    }
  } build{leaf, tree_};
  size_ = width;
  build.Go(1, 0, width);
  raw_.clear();
  raw_.shrink_to_fit();
}

TExprParser::TExprParser(TExprEnv& env, std::string text) : env_(env), t_(std::move(text)) {
  if (t_.size() >= (size_t(1) << 27)) TooComplex();
  n_ = static_cast<int>(t_.size());
  Spend(uint64_t(n_));
  inStr_.assign(size_t(n_) + 1, 0);
  depth_.assign(size_t(n_) + 1, 0);
  sq_.assign(size_t(n_) + 1, 0);
  match_.assign(size_t(n_), -1);
  sqOpen_.assign(size_t(n_), -1);
  std::vector<int> stack, sqStack;
  char q = 0;
  int d = 0, s = 0, minD = 0;
  for (int i = 0; i < n_; ++i) {
    char c = t_[size_t(i)];
    inStr_[size_t(i)] = q;
    depth_[size_t(i)] = d;
    sq_[size_t(i)] = s;
    if (c == '"') {
      q ^= 1;
      continue;
    }
    if (q) continue;
    if (c == '(') {
      stack.push_back(i);
      ++d;
    } else if (c == ')') {
      --d;
      minD = std::min(minD, d);
      if (!stack.empty()) {
        match_[size_t(stack.back())] = i;
        stack.pop_back();
      }
    } else if (c == '[') {
      sqStack.push_back(i);
      ++s;
    } else if (c == ']') {
      if (s > 0) --s;
      if (!sqStack.empty()) {
        sqOpen_[size_t(i)] = sqStack.back();
        sqStack.pop_back();
      }
    }
  }
  depth_[size_t(n_)] = d;
  sq_[size_t(n_)] = s;
  balanced_ = d == 0 && minD >= 0;
  if (!balanced_) return;
  nodes_.reserve(16);
  nextParen_.assign(size_t(n_) + 1, n_);
  wordBeg_.assign(size_t(n_) + 1, 0);
  wordEnd_.assign(size_t(n_) + 1, 0);
  for (int i = n_ - 1; i >= 0; --i) {
    char c = t_[size_t(i)];
    nextParen_[size_t(i)] = (c == '(' && !inStr_[size_t(i)]) ? i : nextParen_[size_t(i) + 1];
    wordEnd_[size_t(i)] = IsWordChar(static_cast<unsigned char>(c)) ? std::max(i + 1, wordEnd_[size_t(i) + 1]) : i;
  }
  for (int i = 0; i < n_; ++i)
    wordBeg_[size_t(i)] = IsWordChar(static_cast<unsigned char>(t_[size_t(i)]))
                              ? (i > 0 && wordEnd_[size_t(i) - 1] > i ? wordBeg_[size_t(i) - 1] : i)
                              : i;

  // Nesting numbers: one per pair (parenthesis depth, bracket depth).
  nest_.assign(size_t(n_) + 1, 0);
  {
    std::unordered_map<uint64_t, int> ids;
    uint64_t lastKey = ~uint64_t(0);
    int lastId = 0;
    for (int i = 0; i <= n_; ++i) {
      uint64_t key = (uint64_t(uint32_t(depth_[size_t(i)])) << 32) | uint32_t(sq_[size_t(i)]);
      if (key != lastKey) {
        auto it = ids.emplace(key, static_cast<int>(ids.size())).first;
        lastKey = key;
        lastId = it->second;
      }
      nest_[size_t(i)] = lastId;
    }
    nests_ = static_cast<int>(ids.size());
  }

  // Occurrences of the operators of each level, and of "^", "." and ",", outside strings.
  for (int i = 0; i < n_; ++i) {
    if (inStr_[size_t(i)] || t_[size_t(i)] == '"') continue;
    unsigned char c = static_cast<unsigned char>(t_[size_t(i)]);
    int nest = nest_[size_t(i)];
    if (IsWordChar(c)) {
      int j = wordEnd_[size_t(i)];
      int l = WordOperatorLevel(std::string_view(t_.data() + i, size_t(j - i)));
      if (l >= 0) marks_.Add(nest, l, i);
      i = j - 1;
      continue;
    }
    if (c == '^') marks_.Add(nest, mkCaret, i);
    if (c == '.') marks_.Add(nest, mkDot, i);
    if (c == ',') marks_.Add(nest, mkComma, i);
    if (!IsOperatorSymbol(c)) continue;
    // Every symbol operator that starts here: "<" also starts "<>" and "<=".
    std::string_view rest(t_.data() + i, size_t(n_ - i));
    for (int l = 0; l < kLevels; ++l)
      if (!kLevelOps[l].word && rest.substr(0, kLevelOps[l].text.size()) == kLevelOps[l].text) marks_.Add(nest, l, i);
  }

  // Tokens that can only be two-operand operators at their place: a part that must
  // be split at a tighter level can never contain one at its own top level.
  auto prevNonBlank = [&](int i) {
    int r = i - 1;
    while (r >= 0 && t_[size_t(r)] == ' ') --r;
    return r;
  };
  // Inside a date literal such as '2009/03/15' an operator symbol is part of the
  // literal: the single quotes next before and after it enclose one.
  std::vector<int> quotes;
  for (int i = 0; i < n_; ++i)
    if (t_[size_t(i)] == '\'') quotes.push_back(i);
  std::vector<signed char> literalAt(quotes.size(), -1);  // quote k opens a date literal
  auto quoteNear = [&](int i) {
    auto it = std::lower_bound(quotes.begin(), quotes.end(), i);
    if (it == quotes.begin() || it == quotes.end()) return false;
    size_t k = size_t(it - quotes.begin()) - 1;
    int q1 = quotes[k], q2 = *it;
    if (q2 - q1 > 11) return false;
    if (literalAt[k] < 0) {
      double dt;
      literalAt[k] = DateLiteral(std::string_view(t_.data() + q1, size_t(q2 - q1 + 1)), dt) ? 1 : 0;
    }
    return literalAt[k] == 1;
  };
  for (int i = 0; i < n_; ++i) {
    if (inStr_[size_t(i)]) continue;
    char c = t_[size_t(i)];
    int len = 1;
    int level = IsOperatorSymbol(static_cast<unsigned char>(c))
                    ? SymbolOperatorLevel(std::string_view(t_.data() + i, size_t(n_ - i)), len)
                    : -1;
    if (IsWordChar(static_cast<unsigned char>(c)) &&
        (i == 0 || !IsWordChar(static_cast<unsigned char>(t_[size_t(i) - 1])))) {
      int j = wordEnd_[size_t(i)];
      int l = WordOperatorLevel(std::string_view(t_.data() + i, size_t(j - i)));
      if (l >= 0 && !kLevelOps[l].prefix) level = l;
      len = j - i;
    }
    if (level < 0) continue;
    int r = prevNonBlank(i);
    bool definite = false;
    if (r >= 0) {
      unsigned char pc = static_cast<unsigned char>(t_[size_t(r)]);
      if (IsWordChar(pc)) {
        int ws = wordBeg_[size_t(r)];
        std::string_view w(t_.data() + ws, size_t(r - ws + 1));
        definite = !IsOperatorWord(w);
        if (definite && (c == '+' || c == '-') && r == i - 1 && (pc == 'e' || pc == 'E') &&
            ((t_[size_t(ws)] >= '0' && t_[size_t(ws)] <= '9') || (ws > 0 && t_[size_t(ws) - 1] == '.')))
          definite = false;  // exponent sign of a numeric literal
      } else {
        // After a closing bracket or quote. A single quote ends a date literal or no
        // operand at all; either way the token cannot start one.
        definite = pc == ')' || pc == ']' || pc == '"' || pc == '\'';
      }
    }
    if (definite && quoteNear(i)) definite = false;
    if (definite) marks_.Add(nest_[size_t(i)], mkDefinite, i, level);
    i += len - 1;
  }
  marks_.Finish(nests_);
}

int TExprParser::FirstBad(int b, int e, int level) const {
  if (level == 0) return e;
  const int *first, *last;
  if (!MarksOf(b, mkDefinite, first, last)) return e;
  int lo = int(std::upper_bound(first, last, b) - marks_.Base());
  int hi = int(std::lower_bound(first, last, e) - marks_.Base());
  int k = lo < hi ? marks_.FirstBelow(lo, hi, level) : -1;
  return k < 0 ? e : marks_.Base()[k];
}

int TExprParser::LastBad(int b, int e, int level) const {
  if (level == 0) return -1;
  const int *first, *last;
  if (!MarksOf(b, mkDefinite, first, last)) return -1;
  int lo = int(std::upper_bound(first, last, b) - marks_.Base());
  int hi = int(std::lower_bound(first, last, e) - marks_.Base());
  int k = lo < hi ? marks_.LastBelow(lo, hi, level) : -1;
  return k < 0 ? -1 : marks_.Base()[k];
}

void TExprParser::Spend(uint64_t steps) {
  env_.work_ += steps;
  if (env_.work_ > env_.workLimit_) TooComplex();
}

void TExprParser::Guard() {
  const char* here = static_cast<const char*>(__builtin_frame_address(0));
  if (env_.stackBase_ && env_.stackBase_ > here && size_t(env_.stackBase_ - here) > kStackBudget) TooComplex();
  Spend(1);
}

int TExprParser::Full(int b, int e) {
  Trim(b, e);
  // Remove enclosing pairs of parentheses; the inside of such a pair compiles exactly
  // when the pair does, so all of them go at once.
  while (b < e && t_[size_t(b)] == '(' && match_[size_t(b)] == e - 1) {
    ++b;
    --e;
    Trim(b, e);
  }
  if (b >= e) return -1;
  uint64_t key = (uint64_t(b) << 36) | (uint64_t(e) << 8) | 255u;
  int r;
  if (memo_.Find(key, r)) return r;
  Guard();
  r = Impossible(b, e) ? -1 : FullCore(b, e);
  memo_.Put(key, r);
  return r;
}

int TExprParser::FullCore(int b, int e) {
  int r;
  if ((r = Var(b, e)) >= 0) return r;
  if ((r = Ref(b, e)) >= 0) return r;
  if ((r = Const(b, e)) >= 0) return r;
  if ((r = Str(b, e)) >= 0) return r;
  if ((r = UnaryMinus(b, e)) >= 0) return r;
  if ((r = Split(b, e, 0)) >= 0) return r;
  if ((r = Power(b, e)) >= 0) return r;
  if ((r = Index(b, e)) >= 0) return r;
  if ((r = Call(b, e)) >= 0) return r;
  return Member(b, e);
}

int TExprParser::Part(int b, int e, int level, TRole role) {
  Trim(b, e);
  if (b >= e) return -1;
  uint64_t key = (uint64_t(b) << 36) | (uint64_t(e) << 8) | uint64_t(level * 3 + role);
  int r = -1;
  if (memo_.Find(key, r)) return r;
  Guard();
  r = -1;
  if (Impossible(b, e) || FirstBad(b, e, level) < e) {
    r = -1;
  } else if ((r = Var(b, e)) >= 0 || (r = Ref(b, e)) >= 0 || (r = Const(b, e)) >= 0 || (r = Str(b, e)) >= 0 ||
             (r = Paren(b, e)) >= 0) {
  } else if (role != rRight && (r = UnaryMinus(b, e)) >= 0) {
  } else if ((r = Split(b, e, level)) >= 0 || (r = Power(b, e)) >= 0 || (r = Index(b, e)) >= 0 ||
             (r = Call(b, e)) >= 0 || (r = Member(b, e)) >= 0) {
  }
  memo_.Put(key, r);
  return r;
}

// No operand ends with an operator symbol or word, and none begins with a symbol
// that only stands between two operands: such a text can never compile.
bool TExprParser::Impossible(int b, int e) const {
  char last = t_[size_t(e) - 1];
  if (std::strchr("+-*/^<>=~,([", last)) return true;
  char first = t_[size_t(b)];
  if (std::strchr("*/^<>=,)]", first)) return true;
  if (IsWordChar(static_cast<unsigned char>(last))) {
    int ws = std::max(b, wordBeg_[size_t(e) - 1]);
    if (IsOperatorWord(std::string_view(t_.data() + ws, size_t(e - ws)))) return true;
  }
  if (IsWordChar(static_cast<unsigned char>(first))) {
    int we = std::min(e, wordEnd_[size_t(b)]);
    int l = WordOperatorLevel(std::string_view(t_.data() + b, size_t(we - b)));
    if (l >= 0 && !kLevelOps[l].prefix) return true;
  }
  return false;
}

int TExprParser::Split(int b, int e, int level) {
  for (int l = level; l < kLevels; ++l) {
    const TLevelOp& op = kLevelOps[l];
    const int *first, *last;
    Spend(1);
    if (!MarksOf(b, l, first, last)) continue;
    if (op.prefix) {
      const int* it = std::lower_bound(first, last, b);
      if (it != last && *it == b) {
        int operand = Part(b + op.len(), e, l, rNeutral);
        if (operand >= 0) return MakeOp(op.code, b, operand);
      }
      continue;
    }
    int ll = op.left, rl = op.right;
    int firstBad = FirstBad(b, e, ll);
    int lastBad = LastBad(b, e, rl);
    // An occurrence whose right part would still hold the last bad token is no
    // candidate: start at the first one past it (blanks before the token included).
    int from = b;
    if (lastBad >= 0) {
      int q = lastBad;
      while (q > b && t_[size_t(q) - 1] == ' ') --q;
      from = std::max(b, q - op.len());
    }
    for (const int* it = std::lower_bound(first, last, from); it != last && *it < e; ++it) {
      Spend(1);
      int pos = *it;
      if (pos == b || pos + op.len() >= e) continue;
      if (firstBad < pos) break;
      int rs = pos + op.len();
      while (rs < e && t_[size_t(rs)] == ' ') ++rs;
      if (lastBad > rs) continue;
      int left = Part(b, pos, ll, rLeft);
      if (left < 0) continue;
      int right = Part(pos + op.len(), e, rl, rRight);
      if (right < 0) continue;
      return MakeOp(op.code, b, left, right);
    }
  }
  return -1;
}

int TExprParser::Var(int b, int e) {
  std::string_view view(t_.data() + b, size_t(e - b));
  if (view[0] != '%' && (wordEnd_[size_t(b)] < e || !IsValidIdent(view) || IsReservedName(view))) return -1;
  std::string name(view);
  if (name[0] == '%') {
    if (name.size() < 2 || name.size() > 5) return -1;
    int v = 0;
    for (size_t i = 1; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') return -1;
      v = v * 10 + (name[i] - '0');
    }
    if (v > kMaxParam) return -1;
    int id = NewNode(TNode::tParam, b);
    nodes_[size_t(id)].param = v;
    return id;
  }
  if (!IsValidIdent(name) || IsReservedName(name)) return -1;
  if (!env_.CanBindVar(name)) {
    Fail(b, e);
    return -1;
  }
  int id = NewNode(TNode::tVar, b);
  nodes_[size_t(id)].name = std::move(name);
  return id;
}

int TExprParser::Ref(int b, int e) {
  if (t_[size_t(b)] != '[' || t_[size_t(e) - 1] != ']' || sqOpen_[size_t(e) - 1] != b) return -1;
  // The inside is a name, or two names with "." between, blanks around them.
  {
    int p = b + 1, end = e - 1;
    auto blanks = [&] {
      while (p < end && t_[size_t(p)] == ' ') ++p;
    };
    auto name = [&] {
      if (p >= end || !IsIdentStart(static_cast<unsigned char>(t_[size_t(p)]))) return false;
      p = std::min(end, wordEnd_[size_t(p)]);
      return true;
    };
    blanks();
    if (!name()) return -1;
    blanks();
    if (p < end && t_[size_t(p)] == '.') {
      ++p;
      blanks();
      if (!name()) return -1;
      blanks();
    }
    if (p != end) return -1;
  }
  std::string inside(TrimBlanks(std::string_view(t_).substr(size_t(b) + 1, size_t(e - b - 2))));
  std::string comp = inside, field;
  size_t dot = inside.find('.');
  if (dot != std::string::npos) {
    comp = std::string(TrimBlanks(std::string_view(inside).substr(0, dot)));
    field = std::string(TrimBlanks(std::string_view(inside).substr(dot + 1)));
    if (!IsValidIdent(field)) return -1;
  }
  if (!IsValidIdent(comp)) return -1;
  TValue* cell = env_.owner_ ? env_.owner_->OwnerReference(comp, field) : nullptr;
  if (!cell) throw EMathParserError("Wrong component: " + comp);
  int id = NewNode(TNode::tRef, b);
  nodes_[size_t(id)].refCell = cell;
  return id;
}

int TExprParser::Const(int b, int e) {
  std::string_view s(t_.data() + b, size_t(e - b));
  TValue v;
  bool ok = false;
  if (SameText(s, "PI"sv)) {
    v = TValue::Double(3.1415926535897932385);
    ok = true;
  } else if (SameText(s, "-PI"sv)) {
    v = TValue::Double(-3.1415926535897932385);
    ok = true;
  } else if (SameText(s, "TRUE"sv)) {
    v = TValue::Boolean(true);
    ok = true;
  } else if (SameText(s, "FALSE"sv)) {
    v = TValue::Boolean(false);
    ok = true;
  } else if (SameText(s, "NULL"sv)) {
    v = TValue::Null();
    ok = true;
  } else if (SameText(s, "UNASSIGNED"sv)) {
    v = TValue();
    ok = true;
  } else if (s[0] == '$') {
    if (s.size() >= 2 && s.size() < 10) {
      uint32_t x = 0;
      ok = true;
      for (size_t i = 1; i < s.size() && ok; ++i) {
        char c = s[i];
        int dv = (c >= '0' && c <= '9')   ? c - '0'
                 : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                 : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                          : -1;
        if (dv < 0)
          ok = false;
        else
          x = x * 16 + uint32_t(dv);
      }
      if (ok) v = TValue::Integer(static_cast<int32_t>(x));
    }
  } else if (s[0] == '\'') {
    double dt;
    if (DateLiteral(s, dt)) {
      v = TValue::Date(dt);
      ok = true;
    }
  } else if ((s[0] >= '0' && s[0] <= '9') || s[0] == '.' || s[0] == '+' || s[0] == '-') {
    double d;
    if (ParseFloatText(s, '.', d)) {
      ok = true;
      if (s.find('.') == std::string_view::npos && d > -2147483647.0 && d < 2147483647.0 && d == std::trunc(d))
        v = TValue::Integer(static_cast<int32_t>(d));
      else
        v = TValue::Double(d);
    }
  }
  if (!ok) return -1;
  int id = NewNode(TNode::tConst, b);
  nodes_[size_t(id)].value = std::move(v);
  return id;
}

int TExprParser::Str(int b, int e) {
  if (e - b < 2 || t_[size_t(b)] != '"' || t_[size_t(e) - 1] != '"') return -1;
  std::string s;
  for (int i = b + 1; i < e - 1; ++i) {
    char c = t_[size_t(i)];
    if (c == '"') {
      if (i + 1 < e - 1 && t_[size_t(i) + 1] == '"') {
        ++i;
      } else {
        Spend(uint64_t(i - b));
        return -1;
      }
    }
    s += c;
  }
  Spend(uint64_t(e - b));
  int id = NewNode(TNode::tConst, b);
  nodes_[size_t(id)].value = TValue::String(std::move(s));
  return id;
}

int TExprParser::Paren(int b, int e) {
  if (t_[size_t(b)] != '(' || match_[size_t(b)] != e - 1) return -1;
  return Full(b, e);
}

int TExprParser::UnaryMinus(int b, int e) {
  if (t_[size_t(b)] != '-') return -1;
  int rb = b + 1, re = e;
  Trim(rb, re);
  if (rb >= re) return -1;
  int r;
  if ((r = Paren(rb, re)) >= 0 || (r = Var(rb, re)) >= 0 || (r = Ref(rb, re)) >= 0 || (r = Const(rb, re)) >= 0 ||
      (r = Power(rb, re)) >= 0 || (r = Index(rb, re)) >= 0 || (r = Call(rb, re)) >= 0 || (r = Member(rb, re)) >= 0)
    return MakeOp(opNeg, b, r);
  return -1;
}

int TExprParser::Primary(int b, int e, bool allowConst) {
  Trim(b, e);
  if (b >= e) return -1;
  int r;
  if ((r = Var(b, e)) >= 0 || (r = Ref(b, e)) >= 0 || (allowConst && (r = Const(b, e)) >= 0) ||
      (r = Paren(b, e)) >= 0 || (r = Index(b, e)) >= 0 || (r = Call(b, e)) >= 0 || (r = Member(b, e)) >= 0)
    return r;
  return -1;
}

int TExprParser::Power(int b, int e) {
  const int *first, *last;
  if (!MarksOf(b, mkCaret, first, last)) return -1;
  for (const int* cit = std::upper_bound(first, last, b); cit != last && *cit < e - 1; ++cit) {
    int i = *cit;
    Guard();
    int left = Primary(b, i, true);
    if (left < 0) continue;
    int right = Primary(i + 1, e, true);
    if (right < 0) continue;
    const TNode& rn = nodes_[size_t(right)];
    int code = opPower;
    int64_t exponent = 0;
    if (rn.type == TNode::tConst) {
      const TValue& v = rn.value;
      bool numeric = v.Kind() == varInteger || v.Kind() == varDouble || v.Kind() == varBoolean;
      double x = numeric ? v.ToDouble() : 0.5;
      if (numeric && std::fabs(x) < 9.2e18 && x == std::trunc(x)) {
        exponent = static_cast<int64_t>(x);
        code = exponent == 2 ? opSqr : exponent == 3 ? opCube : exponent == 4 ? opPow4 : opIntPower;
      }
    }
    int id = MakeOp(code, b, left, code == opPower ? right : -1);
    nodes_[size_t(id)].data = exponent;
    return id;
  }
  return -1;
}

bool TExprParser::SplitArgs(int b, int e, std::vector<int>& out) {
  int ib = b, ie = e;
  Trim(ib, ie);
  if (ib >= ie) return true;  // an empty list gives zero arguments
  const int *first = nullptr, *last = nullptr;
  MarksOf(b, mkComma, first, last);
  const int* comma = first ? std::lower_bound(first, last, b) : nullptr;
  int start = b;
  for (;;) {
    int i = (comma && comma != last && *comma < e) ? *comma++ : e;
    Spend(1);
    int ab = start, ae = i;
    Trim(ab, ae);
    int r = ab < ae ? Full(ab, ae) : -1;
    if (r < 0) {
      Fail(ab, std::max(ab, ae));
      return false;
    }
    out.push_back(r);
    if (i == e) break;
    start = i + 1;
  }
  return true;
}

int TExprParser::Index(int b, int e) {
  if (t_[size_t(e) - 1] != ']') return -1;
  Spend(1);
  int lb = sqOpen_[size_t(e) - 1];
  if (lb <= b || depth_[size_t(lb)] != depth_[size_t(b)]) return -1;
  int pb = b, pe = lb;
  Trim(pb, pe);
  if (pb >= pe) return -1;
  int prefix;
  if ((prefix = Var(pb, pe)) < 0 && (prefix = Ref(pb, pe)) < 0 && (prefix = Index(pb, pe)) < 0 &&
      (prefix = Call(pb, pe)) < 0 && (prefix = Member(pb, pe)) < 0)
    return -1;
  std::vector<int> args;
  if (!SplitArgs(lb + 1, e - 1, args) || args.empty()) return -1;
  int id = MakeOp(opIndexRead, b, prefix);
  nodes_[size_t(id)].args = std::move(args);
  return id;
}

int TExprParser::Call(int b, int e) {
  if (t_[size_t(e) - 1] != ')') return -1;
  int fp = nextParen_[size_t(b)];
  if (fp >= e || fp <= b || match_[size_t(fp)] != e - 1) return -1;
  int nb = b, ne = fp;
  Trim(nb, ne);
  if (nb >= ne || wordEnd_[size_t(nb)] < ne) return -1;  // the name is one word
  Spend(1);
  std::string name = Sub(nb, ne);
  if (!IsValidIdent(name) || IsReservedName(name)) return -1;
  std::vector<int> args;
  if (!SplitArgs(fp + 1, e - 1, args)) return -1;
  int nargs = static_cast<int>(args.size());
  TFunctionRegistry* reg = env_.owner_ ? env_.owner_->OwnerRegFuncs() : nullptr;
  IUserLib* lib = env_.owner_ ? env_.owner_->OwnerUserLib() : nullptr;
  int code;
  TFuncObj* f = reg ? reg->FindFunc(name) : nullptr;
  TEvalObj* uf = nullptr;
  if (f) {
    if (f->ArgCount >= 0 && f->ArgCount != nargs) throw EFuncParamsError("Arguments mismatching " + Sub(b, e));
    code = f->Kind == TFuncKind::RegistryHandled ? opCallRegHandled : opCallReg;
  } else if (lib && (uf = lib->FindFunc(name)) != nullptr) {
    uf->Prepare();
    if (uf->ParamCount() != nargs) throw EFuncParamsError("Arguments mismatching " + Sub(b, e));
    code = opCallUser;
  } else if (env_.owner_ && env_.owner_->OwnerHasFunctionEvent()) {
    code = opCallEvent;
  } else {
    Fail(b, e);
    return -1;
  }
  int id = MakeOp(code, b, -1);
  TNode& n = nodes_[size_t(id)];
  n.args = std::move(args);
  n.name = std::move(name);
  n.func = f;
  n.userFunc = uf;
  return id;
}

int TExprParser::Member(int b, int e, bool assign) {
  // object "." member [ "(" arguments ")" ], split at the last "." outside strings; the
  // member is reached through the registered object functions.
  const int *first, *last;
  if (!MarksOf(b, mkDot, first, last)) return -1;
  const int* it = std::lower_bound(first, last, e);
  if (it == first || *(it - 1) <= b) return -1;
  int dot = *(it - 1);
  Spend(1);
  int mb = dot + 1, me = e;
  Trim(mb, me);
  if (mb >= me || !IsIdentStart(static_cast<unsigned char>(t_[size_t(mb)]))) return -1;
  TFunctionRegistry* reg = env_.owner_ ? env_.owner_->OwnerRegFuncs() : nullptr;
  TFuncObj* f = reg ? reg->FindFunc(assign ? "SetObjProp" : "ExecObjMethod") : nullptr;
  if (!f) return -1;
  int object = Primary(b, dot, false);
  if (object < 0) return -1;
  std::string member;
  std::vector<int> args;
  int paren = nextParen_[size_t(mb)] < me ? nextParen_[size_t(mb)] : -1;
  if (paren >= 0) {
    if (match_[size_t(paren)] != me - 1 || assign) return -1;
    int nb = mb, ne = paren;
    Trim(nb, ne);
    member = Sub(nb, ne);
    if (!SplitArgs(paren + 1, me - 1, args)) return -1;
  } else {
    member = Sub(mb, me);
  }
  if (!IsValidIdent(member)) return -1;
  int nameNode = NewNode(TNode::tConst, mb);
  nodes_[size_t(nameNode)].value = TValue::String(member);
  int id = MakeOp(f->Kind == TFuncKind::RegistryHandled ? opCallRegHandled : opCallReg, b, -1);
  TNode& n = nodes_[size_t(id)];
  n.args.push_back(object);
  n.args.push_back(nameNode);
  n.args.insert(n.args.end(), args.begin(), args.end());
  n.name = f->Name;
  n.func = f;
  return id;
}

}  // namespace jjgz::eval::exprparse
