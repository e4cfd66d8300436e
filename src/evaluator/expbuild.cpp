#include "expbuild.h"

#include <algorithm>

#include "ExFuncs.h"
#include "ExprParser.h"
#include "Exeval.h"
#include "Vars.h"

namespace jjgz::eval {

namespace {

using namespace exprparse;

// Steps of the search (sub-expressions tried, operator positions looked at, characters
// read) one compilation may take: a fixed allowance and a share for every character of
// the text, so that compiling or refusing any text costs time in proportion to it.
constexpr uint64_t kWorkBase = 200000;
constexpr uint64_t kWorkPerChar = 100;

thread_local uint64_t tLastWork = 0;

// The compilation of one formula.
class TBuilder : public TExprEnv {
 public:
  explicit TBuilder(TEvalObj& obj) : obj_(obj) { owner_ = obj.Owner(); }
  std::vector<TStatementNode> Compile(const std::vector<std::string>& lines);

  bool CanBindVar(const std::string& name) override;
  TVariable* FindVar(const std::string& name, TValue*& cell);

 private:
  TEvalObj& obj_;
  enum TCtx { cTop, cBlock, cRepeat, cTry1, cTry2 };
  [[noreturn]] void StmtError(const std::string& msg, bool withToken = false);
  void CheckStack();
  TToken ParseList(std::vector<TStatementNode>& out, TCtx ctx, int loops, bool haveToken);
  TToken ParseStatement(TToken tok, std::vector<TStatementNode>& out, int loops, bool elseAllowed, bool beginAllowed);
  bool IsTerminator(TToken t, bool elseAllowed) const {
    return t == TToken::Semicolon || t == TToken::Eof || (t == TToken::Else && elseAllowed);
  }
  TStatementNode NewNode(int kind) const {
    TStatementNode n;
    n.Kind = kind;
    n.Line = sc_->LineIndex() + 1;
    n.Column = sc_->TokenStart() + 1;
    return n;
  }
  // Compiles an expression; returns the cell that holds its value.
  TValue* CompileExpr(const std::string& text, TValue* target, TOpChain& chain);
  TValue* Emit(TExprParser& p, int root, TValue* target, TOpChain& chain);
  void BindTarget(const std::string& text, TStatementNode& node, TValue*& cell);
  void CompileAssignment(const std::string& target, const std::string& value, TStatementNode& node);

