#include "fstubgen.h"

#include <memory>

namespace jjgz::eval {

TValue ConvertToNative(const TValue& v, TNativeType t) {
  switch (t) {
    case TNativeType::Integer:
      return TValue::Integer(v.ToInteger());
    case TNativeType::Int64:
      return TValue::Int64(v.ToInt64());
    case TNativeType::Word: {
      int64_t x = v.ToInt64();
      if (x < 0 || x > 65535) RaiseRangeError();
      return TValue::Word(static_cast<uint16_t>(x));
    }
    case TNativeType::Double:
      return TValue::Double(v.ToDouble());
    case TNativeType::Currency:
      return TValue::Currency(v.ToCurrency());
    case TNativeType::Date:
      return TValue::Date(v.ToDate());
    case TNativeType::Boolean:
      if (v.IsText()) {
        if (SameText(v.Text(), "True")) return TValue::Boolean(true);
        if (SameText(v.Text(), "False")) return TValue::Boolean(false);
      }
      return TValue::Boolean(v.ToBoolean());
    case TNativeType::String:
      if (v.IsNull()) RaiseCastError(v.Kind(), "String");
      return TValue::String(v.ToText());
    case TNativeType::Variant:
      return v;
    default:
      RaiseInvalidVariantOp();
  }
}

namespace {
bool Passable(TNativeType t) { return t != TNativeType::Pointer && t != TNativeType::Record; }
}  // namespace

TFuncHandler MakeNativeAdaptor(TNativeType result, const std::vector<TNativeType>& params,
                               TEPRegFuncs::TNativeRoutine routine) {
  for (TNativeType t : params)
    if (!Passable(t) || t == TNativeType::Void)
      throw EMathParserError("Invalid parameter types in registered function");
  if (!Passable(result)) throw EMathParserError("Invalid result type in registered function");
  bool hasResult = result != TNativeType::Void;
  return [params, routine = std::move(routine), hasResult](TFuncCall& call) {
    std::vector<TValue> args;
    args.reserve(params.size());
    for (size_t i = 0; i < params.size() && i < size_t(call.Count); ++i)
      args.push_back(ConvertToNative(call.Arg(int(i)), params[i]));
    TValue r = routine(args);
    if (hasResult) *call.Result = std::move(r);
  };
}

// Defined beside the adaptor it builds, so that the registry needs nothing of this file.
TRegFuncObj* TEPRegFuncs::RegisterNative(const std::string& name, TNativeRoutine routine, TFuncCategory category,
                                         const std::string& descr, TNativeType result,
                                         std::vector<TNativeType> params) {
  auto f = std::make_unique<TRegFuncObj>();
  f->Name = name;
  f->Handler = MakeNativeAdaptor(result, params, std::move(routine));
  f->Category = category;
  f->Description = descr;
  f->ArgCount = static_cast<int>(params.size());
  f->Kind = TFuncKind::Native;
  f->ResultType = result;
  f->ParamTypes = std::move(params);
  return Add(std::move(f), false);
}

}  // namespace jjgz::eval
