// Shared types of the formula evaluator: errors, format settings, the tagged value
// with its arithmetic, text helpers and the statement scanner.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jjgz::eval {

// ---------------------------------------------------------------------------
// Errors. EEvalError is the root of everything the evaluator raises; the parser
// family (compile errors) descends from EMathParserError, runtime failures carry
// the class names of the runtime library they imitate.
class EEvalError {
 public:
  explicit EEvalError(std::string msg) : message_(std::move(msg)) {}
  virtual ~EEvalError() = default;
  virtual const char* ClassName() const { return "Exception"; }
  const std::string& Message() const { return message_; }
  void SetMessage(std::string m) { message_ = std::move(m); }
  int Line = 0;    // 1-based, 0 when unknown
  int Column = 0;  // 1-based, 0 when unknown
 private:
  std::string message_;
};

#define JJGZ_EVAL_ERROR(NAME, BASE)                          \
  class NAME : public BASE {                                 \
   public:                                                   \
    using BASE::BASE;                                        \
    const char* ClassName() const override { return #NAME; } \
  };

JJGZ_EVAL_ERROR(EMathParserError, EEvalError)
JJGZ_EVAL_ERROR(ESyntaxError, EMathParserError)
JJGZ_EVAL_ERROR(EMissMatchingBracket, EMathParserError)
JJGZ_EVAL_ERROR(EBadName, EMathParserError)
JJGZ_EVAL_ERROR(EFuncParamsError, EMathParserError)
JJGZ_EVAL_ERROR(EParserInternalError, EMathParserError)
JJGZ_EVAL_ERROR(EBreakCycle, EMathParserError)
// Runtime failures.
JJGZ_EVAL_ERROR(EZeroDivide, EEvalError)             // Floating point division by zero
JJGZ_EVAL_ERROR(EInvalidOp, EEvalError)              // Invalid floating point operation
JJGZ_EVAL_ERROR(EOverflow, EEvalError)               // Floating point overflow
JJGZ_EVAL_ERROR(EDivByZero, EEvalError)              // Division by zero
JJGZ_EVAL_ERROR(ERangeError, EEvalError)             // Range check error
JJGZ_EVAL_ERROR(EVariantTypeCastError, EEvalError)   // Could not convert variant ...
JJGZ_EVAL_ERROR(EVariantInvalidOpError, EEvalError)  // Invalid variant operation
JJGZ_EVAL_ERROR(EVariantArrayError, EEvalError)      // variant array access
#undef JJGZ_EVAL_ERROR

[[noreturn]] void RaiseZeroDivide();
[[noreturn]] void RaiseInvalidOp();
[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseDivByZero();
[[noreturn]] void RaiseRangeError();
[[noreturn]] void RaiseInvalidVariantOp();

// ---------------------------------------------------------------------------
// Locale values the evaluator reads for literals and conversions. The default is
// that of a Simplified Chinese desktop.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "yyyy/M/d";
};
TFormatSettings& FormatSettings();  // process-wide settings used by the evaluator

// ---------------------------------------------------------------------------
// Value kinds (codes of the automation variant type, plus 256 for 8-bit text).
enum TVarKind : uint16_t {
  varEmpty = 0,
  varNull = 1,
  varSmallint = 2,
  varInteger = 3,
  varSingle = 4,
  varDouble = 5,
  varCurrency = 6,
  varDate = 7,
  varOleStr = 8,
  varDispatch = 9,
  varError = 10,
  varBoolean = 11,
  varVariant = 12,
  varUnknown = 13,
  varShortInt = 16,
  varByte = 17,
  varWord = 18,
  varLongWord = 19,
  varInt64 = 20,
  varString = 256,
  varArray = 0x2000
};

class TValue;
struct TVarArray {
  int LowBound = 0;
  std::vector<TValue> Items;
};

// The tagged value. Numbers live in the payload words; both text kinds hold bytes
// (the host hands the evaluator GBK). Arrays are copied by value.
class TValue {
 public:
  TValue() = default;
  TValue(const TValue& o) : kind_(o.kind_), i_(o.i_), d_(o.d_) {
    if (o.s_) s_ = new std::string(*o.s_);
    if (o.arr_) CopyArray(o);
  }
  TValue(TValue&& o) noexcept : kind_(o.kind_), i_(o.i_), d_(o.d_), s_(o.s_), arr_(o.arr_) {
    o.s_ = nullptr;
    o.arr_ = nullptr;
  }
  TValue& operator=(const TValue& o) {
    if (!(s_ || arr_ || o.s_ || o.arr_)) {  // numbers: three words
      kind_ = o.kind_;
      i_ = o.i_;
      d_ = o.d_;
      return *this;
    }
    if (this == &o) return *this;
    kind_ = o.kind_;
    i_ = o.i_;
    d_ = o.d_;
    if (o.s_) {
      if (s_)
        *s_ = *o.s_;
      else
        s_ = new std::string(*o.s_);
    } else if (s_) {
      delete s_;
      s_ = nullptr;
    }
    if (o.arr_ || arr_) CopyArray(o);
    return *this;
  }
  TValue& operator=(TValue&& o) noexcept {
    if (this == &o) return *this;
    // `o` may live inside this value's array: take it over before freeing.
    std::string* s = o.s_;
    TVarArray* arr = o.arr_;
    o.s_ = nullptr;
    o.arr_ = nullptr;
    uint16_t k = o.kind_;
    int64_t i = o.i_;
    double d = o.d_;
    if (s_ || arr_) FreeExt();
    kind_ = k;
    i_ = i;
    d_ = d;
    s_ = s;
    arr_ = arr;
    return *this;
  }
  ~TValue() {
    if (s_ || arr_) FreeExt();
  }

  static TValue Null() {
    TValue v;
    v.kind_ = varNull;
    return v;
  }
  static TValue Smallint(int16_t x) { return MakeInt(varSmallint, x); }
  static TValue Integer(int32_t x) { return MakeInt(varInteger, x); }
  static TValue ShortInt(int8_t x) { return MakeInt(varShortInt, x); }
  static TValue Byte(uint8_t x) { return MakeInt(varByte, x); }
  static TValue Word(uint16_t x) { return MakeInt(varWord, x); }
  static TValue LongWord(uint32_t x) { return MakeInt(varLongWord, x); }
  static TValue Int64(int64_t x) { return MakeInt(varInt64, x); }
  static TValue Boolean(bool b) { return MakeInt(varBoolean, b ? -1 : 0); }
  static TValue Single(float x) {
    TValue v;
    v.kind_ = varSingle;
    v.d_ = x;
    return v;
  }
  static TValue Double(double x) {
    TValue v;
    v.kind_ = varDouble;
    v.d_ = x;
    return v;
  }
  static TValue Date(double x) {
    TValue v;
    v.kind_ = varDate;
    v.d_ = x;
    return v;
  }
  static TValue Currency(int64_t ticks) { return MakeInt(varCurrency, ticks); }  // ten-thousandths
  static TValue String(std::string s) {
    TValue v;
    v.kind_ = varString;
    v.s_ = new std::string(std::move(s));
    return v;
  }
  static TValue WideString(std::string s) {
    TValue v;
    v.kind_ = varOleStr;
    v.s_ = new std::string(std::move(s));
    return v;
  }
  static TValue Array(int lowBound, std::vector<TValue> items);
  static TValue OfKind(uint16_t kind);  // other kinds (object interfaces, error codes): no payload

  uint16_t Kind() const { return kind_; }
  bool IsEmpty() const { return kind_ == varEmpty; }
  bool IsNull() const { return kind_ == varNull; }
  bool IsArray() const { return (kind_ & varArray) != 0; }
  bool IsText() const { return kind_ == varString || kind_ == varOleStr; }
  int64_t RawInt() const { return i_; }
  double RawDouble() const { return d_; }
  const std::string& Text() const { return s_ ? *s_ : EmptyText(); }
  TVarArray* ArrayData() const { return arr_; }

  // Conversions; they raise the runtime errors of the failure table.
  int32_t ToInteger() const;  // rounds real kinds to even, range checked
  int64_t ToInt64() const;
  double ToDouble() const;
  bool ToBoolean() const;
  int64_t ToCurrency() const;  // ten-thousandths
  double ToDate() const;
  std::string ToText() const;  // 8-bit text form

  void Clear() { *this = TValue(); }

  // Store a number in place; cheaper than assigning a new value.
  void SetInt(uint16_t kind, int64_t x) {
    kind_ = kind;
    i_ = x;
    if (s_ || arr_) FreeExt();
  }
  void SetReal(uint16_t kind, double x) {
    kind_ = kind;
    d_ = x;
    if (s_ || arr_) FreeExt();
  }
  // Becomes the value TValue::Double(x) (TValue::Integer(x)) would be, the unused word zero.
  void SetDouble(double x) {
    kind_ = varDouble;
    i_ = 0;
    d_ = x;
    if (s_ || arr_) FreeExt();
  }
  void SetInteger(int32_t x) {
    kind_ = varInteger;
    i_ = x;
    d_ = 0;
    if (s_ || arr_) FreeExt();
  }

 private:
  void CopyArray(const TValue& o);  // this value's array becomes a copy of o's (or none)
  void FreeExt();                   // frees the text and the array
  static const std::string& EmptyText();
  static TValue MakeInt(uint16_t k, int64_t x) {
    TValue v;
    v.kind_ = k;
    v.i_ = x;
    return v;
  }
  uint16_t kind_ = varEmpty;
  int64_t i_ = 0;
  double d_ = 0;
  // Text and array live out of line (owned), so that numbers copy as three words.
  std::string* s_ = nullptr;
  TVarArray* arr_ = nullptr;
};

// Arithmetic and comparison of the value type.
TValue VarAdd(const TValue& a, const TValue& b);
TValue VarSub(const TValue& a, const TValue& b);
TValue VarMul(const TValue& a, const TValue& b);
TValue VarDiv(const TValue& a, const TValue& b);
TValue VarNeg(const TValue& a);
int VarCompare(const TValue& a, const TValue& b);  // -1, 0, 1; Null below every other value
bool VarEquals(const TValue& a, const TValue& b);

const char* VarKindName(uint16_t kind);  // names used in conversion messages
[[noreturn]] void RaiseCastError(uint16_t from, const char* to);

// Floating point checks shared by the operations.
// inf -> overflow, nan -> invalid operation
inline double CheckFloat(double r) {
  if (__builtin_expect(!__builtin_isfinite(r), 0)) {
    if (__builtin_isnan(r)) RaiseInvalidOp();
    RaiseOverflow();
  }
  return r;
}

// Text <-> number and date helpers.
bool ParseFloatText(std::string_view s, char decimalSep, double& out);  // trims blanks
bool ParseDateText(std::string_view s, const TFormatSettings& fs, double& out);
double EncodeDate(int y, int m, int d);  // days since 1899-12-30
bool TryEncodeDate(int y, int m, int d, double& out);
void DecodeDate(double dt, int& y, int& m, int& d);
std::string FormatCurrencyText(int64_t ticks);  // decimals without trailing zeros
std::string FormatDoubleText(double d);         // shortest text that reads back
std::string FormatSingleText(float f);
std::string FormatDateText(double dt);      // yyyy-MM-dd [HH:mm:ss]
int64_t RoundHalfEven(double x, bool& ok);  // to the nearest integer, ties to even

// ---------------------------------------------------------------------------
// Lexical helpers shared by the scanner and the compiler.
inline bool IsIdentStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0xC0;
}
inline bool IsWordChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsValidIdent(std::string_view s);
bool IsReservedName(std::string_view s);  // reserved word or operator character inside
inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z')) return false;
  }
  return true;
}
int CompareText(std::string_view a, std::string_view b);  // case-insensitive (ASCII letters)
std::string UpperCase(std::string_view s);
std::string_view TrimBlanks(std::string_view s);
// Splits a text into lines at CR LF, LF or CR.
std::vector<std::string> SplitLines(const std::string& text);

// ---------------------------------------------------------------------------
// Statement scanner.
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
