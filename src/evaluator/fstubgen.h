// Typed call adaptors for native routines: the registry declares a routine's
// parameter and result types; the adaptor converts every argument to its declared
// type before the call and the result back to a value after it.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "ExFuncs.h"
#include "parstype.h"

namespace jjgz::eval {

// Date and Currency arguments and results of native routines.
struct TDateTime {
  double Value = 0;
};
struct TCurrency {
  int64_t Ticks = 0;  // ten-thousandths
};

// Converts a value to the canonical value of a declared type (an Integer for
// Integer, a String for String, ...). Raises the conversion errors of the value type.
TValue ConvertToNative(const TValue& v, TNativeType t);

// The operation handler of a native function: checks the declared types (raising
// "Invalid parameter types in registered function" / "Invalid result type in
// registered function" for types that cannot be passed) and returns the handler.
TFuncHandler MakeNativeAdaptor(TNativeType result, const std::vector<TNativeType>& params,
                               TEPRegFuncs::TNativeRoutine routine);

namespace stub {

template <class T>
struct TypeOf {
  static constexpr TNativeType value = TNativeType::Pointer;
};
template <>
struct TypeOf<void> {
  static constexpr TNativeType value = TNativeType::Void;
};
template <>
struct TypeOf<int32_t> {
  static constexpr TNativeType value = TNativeType::Integer;
};
template <>
struct TypeOf<int64_t> {
  static constexpr TNativeType value = TNativeType::Int64;
};
template <>
struct TypeOf<uint16_t> {
  static constexpr TNativeType value = TNativeType::Word;
};
template <>
struct TypeOf<double> {
  static constexpr TNativeType value = TNativeType::Double;
};
template <>
struct TypeOf<TCurrency> {
  static constexpr TNativeType value = TNativeType::Currency;
};
template <>
struct TypeOf<TDateTime> {
  static constexpr TNativeType value = TNativeType::Date;
};
template <>
struct TypeOf<bool> {
  static constexpr TNativeType value = TNativeType::Boolean;
};
template <>
struct TypeOf<std::string> {
  static constexpr TNativeType value = TNativeType::String;
};
template <>
struct TypeOf<TValue> {
  static constexpr TNativeType value = TNativeType::Variant;
};

// Reads an argument already converted to its declared type.
template <class T>
T From(const TValue& v) {
  if constexpr (std::is_same_v<T, int32_t>)
    return static_cast<int32_t>(v.RawInt());
  else if constexpr (std::is_same_v<T, int64_t>)
    return v.RawInt();
  else if constexpr (std::is_same_v<T, uint16_t>)
    return static_cast<uint16_t>(v.RawInt());
  else if constexpr (std::is_same_v<T, double>)
    return v.RawDouble();
  else if constexpr (std::is_same_v<T, TCurrency>)
    return TCurrency{v.RawInt()};
  else if constexpr (std::is_same_v<T, TDateTime>)
    return TDateTime{v.RawDouble()};
  else if constexpr (std::is_same_v<T, bool>)
    return v.RawInt() != 0;
  else if constexpr (std::is_same_v<T, std::string>)
    return v.Text();
  else if constexpr (std::is_same_v<T, TValue>)
    return v;
  else
    return T{};  // refused at registration, never called
}

template <class T>
TValue To(T x) {
  if constexpr (std::is_same_v<T, int32_t>)
    return TValue::Integer(x);
  else if constexpr (std::is_same_v<T, int64_t>)
    return TValue::Int64(x);
  else if constexpr (std::is_same_v<T, uint16_t>)
    return TValue::Word(x);
  else if constexpr (std::is_same_v<T, double>)
    return TValue::Double(CheckFloat(x));
  else if constexpr (std::is_same_v<T, TCurrency>)
    return TValue::Currency(x.Ticks);
  else if constexpr (std::is_same_v<T, TDateTime>)
    return TValue::Date(x.Value);
  else if constexpr (std::is_same_v<T, bool>)
    return TValue::Boolean(x);
  else if constexpr (std::is_same_v<T, std::string>)
    return TValue::String(std::move(x));
  else if constexpr (std::is_same_v<T, TValue>)
    return x;
  else
    return TValue();
}

template <class R, class... A, size_t... I>
TValue Invoke(R (*fn)(A...), std::vector<TValue>& args, std::index_sequence<I...>) {
  if constexpr (std::is_void_v<R>) {
    fn(From<std::decay_t<A>>(args[I])...);
    return TValue::Byte(0);
  } else {
    return To<R>(fn(From<std::decay_t<A>>(args[I])...));
  }
}

}  // namespace stub

// Registers a C++ function as a native function: its signature gives the declared
// types, and the adaptor is generated here.
template <class R, class... A>
TRegFuncObj* RegisterNativeFn(TEPRegFuncs& reg, const std::string& name, R (*fn)(A...), TFuncCategory category,
                              const std::string& descr) {
  std::vector<TNativeType> params{stub::TypeOf<std::decay_t<A>>::value...};
  TEPRegFuncs::TNativeRoutine routine = [fn](std::vector<TValue>& args) {
    return stub::Invoke(fn, args, std::index_sequence_for<A...>{});
  };
  return reg.RegisterNative(name, std::move(routine), category, descr, stub::TypeOf<R>::value, std::move(params));
}

}  // namespace jjgz::eval