  TParserScanner* sc_ = nullptr;
};

// ---------------------------------------------------------------------------

bool TBuilder::CanBindVar(const std::string& name) {
  TValue* cell;
  if (FindVar(name, cell) || cell) return true;
  return owner_ && owner_->OwnerExternalVars() != nullptr;
}

// Looks a name up among the user, local and external variables; returns the user
// variable (or null) and sets `cell` when the name is found anywhere.
TVariable* TBuilder::FindVar(const std::string& name, TValue*& cell) {
  cell = nullptr;
  if (TVarsList* user = owner_ ? owner_->OwnerUserVars() : nullptr)
    if (TVariable* v = user->Find(name)) {
      cell = v->Cell();
      return v;
    }
  if (TVariable* v = obj_.Locals().Find(name)) {
    cell = v->Cell();
    return nullptr;
  }
  if (TVarsList* ext = owner_ ? owner_->OwnerExternalVars() : nullptr)
    if (TVariable* v = ext->Find(name)) cell = v->Cell();
  return nullptr;
}

void TBuilder::CheckStack() {
  const char* here = static_cast<const char*>(__builtin_frame_address(0));
  if (stackBase_ && stackBase_ > here && size_t(stackBase_ - here) > kStackBudget) TooComplex();
}

void TBuilder::StmtError(const std::string& msg, bool withToken) {
  std::string st = sc_->StatementText(withToken);
  throw ESyntaxError(st.empty() ? msg : msg + ". Statement: " + st);
}

TValue* TBuilder::CompileExpr(const std::string& text, TValue* target, TOpChain& chain) {
  TExprParser p(*this, std::string(TrimBlanks(text)));
  if (!p.Balanced()) throw EMissMatchingBracket("Missing brackets in expression. Expression: " + p.Text());
  int root = p.ParseFull();
  if (root < 0)
    throw ESyntaxError("Syntax error in expression:\r\n" + (p.FailText().empty() ? p.Text() : p.FailText()));
  return Emit(p, root, target, chain);
}

TValue* TBuilder::Emit(TExprParser& p, int root, TValue* target, TOpChain& chain) {
  std::vector<TNode>& nodes = p.Nodes();
  std::vector<int> depth(nodes.size(), 0);
  std::vector<int> operands, ops;
  std::vector<std::pair<int, int>> stack{{root, 1}};
  while (!stack.empty()) {
    auto [id, dep] = stack.back();
    stack.pop_back();
    TNode& n = nodes[size_t(id)];
    if (n.type != TNode::tOp) {
      operands.push_back(id);
      continue;
    }
    depth[size_t(id)] = dep;
    ops.push_back(id);
    if (n.a >= 0) stack.emplace_back(n.a, dep + 1);
    if (n.b >= 0) stack.emplace_back(n.b, dep + 1);
    for (int a : n.args) stack.emplace_back(a, dep + 1);
  }
  // Names are bound in the order of the text, so that an external variable keeps the
  // form of its first appearance.
  std::sort(operands.begin(), operands.end(),
            [&](int x, int y) { return nodes[size_t(x)].start < nodes[size_t(y)].start; });
  for (int id : operands) {
    TNode& n = nodes[size_t(id)];
    switch (n.type) {
      case TNode::tParam:
        n.cell = obj_.ParamCell(n.param);
        break;
      case TNode::tConst:
        n.cell = obj_.NewCell(n.value);
        break;
      case TNode::tRef:
        n.cell = n.refCell;
        break;
      case TNode::tVar: {
        TValue* cell;
        TVariable* uv = FindVar(n.name, cell);
        if (uv) {
          auto& ref = obj_.Referenced();
          if (std::find(ref.begin(), ref.end(), uv) == ref.end()) ref.push_back(uv);
          obj_.Link.AddUse(&uv->Link);
        }
        if (!cell) {
          TVarsList* ext = owner_ ? owner_->OwnerExternalVars() : nullptr;
          if (!ext) throw EParserInternalError("Internal error");
          cell = ext->Add(n.name)->Cell();
        }
        n.cell = cell;
        break;
      }
      default:
        break;
    }
  }
  if (ops.empty()) {
    TValue* cell = nodes[size_t(root)].cell;
    if (!target) return cell;
    TParserOperation op;
    op.Code = opCopy;
    op.Handler = HandlerFor(opCopy);
    op.A = cell;
    op.Args = {cell};
    op.Result = target;
    op.Line = sc_->LineIndex() + 1;
    op.Column = sc_->TokenStart() + 1;
    chain.push_back(std::move(op));
    return target;
  }
  // Deepest operations first, left to right within a depth.
  std::sort(ops.begin(), ops.end(), [&](int x, int y) {
    if (depth[size_t(x)] != depth[size_t(y)]) return depth[size_t(x)] > depth[size_t(y)];
    return nodes[size_t(x)].start < nodes[size_t(y)].start;
  });
  chain.reserve(chain.size() + ops.size());
  for (int id : ops) {
    TNode& n = nodes[size_t(id)];
    TParserOperation op;
    op.Code = n.code;
    op.Handler = HandlerFor(n.code);
    if (n.a >= 0) op.A = nodes[size_t(n.a)].cell;
    if (n.b >= 0) (op.A ? op.B : op.A) = nodes[size_t(n.b)].cell;
    if (!n.args.empty()) {
      // Calls and index reads keep the array of all their operand cells.
      for (int a : n.args) op.Args.push_back(nodes[size_t(a)].cell);
      if (!op.A) {
        op.A = op.Args[0];
        if (op.Args.size() > 1) op.B = op.Args[1];
        if (op.Args.size() > 2) op.C = op.Args[2];
      }
    }
    int need = OperandsOf(n.code);
    if ((need >= 1 && !op.A) || (need >= 2 && !op.B)) throw EParserInternalError("Internal error");
    op.Data = n.data;
    op.Name = n.name;
    op.Line = sc_->LineIndex() + 1;
    op.Column = sc_->TokenStart() + 1;
    if (n.code == opCallReg || n.code == opCallRegHandled) {
      op.Func = n.func;
      op.Registry = owner_->OwnerRegFuncs();
      obj_.Link.AddUse(&n.func->Link);
      obj_.Link.AddUse(&op.Registry->Link);
    } else if (n.code == opCallUser) {
      op.UserFunc = n.userFunc;
      obj_.Link.AddUse(&n.userFunc->Link);
    } else if (n.code == opCallEvent) {
      op.EventOwner = owner_;
    }
    op.Result = (id == root && target) ? target : obj_.NewCell();
    n.cell = op.Result;
    chain.push_back(std::move(op));
  }
  return nodes[size_t(root)].cell;
}

void TBuilder::BindTarget(const std::string& text, TStatementNode& node, TValue*& cell) {
  std::string name(TrimBlanks(text));
  cell = nullptr;
  if (name.size() >= 2 && name[0] == '%') {
    bool digits = name.size() <= 5;
    int v = 0;
    for (size_t i = 1; i < name.size() && digits; ++i) {
      digits = name[i] >= '0' && name[i] <= '9';
      v = v * 10 + (name[i] - '0');
    }
    if (digits && v <= kMaxParam) {
      cell = obj_.ParamCell(v);
      return;
    }
  }
  if (!IsValidIdent(name) || IsReservedName(name)) return;
  TVariable* uv = FindVar(name, cell);
  node.TargetVar = uv;
  if (!cell) cell = obj_.Locals().Add(name)->Cell();
}

void TBuilder::CompileAssignment(const std::string& target, const std::string& value, TStatementNode& node) {
  TValue* cell;
  BindTarget(target, node, cell);
  if (cell) {
    node.Target = cell;
    CompileExpr(value, cell, node.ChainA);
    return;
  }
  // An indexed or member target.
  std::string t(TrimBlanks(target));
  if (!t.empty()) {
    TExprParser p(*this, t);
    if (p.Balanced()) {
      int id = p.ParseIndex();
      if (id >= 0 && p.Nodes()[size_t(p.Nodes()[size_t(id)].a)].type == TNode::tVar) {
        TValue* v = CompileExpr(value, nullptr, node.ChainA);
        TNode& n = p.Nodes()[size_t(id)];
        // Indices first, then the write into the array variable's element.
        std::vector<int> args = n.args;
        n.args.clear();
        n.code = opIndexRead;
        TOpChain tmp;
        Emit(p, n.a, nullptr, tmp);
        TParserOperation op;
        op.Code = opIndexWrite;
        op.Handler = HandlerFor(opIndexWrite);
        op.A = p.Nodes()[size_t(n.a)].cell;
        op.B = v;
        for (int a : args) {
          TValue* c = Emit(p, a, nullptr, node.ChainA);
          op.Args.push_back(c);
        }
        op.Line = sc_->LineIndex() + 1;
        op.Column = sc_->TokenStart() + 1;
        node.ChainA.push_back(std::move(op));
        node.Target = p.Nodes()[size_t(n.a)].cell;
        return;
      }
      TExprParser pm(*this, t);
      id = pm.ParseMember(true);
      if (id >= 0) {
        TValue* v = CompileExpr(value, nullptr, node.ChainA);
        TNode& n = pm.Nodes()[size_t(id)];
        int valNode = static_cast<int>(pm.Nodes().size());
        pm.Nodes().emplace_back();
        pm.Nodes().back().type = TNode::tRef;
        pm.Nodes().back().refCell = v;
        pm.Nodes().back().start = static_cast<int>(t.size());
        pm.Nodes()[size_t(id)].args.push_back(valNode);
        (void)n;
        Emit(pm, id, nullptr, node.ChainA);
        return;
      }
    }
  }
  StmtError("Valid identifier expected: " + t);
}

TToken TBuilder::ParseList(std::vector<TStatementNode>& out, TCtx ctx, int loops, bool haveToken) {
  bool first = true;
  for (;;) {
    CheckStack();
    TToken tok = haveToken ? sc_->Token() : sc_->NextToken();
    haveToken = false;
    const std::string expr = sc_->ExprText();
    switch (tok) {
      case TToken::Eof:
        if (!expr.empty()) StmtError("Unexpected EOF");
        if (ctx == cTop) return tok;
        if (ctx == cRepeat) StmtError("UNTIL expected");
        if (ctx == cTry1) StmtError("FINALLY or EXCEPT expected");
        StmtError("END expected");
      case TToken::End:
        if (!expr.empty()) StmtError("Semicolon expected");
        if (ctx == cBlock || ctx == cTry2) return tok;
        StmtError("END without BEGIN", true);
      case TToken::Until:
        if (!expr.empty()) StmtError("Semicolon expected");
        if (ctx == cRepeat) return tok;
        StmtError("UNTIL not expected", true);
      case TToken::Finally:
      case TToken::Except:
        if (!expr.empty()) StmtError("Semicolon expected");
        if (ctx == cTry1) return tok;
        StmtError(tok == TToken::Finally ? "FINALLY not expected" : "EXCEPT not expected", true);
      default: {
        TToken term = ParseStatement(tok, out, loops, false, ctx == cTop && first);
        sc_->ClearStatement();
        first = false;
        if (term == TToken::Eof) {
          if (ctx == cTop) return term;
          if (ctx == cRepeat) StmtError("UNTIL expected");
          if (ctx == cTry1) StmtError("FINALLY or EXCEPT expected");
          StmtError("END expected");
        }
      }
    }
  }
}

TToken TBuilder::ParseStatement(TToken tok, std::vector<TStatementNode>& out, int loops, bool elseAllowed,
                                bool beginAllowed) {
  CheckStack();
  const std::string expr = sc_->ExprText();
  auto requireTerminator = [&]() {
    TToken t = sc_->NextToken();
    if (!IsTerminator(t, elseAllowed) || !sc_->ExprText().empty()) StmtError("Semicolon expected");
    return t;
  };
  switch (tok) {
    case TToken::Assign: {
      std::string target = expr;
      TToken t = sc_->NextToken();
      std::string value = sc_->ExprText();
      if (!IsTerminator(t, elseAllowed)) StmtError("Semicolon expected");
      if (value.empty()) StmtError("Invalid assignment");
      TStatementNode node = NewNode(skAssign);
      CompileAssignment(target, value, node);
      out.push_back(std::move(node));
      sc_->ClearStatement();
      return t;
    }
    case TToken::Semicolon:
    case TToken::Eof:
    case TToken::Else:
      if (tok == TToken::Else && !elseAllowed) StmtError("Unexpected token: " + sc_->TokenText(), true);
      if (tok == TToken::Eof && !expr.empty()) StmtError("Unexpected EOF");
      if (!expr.empty()) {
        TStatementNode node = NewNode(skAssign);
        CompileExpr(expr, nullptr, node.ChainA);
        out.push_back(std::move(node));
      }
      sc_->ClearStatement();
      return tok;
    case TToken::If: {
      if (!expr.empty()) StmtError("Semicolon expected");
      TToken t = sc_->NextToken();
      if (t != TToken::Then) StmtError("THEN expected in statement");
      if (sc_->ExprText().empty()) StmtError("Invalid condition");
      TStatementNode node = NewNode(skIf);
      node.ValueA = CompileExpr(sc_->ExprText(), nullptr, node.ChainA);
      TToken b = sc_->NextToken();
      bool emptyThen = b == TToken::Semicolon && sc_->ExprText().empty();
      TToken term = ParseStatement(b, node.List1, loops, elseAllowed || !emptyThen, true);
      if (term == TToken::Else && !emptyThen) {
        TToken eb = sc_->NextToken();
        term = ParseStatement(eb, node.List2, loops, elseAllowed, true);
      }
      out.push_back(std::move(node));
      return term;
    }
    case TToken::While: {
      if (!expr.empty()) StmtError("Semicolon expected");
      TToken t = sc_->NextToken();
      if (t != TToken::Do) StmtError("DO expected in statement");
      if (sc_->ExprText().empty()) StmtError("Invalid condition");
      TStatementNode node = NewNode(skWhile);
      node.ValueA = CompileExpr(sc_->ExprText(), nullptr, node.ChainA);
      TToken b = sc_->NextToken();
      TToken term = ParseStatement(b, node.List1, loops + 1, elseAllowed, true);
      out.push_back(std::move(node));
      return term;
    }
    case TToken::For: {
      if (!expr.empty()) StmtError("Semicolon expected");
      TToken t = sc_->NextToken();
      if (t != TToken::Assign) StmtError("Equation - \":=\", expected in statement");
      std::string name = sc_->ExprText();
      if (!IsValidIdent(name) || IsReservedName(name)) StmtError("Valid identifier expected: " + name);
      t = sc_->NextToken();
      if (t != TToken::To && t != TToken::DownTo) StmtError("TO expected in statement");
      std::string start = sc_->ExprText();
      if (start.empty()) StmtError("Invalid FOR cycle");
      TStatementNode node = NewNode(t == TToken::To ? skForTo : skForDownTo);
      t = sc_->NextToken();
      if (t != TToken::Do) StmtError("DO expected in statement");
      std::string end = sc_->ExprText();
      if (end.empty()) StmtError("Invalid FOR cycle");
      TValue* cell;
      BindTarget(name, node, cell);
      node.Target = cell;
      CompileExpr(start, cell, node.ChainA);
      node.ValueB = CompileExpr(end, nullptr, node.ChainB);
      TToken b = sc_->NextToken();
      TToken term = ParseStatement(b, node.List1, loops + 1, elseAllowed, true);
      out.push_back(std::move(node));
      return term;
    }
    case TToken::Repeat: {
      if (!expr.empty()) StmtError("Semicolon expected");
      TStatementNode node = NewNode(skRepeat);
      ParseList(node.List1, cRepeat, loops + 1, false);
      TToken t = sc_->NextToken();
      if (!IsTerminator(t, elseAllowed)) StmtError("Semicolon expected");
      if (sc_->ExprText().empty()) StmtError("Invalid condition");
      node.ValueA = CompileExpr(sc_->ExprText(), nullptr, node.ChainA);
      out.push_back(std::move(node));
      return t;
    }
    case TToken::Break: {
      if (!expr.empty()) StmtError("Semicolon expected");
      if (loops == 0) StmtError("BREAK not within cycle", true);
      out.push_back(NewNode(skBreak));
      return requireTerminator();
    }
    case TToken::Try: {
      if (!expr.empty()) StmtError("Semicolon expected");
      TStatementNode node = NewNode(skTryFinally);
      TToken mid = ParseList(node.List1, cTry1, loops, false);
      node.Kind = mid == TToken::Finally ? skTryFinally : skTryExcept;
      ParseList(node.List2, cTry2, loops, false);
      out.push_back(std::move(node));
      return requireTerminator();
    }
    case TToken::Begin: {
      if (!beginAllowed) StmtError("BEGIN not expected");
      if (!expr.empty()) StmtError("Semicolon expected");
      ParseList(out, cBlock, loops, false);
      return requireTerminator();
    }
    case TToken::End:
      StmtError("END without BEGIN", true);
    case TToken::Until:
      StmtError("UNTIL not expected", true);
    case TToken::Finally:
      StmtError("FINALLY not expected", true);
    case TToken::Except:
      StmtError("EXCEPT not expected", true);
    default:  // TO, DOWNTO, DO, THEN
      StmtError("Unexpected token: " + sc_->TokenText());
  }
}

std::vector<TStatementNode> TBuilder::Compile(const std::vector<std::string>& lines) {
  TParserScanner sc(lines);
  sc_ = &sc;
  stackBase_ = static_cast<const char*>(__builtin_frame_address(0));
  uint64_t chars = 0;
  for (const std::string& l : lines) chars += l.size() + 1;
  work_ = 0;
  workLimit_ = kWorkBase + kWorkPerChar * chars;
  struct TRecordWork {
    const uint64_t& work;
    ~TRecordWork() { tLastWork = work; }
  } record{work_};
  std::vector<TStatementNode> out;
  try {
    TToken tok = sc.NextToken();
    TVariable* result = obj_.Locals().Add("RESULT");
    if (tok == TToken::Eof) {
      // A single expression: the path of every wage formula and condition.
      if (!sc.ExprText().empty()) {
        TStatementNode node = NewNode(skAssign);
        node.Target = result->Cell();
        CompileExpr(sc.ExprText(), node.Target, node.ChainA);
        out.push_back(std::move(node));
      }
      return out;
    }
    ParseList(out, cTop, 0, true);
    return out;
  } catch (EMathParserError& e) {
    e.Line = sc.LineIndex() + 1;
    e.Column = sc.TokenStart() + 1;
    throw;
  }
}

}  // namespace

uint64_t LastCompileWork() { return tLastWork; }

std::vector<TStatementNode> CompileFormula(TEvalObj& obj, const std::vector<std::string>& lines) {
  TBuilder b(obj);
  return b.Compile(lines);
}

}  // namespace jjgz::eval
