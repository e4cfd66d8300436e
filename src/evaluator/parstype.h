// The statement scanner, and the shared types of the formula evaluator that every
// module uses: errors, names, value kinds, number text, the tagged value and its
// arithmetic.
#pragma once

#include <string>
#include <vector>

#include "EvalError.h"
#include "Names.h"
#include "NumberText.h"
#include "Value.h"
#include "ValueArith.h"
#include "VarKind.h"

namespace jjgz::eval {

enum class TToken {
  Assign,
  Semicolon,
  For,
  To,
  DownTo,
  Do,
  Begin,
  End,
  While,
  Repeat,
  Until,
  Break,
  If,
  Then,
  Else,
  Try,
  Finally,
  Except,
  Eof
};

class TParserScanner {
 public:
  explicit TParserScanner(std::vector<std::string> lines);
  TToken NextToken();
  TToken Token() const { return token_; }
  const std::string& TokenText() const { return tokenText_; }
  const std::string& ExprText() const { return exprText_; }
  int LineIndex() const { return line_; }       // 0-based
  int TokenStart() const { return tokStart_; }  // 0-based
  std::string StatementText(bool withToken = false) const;
  void ClearStatement() {
    statement_.clear();
    tokenText_.clear();
  }

 private:
  bool NextLine();
  std::vector<std::string> lines_;
  int line_ = 0;
  std::string buf_;
  int pos_ = 0;  // read position just after the previous token
  int tokStart_ = 0;
  int tokLen_ = 0;
  TToken token_ = TToken::Eof;
  std::string tokenText_, exprText_, statement_;
};

}  // namespace jjgz::eval
