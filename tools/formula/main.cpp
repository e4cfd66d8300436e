// jjgz-formula: compiles a formula in the evaluator component and evaluates it once.
//
//   jjgz-formula [--var NAME=KIND:VALUE]... [--no-handler] [--trace] [--funcs] [FORMULA]
//
// --funcs attaches a function registry with every group switched on.
// Without FORMULA the lines of standard input are the formula. The result is printed
// as "KIND VALUE"; an error as "error: CLASS: MESSAGE (line L, column C)", exit code 1.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "ExPars.h"

using namespace jjgz::eval;

namespace {

// The evaluator's kind names, except that wide text (OleStr) prints as WideString.
const char* KindName(uint16_t k) { return k == varOleStr ? "WideString" : VarKindName(k); }

std::string ValueText(const TValue& v) {
  switch (v.Kind()) {
    case varEmpty:
    case varNull:
      return std::string();
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return std::to_string(v.RawInt());
    case varSingle:
      return FormatSingleText(static_cast<float>(v.RawDouble()));
    case varDouble:
      return FormatDoubleText(v.RawDouble());
    case varCurrency:
      return FormatCurrencyText(v.RawInt());
    case varDate:
      return FormatDateText(v.RawDouble());
    case varBoolean:
      return v.RawInt() ? "True" : "False";
    case varString:
    case varOleStr:
      return v.Text();
    default:
      if (v.IsArray()) {
        std::string s = "[";
        const TVarArray* a = v.ArrayData();
        for (size_t i = 0; i < a->Items.size(); ++i) {
          if (i) s += ", ";
          s += std::string(KindName(a->Items[i].Kind())) + " " + ValueText(a->Items[i]);
        }
        return s + "]";
      }
      return std::string();
  }
}

bool ParseInt(const std::string& s, long long lo, long long hi, long long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno || *end || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool ParseNumber(const std::string& s, double& out) { return ParseFloatText(s, '.', out); }

// KIND:VALUE of --var.
bool MakeValue(const std::string& spec, TValue& out) {
  size_t colon = spec.find(':');
  std::string kind = spec.substr(0, colon);
  std::string val = colon == std::string::npos ? std::string() : spec.substr(colon + 1);
  long long i;
  double d;
  if (SameText(kind, "Empty")) {
    out = TValue();
    return true;
  }
  if (SameText(kind, "Null")) {
    out = TValue::Null();
    return true;
  }
  if (SameText(kind, "Smallint") && ParseInt(val, INT16_MIN, INT16_MAX, i)) {
    out = TValue::Smallint(int16_t(i));
    return true;
  }
  if (SameText(kind, "Integer") && ParseInt(val, INT32_MIN, INT32_MAX, i)) {
    out = TValue::Integer(int32_t(i));
    return true;
  }
  if (SameText(kind, "ShortInt") && ParseInt(val, INT8_MIN, INT8_MAX, i)) {
    out = TValue::ShortInt(int8_t(i));
    return true;
  }
  if (SameText(kind, "Byte") && ParseInt(val, 0, UINT8_MAX, i)) {
    out = TValue::Byte(uint8_t(i));
    return true;
  }
  if (SameText(kind, "Word") && ParseInt(val, 0, UINT16_MAX, i)) {
    out = TValue::Word(uint16_t(i));
    return true;
  }
  if (SameText(kind, "LongWord") && ParseInt(val, 0, UINT32_MAX, i)) {
    out = TValue::LongWord(uint32_t(i));
    return true;
  }
  if (SameText(kind, "Int64") && ParseInt(val, INT64_MIN, INT64_MAX, i)) {
    out = TValue::Int64(i);
    return true;
  }
  if (SameText(kind, "Single") && ParseNumber(val, d)) {
    out = TValue::Single(float(d));
    return true;
  }
  if (SameText(kind, "Double") && ParseNumber(val, d)) {
    out = TValue::Double(d);
    return true;
  }
  if (SameText(kind, "Currency") && ParseNumber(val, d)) {
    // Exact to the ten-thousandth, from the decimal text.
    TValue s = TValue::String(val);
    try {
      out = TValue::Currency(s.ToCurrency());
    } catch (const EEvalError&) {
      return false;
    }
    return true;
  }
  if (SameText(kind, "Boolean")) {
    if (SameText(val, "True") || val == "1" || val == "-1") {
      out = TValue::Boolean(true);
      return true;
    }
    if (SameText(val, "False") || val == "0") {
      out = TValue::Boolean(false);
      return true;
    }
    return false;
  }
  if (SameText(kind, "String")) {
    out = TValue::String(val);
    return true;
  }
  if (SameText(kind, "WideString") || SameText(kind, "OleStr")) {
    out = TValue::WideString(val);
    return true;
  }
  if (SameText(kind, "Date")) {
    int y, m, dd, hh = 0, mi = 0, ss = 0;
    char tail = 0;
    int n = std::sscanf(val.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &m, &dd, &hh, &mi, &ss, &tail);
    double dt;
    if ((n == 3 || n == 5 || n == 6) && TryEncodeDate(y, m, dd, dt) && hh >= 0 && hh < 24 && mi >= 0 && mi < 60 &&
        ss >= 0 && ss < 60) {
      out = TValue::Date(dt + (hh * 3600 + mi * 60 + ss) / 86400.0);
      return true;
    }
    return false;
  }
  return false;
}

// The evaluator works on 8-bit GBK text, as the wage calculation hands it; the command line
// and the terminal speak UTF-8. Text is converted where it enters the tool and where it leaves.
// Converts UTF-8 to GBK; false when a character has no GBK form (it is named in `bad`).
bool ToGbk(const std::string& utf8, std::string& out, std::string& bad) {
  out.clear();
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == (iconv_t)-1) {
    bad = "(no GBK converter)";
    return false;
  }
  std::string in = utf8;
  char* src = in.data();
  size_t left = in.size();
  char buf[256];
  bool ok = true;
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, dst - buf);
    if (r == (size_t)-1 && errno != E2BIG) {
      // Name the character: its UTF-8 bytes and its code point (a broken sequence by its byte).
      unsigned char lead = static_cast<unsigned char>(*src);
      size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      if (n > left) n = left;
      unsigned cp = n == 1 ? lead : lead & (0x7F >> n);
      bool valid = n > 1;
      for (size_t k = 1; k < n; ++k) {
        unsigned char c = static_cast<unsigned char>(src[k]);
        valid = valid && (c & 0xC0) == 0x80;
        cp = (cp << 6) | (c & 0x3F);
      }
      char code[32];
      if (valid) {
        std::snprintf(code, sizeof code, "U+%04X", cp);
        bad = "\"" + std::string(src, n) + "\" (" + code + ")";
      } else {
        std::snprintf(code, sizeof code, "0x%02X", lead);
        bad = std::string("byte ") + code + " (not UTF-8)";
      }
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  return ok;
}

// Converts GBK to UTF-8; a byte that is not GBK (half a character cut by Copy) becomes U+FFFD.
std::string FromGbk(const std::string& gbk) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == (iconv_t)-1) return gbk;
  std::string in = gbk, out;
  char* src = in.data();
  size_t left = in.size();
  char buf[256];
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, dst - buf);
    if (r == (size_t)-1 && errno != E2BIG) {
      out += "\xEF\xBF\xBD";
      ++src;
      --left;
    }
  }
  iconv_close(cd);
  return out;
}

