// Helpers shared by the function bodies of the registry's groups.
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "ExFuncs.h"
#include "fstubgen.h"
#include "parstype.h"

namespace jjgz::eval {

class EConvertError : public EEvalError {
 public:
  using EEvalError::EEvalError;
  const char* ClassName() const override { return "EConvertError"; }
};
class EInOutError : public EEvalError {
 public:
  using EEvalError::EEvalError;
  const char* ClassName() const override { return "EInOutError"; }
};
class EOutOfMemory : public EEvalError {
 public:
  using EEvalError::EEvalError;
  const char* ClassName() const override { return "EOutOfMemory"; }
};

namespace lib {

// Registration that leaves an existing name alone when a group is switched on again.
inline void Reg(TEPRegFuncs& r, bool ifAbsent, const std::string& name, TFuncHandler h, TFuncCategory cat,
                const std::string& descr, int argCount) {
  if (ifAbsent)
    r.RegisterFuncIfAbsent(name, std::move(h), cat, descr, argCount);
  else
    r.RegisterFunc(name, std::move(h), cat, descr, argCount);
}
template <class R, class... A>
void Nat(TEPRegFuncs& r, bool ifAbsent, const std::string& name, R (*fn)(A...), TFuncCategory cat,
         const std::string& descr) {
  if (ifAbsent && r.FindFunc(name)) return;
  RegisterNativeFn(r, name, fn, cat, descr);
}

// Floating point results: NaN is an invalid operation, infinity an overflow.
inline TValue Dbl(double x) { return TValue::Double(CheckFloat(x)); }

// 8-bit text in the GBK code page: a lead byte 0x81-0xFE starts a two-byte character.
inline bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
std::string AnsiUpper(std::string_view s);  // ASCII letters only; two-byte characters kept
std::string AnsiLower(std::string_view s);
size_t AnsiFind(std::string_view s, std::string_view sub, size_t from = 0);  // at character starts

// Dates: days since 1899-12-30, the fraction is the time of day (also for negative dates).
double DateOf(double dt);
double TimeOf(double dt);
double Combine(double date, double time);
void DecodeTimeParts(double dt, int& h, int& m, int& s, int& ms);
bool TryEncodeTime(int h, int m, int s, int ms, double& out);
double NowValue();
std::string FormatDateTimeText(std::string_view fmt, double dt);
std::string DateToText(double dt);
std::string TimeToText(double dt);
std::string DateTimeToText(double dt);

// Numbers as the runtime library writes them.
std::string FloatToText(double x);  // general format, 15 significant digits
std::string FormatFloatText(std::string_view fmt, double x);
std::string FloatToTextF(double x, int format, int precision, int digits);
std::string FormatText(std::string_view fmt, const std::vector<TValue>& args);

}  // namespace lib
}  // namespace jjgz::eval
