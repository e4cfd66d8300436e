#include "VarKind.h"

#include <string>

#include "EvalError.h"

namespace jjgz::eval {

const char* VarKindName(uint16_t kind) {
  if (kind & varArray) return "Array";
  switch (kind) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varSmallint:
      return "Smallint";
    case varInteger:
      return "Integer";
    case varSingle:
      return "Single";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varOleStr:
      return "OleStr";
    case varDispatch:
      return "Dispatch";
    case varError:
      return "Error";
    case varBoolean:
      return "Boolean";
    case varVariant:
      return "Variant";
    case varUnknown:
      return "Unknown";
    case varShortInt:
      return "ShortInt";
    case varByte:
      return "Byte";
    case varWord:
      return "Word";
    case varLongWord:
      return "LongWord";
    case varInt64:
      return "Int64";
    case varString:
      return "String";
    default:
      return "Unknown";
  }
}

void RaiseCastError(uint16_t from, const char* to) {
  throw EVariantTypeCastError(std::string("Could not convert variant of type (") + VarKindName(from) + ") into type (" +
                              to + ")");
}

}  // namespace jjgz::eval