void Usage() {
  std::fprintf(stderr,
               "usage: jjgz-formula [--var NAME=KIND:VALUE]... [--no-handler] [--trace] [--funcs] [FORMULA]\n"
               "  KIND: Empty Null Smallint Integer Single Double Currency Date(yyyy-MM-dd) WideString\n"
               "        Boolean ShortInt Byte Word LongWord Int64 String\n");
}

}  // namespace

int main(int argc, char** argv) {
  // A write past the file-size limit fails with an error that is reported, instead of ending
  // the process by signal.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  std::map<std::string, TValue> vars;
  bool noHandler = false, trace = false, haveFormula = false, funcs = false;
  std::string formula;
  // Every argument in GBK; a character GBK cannot hold ends the run before anything is evaluated.
  std::vector<std::string> args;
  std::string bad;
  auto gbkOrFail = [&bad](const std::string& utf8, std::string& out) {
    if (ToGbk(utf8, out, bad)) return true;
    std::printf("error: the character %s cannot be written in GBK\n", bad.c_str());
    return false;
  };
  for (int i = 0; i < argc; ++i) {
    args.emplace_back();
    if (!gbkOrFail(argv[i], args.back())) return 1;
  }
  for (int i = 1; i < argc; ++i) {
    std::string a = args[i];
    if (a == "--var" || a.rfind("--var=", 0) == 0) {
      std::string spec;
      if (a == "--var") {
        if (i + 1 >= argc) {
          Usage();
          return 2;
        }
        spec = args[++i];
      } else {
        spec = a.substr(6);
      }
      size_t eq = spec.find('=');
      TValue v;
      if (eq == std::string::npos || eq == 0 || !MakeValue(spec.substr(eq + 1), v)) {
        std::fprintf(stderr, "jjgz-formula: bad --var %s\n", FromGbk(spec).c_str());
        return 2;
      }
      vars[spec.substr(0, eq)] = v;
    } else if (a == "--no-handler") {
      noHandler = true;
    } else if (a == "--trace") {
      trace = true;
    } else if (a == "--funcs") {
      funcs = true;
    } else if (a == "--help" || a == "-h") {
      Usage();
      return 0;
    } else if (a == "--") {
      if (i + 1 < argc) {
        formula = args[++i];
        haveFormula = true;
      }
    } else if (!haveFormula) {
      formula = a;
      haveFormula = true;
    } else {
      Usage();
      return 2;
    }
  }
  std::vector<std::string> lines;
  if (haveFormula) {
    lines = SplitLines(formula);
  } else {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string gbk;
      if (!gbkOrFail(line, gbk)) return 1;
      lines.push_back(gbk);
    }
  }

  TEPRegFuncs registry;
  TExParser parser;
  if (funcs) parser.SetRegFuncs(&registry);
  if (!noHandler) {
    parser.OnVariable = [&](TCustomParser&, const std::string& name, TValue& result) {
      if (trace) std::fprintf(stderr, "ask %s\n", FromGbk(name).c_str());
      auto it = vars.find(name);
      if (it != vars.end()) result = it->second;
    };
  }
  try {
    parser.ExpressionSetInPlace(lines);
    TValue r = parser.Evaluate();
    std::string text = FromGbk(ValueText(r));
    if (r.IsEmpty() || r.IsNull())
      std::printf("%s\n", KindName(r.Kind()));
    else
      std::printf("%s %s\n", KindName(r.Kind()), text.c_str());
    return 0;
  } catch (const EEvalError& e) {
    std::printf("error: %s: %s (line %d, column %d)\n", e.ClassName(), FromGbk(e.Message()).c_str(),
                parser.EvalObj().ErrorLine(), parser.EvalObj().ErrorColumn());
    return 1;
  }
}
