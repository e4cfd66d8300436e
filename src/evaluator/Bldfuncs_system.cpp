// The system group: result codes and random numbers. COM objects, message boxes and
// raw memory have no meaning for a formula here and are not registered.
#include <random>

#include "Bldfuncs_lib.h"

namespace jjgz::eval {

namespace {

using lib::Nat;
using lib::Reg;

bool NSucceeded(int32_t res) { return res >= 0; }
bool NFailed(int32_t res) { return res < 0; }
int32_t NResultCode(int32_t res) { return res & 0xFFFF; }
int32_t NResultFacility(int32_t res) { return (res >> 16) & 0x1FFF; }
int32_t NResultSeverity(int32_t res) { return int32_t((uint32_t(res) >> 31) & 1u); }
int32_t NMakeResult(int32_t severity, int32_t facility, int32_t code) {
  return int32_t((uint32_t(severity & 1) << 31) | (uint32_t(facility & 0x1FFF) << 16) | uint32_t(code & 0xFFFF));
}

std::mt19937& Generator() {
  static std::mt19937 g(0x4A4A475Au);
  return g;
}
// Random(): a Double in [0, 1); Random(n): an Integer in [0, n), 0 when n <= 0.
void FRandom(TFuncCall& c) {
  if (c.Count == 0) {
    *c.Result = TValue::Double(std::uniform_real_distribution<double>(0.0, 1.0)(Generator()));
    return;
  }
  if (c.Count > 1) throw EEvalError("Random takes at most one argument");
  int32_t n = c.Arg(0).ToInteger();
  *c.Result = TValue::Integer(n <= 0 ? 0 : std::uniform_int_distribution<int32_t>(0, n - 1)(Generator()));
}
void NRandomize() { Generator().seed(std::random_device{}()); }

}  // namespace

void RegisterSystemFuncs(TEPRegFuncs& r, bool a) {
  const TFuncCategory S = fct_System;
  Nat(r, a, "Succeeded", NSucceeded, S, "result code says success");
  Nat(r, a, "Failed", NFailed, S, "result code says failure");
  Nat(r, a, "ResultCode", NResultCode, S, "code part of a result code");
  Nat(r, a, "ResultFacility", NResultFacility, S, "facility part of a result code");
  Nat(r, a, "ResultSeverity", NResultSeverity, S, "severity bit of a result code");
  Nat(r, a, "MakeResult", NMakeResult, S, "MakeResult(severity, facility, code)");
  Reg(r, a, "Random", FRandom, S, "Random() in [0, 1), Random(n) in [0, n)", -1);
  Nat(r, a, "Randomize", NRandomize, S, "seeds the random numbers");
}

}  // namespace jjgz::eval
