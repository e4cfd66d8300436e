// The tagged value every cell holds, with its conversions. Its arithmetic is in
// ValueArith.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "VarKind.h"

namespace jjgz::eval {

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

}  // namespace jjgz::eval
