#include "parstype.h"

namespace jjgz::eval {

namespace {
struct TKeyword {
  std::string_view word;
  TToken token;
};
const TKeyword kKeywords[] = {
    {"FOR", TToken::For},     {"TO", TToken::To},       {"DOWNTO", TToken::DownTo},   {"DO", TToken::Do},
    {"BEGIN", TToken::Begin}, {"END", TToken::End},     {"WHILE", TToken::While},     {"REPEAT", TToken::Repeat},
    {"UNTIL", TToken::Until}, {"BREAK", TToken::Break}, {"IF", TToken::If},           {"THEN", TToken::Then},
    {"ELSE", TToken::Else},   {"TRY", TToken::Try},     {"FINALLY", TToken::Finally}, {"EXCEPT", TToken::Except}};
}  // namespace

TParserScanner::TParserScanner(std::vector<std::string> lines) : lines_(std::move(lines)) {
  if (!lines_.empty()) buf_ = lines_[0];
}

bool TParserScanner::NextLine() {
  ++line_;
  pos_ = 0;
  if (line_ < static_cast<int>(lines_.size())) {
    buf_ = lines_[line_];
    return true;
  }
  buf_.clear();
  return false;
}

std::string TParserScanner::StatementText(bool withToken) const {
  std::string s(TrimBlanks(statement_));
  if (withToken && !tokenText_.empty()) {
    if (!s.empty()) s += ' ';
    s += tokenText_;
  }
  return s;
}

TToken TParserScanner::NextToken() {
  if (!tokenText_.empty()) {
    if (!statement_.empty()) statement_ += ' ';
    statement_ += tokenText_;
  }
  std::string pending;
  auto appendPiece = [&](int from, int to) {
    if (to > from) pending.append(buf_, static_cast<size_t>(from), static_cast<size_t>(to - from));
  };
  auto lineBreak = [&]() { pending += ' '; };
  int p = pos_;
  int pendStart = p;
  TToken tok = TToken::Eof;
  int len = 0;
  for (;;) {
    if (p >= static_cast<int>(buf_.size())) {
      appendPiece(pendStart, static_cast<int>(buf_.size()));
      if (!NextLine()) {
        p = 0;
        pendStart = 0;
        tok = TToken::Eof;
        len = 0;
        break;
      }
      lineBreak();
      p = 0;
      pendStart = 0;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(buf_[p]);
    if (c == '\t') {
      buf_[p] = ' ';
      continue;
    }
    if (c == '"') {
      size_t q = buf_.find('"', static_cast<size_t>(p) + 1);
      while (q == std::string::npos) {
        appendPiece(pendStart, static_cast<int>(buf_.size()));
        if (!NextLine()) {
          throw ESyntaxError("The string exceeds the end of the script. Expression: " + buf_);
        }
        lineBreak();
        pendStart = 0;
        q = buf_.find('"');
      }
      p = static_cast<int>(q) + 1;
      continue;
    }
    if (c == '/' && p + 1 < static_cast<int>(buf_.size()) && buf_[p + 1] == '/') {
      appendPiece(pendStart, p);
      if (!NextLine()) {
        p = 0;
        pendStart = 0;
        tok = TToken::Eof;
        len = 0;
        break;
      }
      lineBreak();
      p = 0;
      pendStart = 0;
      continue;
    }
    if (c == '{') {
      appendPiece(pendStart, p);
      size_t q = buf_.find('}', static_cast<size_t>(p) + 1);
      bool eof = false;
      while (q == std::string::npos) {
        if (!NextLine()) {
          eof = true;
          break;
        }
        q = buf_.find('}');
      }
      if (eof) {
        p = 0;
        pendStart = 0;
        tok = TToken::Eof;
        len = 0;
        break;
      }
      p = static_cast<int>(q) + 1;
      pendStart = p;
      continue;
    }
    if (c == ':' && p + 1 < static_cast<int>(buf_.size()) && buf_[p + 1] == '=') {
      tok = TToken::Assign;
      len = 2;
      p += 2;
      break;
    }
    if (c == ';') {
      tok = TToken::Semicolon;
      len = 1;
      p += 1;
      break;
    }
    if (IsIdentStart(c)) {
      int q = p;
      while (q < static_cast<int>(buf_.size()) && IsWordChar(static_cast<unsigned char>(buf_[q]))) ++q;
      std::string_view w(buf_.data() + p, static_cast<size_t>(q - p));
      bool found = false;
      if (w.size() <= 7)
        for (const TKeyword& k : kKeywords)
          if (SameText(w, k.word)) {
            tok = k.token;
            found = true;
            break;
          }
      if (found) {
        len = q - p;
        p = q;
        break;
      }
      p = q;
      continue;
    }
    ++p;
  }
  tokStart_ = p - len;
  appendPiece(pendStart, tokStart_);
  exprText_ = std::string(TrimBlanks(pending));
  tokenText_ = buf_.substr(static_cast<size_t>(tokStart_), static_cast<size_t>(len));
  tokLen_ = len;
  if (!exprText_.empty()) {
    if (!statement_.empty()) statement_ += ' ';
    statement_ += exprText_;
  }
  pos_ = p;
  token_ = tok;
  return tok;
}

}  // namespace jjgz::eval
