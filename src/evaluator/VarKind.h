// Value kinds (codes of the automation variant type, plus 256 for 8-bit text) and
// their classes, which choose the rule of an operation between two values. Code
// that treats kinds by class asks here instead of listing the kinds again.
#pragma once

#include <cstdint>

namespace jjgz::eval {

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

// Classes of kinds. kcOther: object interfaces, error codes, arrays; no operation
// has a rule for them.
enum TKindClass : uint8_t { kcEmp, kcNul, kcInt, kcReal, kcCur, kcStr, kcBool, kcDat, kcI64, kcOther };

constexpr TKindClass ClassOf(uint16_t k) {
  switch (k) {
    case varEmpty:
      return kcEmp;
    case varNull:
      return kcNul;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
      return kcInt;
    case varSingle:
    case varDouble:
      return kcReal;
    case varCurrency:
      return kcCur;
    case varOleStr:
    case varString:
      return kcStr;
    case varBoolean:
      return kcBool;
    case varDate:
      return kcDat;
    case varWord:
    case varLongWord:
    case varInt64:
      return kcI64;
    default:
      return kcOther;
  }
}

// The integer kinds (classes Int and I64): the payload is the integer word.
constexpr bool IsIntegerKind(uint16_t k) { return ClassOf(k) == kcInt || ClassOf(k) == kcI64; }
// Single, Double and Date: the payload is the floating-point word.
constexpr bool IsFloatKind(uint16_t k) { return k == varSingle || k == varDouble || k == varDate; }
// Both text kinds.
constexpr bool IsTextKind(uint16_t k) { return ClassOf(k) == kcStr; }

const char* VarKindName(uint16_t kind);  // names used in conversion messages
[[noreturn]] void RaiseCastError(uint16_t from, const char* to);

}  // namespace jjgz::eval
