// The string and value-array group.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "Bldfuncs.h"
#include "Bldfuncs_lib.h"

namespace jjgz::eval {

namespace lib {

std::string AnsiUpper(std::string_view s) {
  std::string r(s);
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (IsLead(c) && i + 1 < r.size())
      ++i;
    else if (c >= 'a' && c <= 'z')
      r[i] = char(c - 32);
  }
  return r;
}

std::string AnsiLower(std::string_view s) {
  std::string r(s);
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (IsLead(c) && i + 1 < r.size())
      ++i;
    else if (c >= 'A' && c <= 'Z')
      r[i] = char(c + 32);
  }
  return r;
}

size_t AnsiFind(std::string_view s, std::string_view sub, size_t from) {
  if (sub.empty()) return std::string_view::npos;
  for (size_t i = 0; i + sub.size() <= s.size();) {
    if (i >= from && s.compare(i, sub.size(), sub) == 0) return i;
    i += (IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

}  // namespace lib

namespace {

using lib::Nat;
using lib::Reg;
using std::string;

// Positions are 1-based byte positions, as in the runtime library.
string NAdjustLineBreaks(string s) {
  string r;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r') {
      r += "\r\n";
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      r += "\r\n";
    } else {
      r += c;
    }
  }
  return r;
}
int32_t Sign3(int c) { return c < 0 ? -1 : c > 0 ? 1 : 0; }
int32_t NAnsiCompareStr(string a, string b) { return Sign3(a.compare(b)); }
int32_t NAnsiCompareText(string a, string b) { return Sign3(lib::AnsiUpper(a).compare(lib::AnsiUpper(b))); }
string NAnsiLowerCase(string s) { return lib::AnsiLower(s); }
string NAnsiUpperCase(string s) { return lib::AnsiUpper(s); }
int32_t NAnsiPos(string sub, string s) {
  size_t p = lib::AnsiFind(s, sub);
  return p == string::npos ? 0 : int32_t(p + 1);
}
bool NAnsiSameStr(string a, string b) { return a == b; }
bool NAnsiSameText(string a, string b) { return lib::AnsiUpper(a) == lib::AnsiUpper(b); }
// The difference of the first differing bytes, or of the lengths.
int32_t DiffOf(const string& a, const string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return int32_t(static_cast<unsigned char>(a[i])) - static_cast<unsigned char>(b[i]);
  return int32_t(a.size()) - int32_t(b.size());
}
int32_t NCompareStr(string a, string b) { return DiffOf(a, b); }
int32_t NCompareText(string a, string b) { return DiffOf(UpperCase(a), UpperCase(b)); }
bool NIsDelimiter(string delims, string s, int32_t index) {
  if (index < 1 || size_t(index) > s.size()) return false;
  // Not at the second byte of a two-byte character.
  size_t i = 0;
  while (i < size_t(index - 1)) i += (lib::IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  if (i != size_t(index - 1)) return false;
  return delims.find(s[i]) != string::npos;
}
int32_t NLastDelimiter(string delims, string s) {
  int32_t last = 0;
  for (size_t i = 0; i < s.size();) {
    bool lead = lib::IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
    if (!lead && delims.find(s[i]) != string::npos) last = int32_t(i + 1);
    i += lead ? 2 : 1;
  }
  return last;
}
int32_t NLength(string s) { return int32_t(s.size()); }
// LowerCase and UpperCase change ASCII letters only; the second byte of a GBK
// character is left alone, so Chinese text is never corrupted.
string NLowerCase(string s) { return lib::AnsiLower(s); }
string NUpperCase(string s) { return lib::AnsiUpper(s); }
int32_t NPos(string sub, string s) {
  if (sub.empty()) return 0;
  size_t p = s.find(sub);
  return p == string::npos ? 0 : int32_t(p + 1);
}
string NQuotedStr(string s) {
  string r = "'";
  for (char c : s) {
    r += c;
    if (c == '\'') r += '\'';
  }
  return r + "'";
}
// Flags: bit 0 replace all, bit 1 ignore case (SETOF(0, 1) gives both).
string NStringReplace(string s, string from, string to, int32_t flags) {
  if (from.empty()) return s;
  bool all = flags & 1, icase = flags & 2;
  string hay = icase ? lib::AnsiUpper(s) : s, needle = icase ? lib::AnsiUpper(from) : from;
  string r;
  size_t pos = 0;
  for (;;) {
    size_t p = lib::AnsiFind(hay, needle, pos);
    if (p == string::npos) break;
    r.append(s, pos, p - pos);
    r += to;
    pos = p + from.size();
    if (!all) break;
  }
  r.append(s, pos, string::npos);
  return r;
}
bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }
string NTrim(string s) {
  size_t b = 0, e = s.size();
  while (b < e && Blank(s[b])) ++b;
  while (e > b && Blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}
string NTrimLeft(string s) {
  size_t b = 0;
  while (b < s.size() && Blank(s[b])) ++b;
  return s.substr(b);
}
string NTrimRight(string s) {
  size_t e = s.size();
  while (e > 0 && Blank(s[e - 1])) --e;
  return s.substr(0, e);
}

string Text(TFuncCall& c, int i) {
  if (c.Arg(i).IsNull()) RaiseCastError(varNull, "String");
  return c.Arg(i).ToText();
}
constexpr size_t kMaxText = size_t(256) << 20;  // longer texts are refused as out of memory

// AnsiExtractQuotedStr(src, quote): the dequoted text; src keeps the rest.
void FAnsiExtractQuotedStr(TFuncCall& c) {
  string s = Text(c, 0), q = Text(c, 1);
  if (q.empty() || s.empty() || s[0] != q[0]) {
    *c.Result = TValue::String(string());
    return;
  }
  char qc = q[0];
  string out;
  size_t i = 1;
  for (; i < s.size(); ++i) {
    if (lib::IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      out += s[i];
      out += s[++i];
    } else if (s[i] == qc) {
      if (i + 1 < s.size() && s[i + 1] == qc) {
        out += qc;
        ++i;
      } else {
        ++i;
        break;
      }
    } else {
      out += s[i];
    }
  }
  c.Arg(0) = TValue::String(s.substr(std::min(i, s.size())));
  *c.Result = TValue::String(out);
}
void FAnsiQuotedStr(TFuncCall& c) {
  string s = Text(c, 0), q = Text(c, 1);
  char qc = q.empty() ? '"' : q[0];
  string r(1, qc);
  for (size_t i = 0; i < s.size(); ++i) {
    if (lib::IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      r += s[i];
      r += s[++i];
      continue;
    }
    r += s[i];
    if (s[i] == qc) r += qc;
  }
  *c.Result = TValue::String(r + qc);
}
void FConcat(TFuncCall& c) {
  string r;
  for (int i = 0; i < c.Count; ++i) {
    r += Text(c, i);
    CheckNewText(r.size());
    if (r.size() > kMaxText) throw EOutOfMemory("Out of memory");
  }
  *c.Result = TValue::String(std::move(r));
}
// Copy(s, index, count), Delete(s, index, count), Insert(source, target, index).
void Range(const string& s, int32_t index, int32_t count, size_t& b, size_t& n) {
  if (index < 1) index = 1;
  b = size_t(index - 1);
  if (b > s.size()) b = s.size();
  n = count < 0 ? 0 : std::min(size_t(count), s.size() - b);
}
void FCopy(TFuncCall& c) {
  string s = Text(c, 0);
  size_t b, n;
  Range(s, c.Arg(1).ToInteger(), c.Arg(2).ToInteger(), b, n);
  *c.Result = TValue::String(s.substr(b, n));
}
void FDelete(TFuncCall& c) {
  string s = Text(c, 0);
  int32_t index = c.Arg(1).ToInteger(), count = c.Arg(2).ToInteger();
  if (index < 1 || size_t(index) > s.size() || count <= 0) return;
  size_t b, n;
  Range(s, index, count, b, n);
  s.erase(b, n);
  c.Arg(0) = TValue::String(s);
}
void FInsert(TFuncCall& c) {
  string src = Text(c, 0), t = Text(c, 1);
  int32_t index = c.Arg(2).ToInteger();
  size_t at = index < 1 ? 0 : std::min(size_t(index - 1), t.size());
  CheckNewText(t.size() + src.size());
  t.insert(at, src);
  if (t.size() > kMaxText) throw EOutOfMemory("Out of memory");
  c.Arg(1) = TValue::String(t);
}
// SetLength(s, n): cut, or pad with blanks.
void FSetLength(TFuncCall& c) {
  string s = Text(c, 0);
  int32_t n = c.Arg(1).ToInteger();
  if (n < 0) n = 0;
  CheckNewText(size_t(n));
  if (size_t(n) > kMaxText) throw EOutOfMemory("Out of memory");
  s.resize(size_t(n), ' ');
  c.Arg(0) = TValue::String(s);
}
// Str(x [, width [, decimals]], s): the number as text into the last argument.
void FStr(TFuncCall& c) {
  if (c.Count < 2 || c.Count > 4) throw EEvalError("Str needs 2 to 4 arguments");
  const TValue& x = c.Arg(0);
  int width = c.Count >= 3 ? c.Arg(1).ToInteger() : 0;
  int decimals = c.Count == 4 ? c.Arg(2).ToInteger() : -1;
  if (width > 1000) width = 1000;
  if (decimals > 60) decimals = 60;
  string t;
  char buf[1200];
  switch (ClassOf(x.Kind())) {
    case kcInt:
    case kcI64:
    case kcBool:
    case kcEmp:
      t = std::to_string(x.ToInt64());
      break;
    default: {
      double d = x.ToDouble();
      if (decimals >= 0) {
        std::snprintf(buf, sizeof buf, "%.*f", decimals, d);
      } else {
        // Scientific with 15 significant digits and a four-digit exponent.
        int w = width > 0 ? width : 23;
        int digits = std::max(1, std::min(14, w - 9));
        std::snprintf(buf, sizeof buf, "%.*E", digits, d);
        string m(buf);
        size_t e = m.find('E');
        int ex = std::atoi(m.c_str() + e + 1);
        std::snprintf(buf, sizeof buf, "%s%sE%c%04d", d < 0 ? "" : " ", m.substr(0, e).c_str(), ex < 0 ? '-' : '+',
                      ex < 0 ? -ex : ex);
      }
      t = buf;
    }
  }
  if (int(t.size()) < width) t.insert(0, size_t(width) - t.size(), ' ');
  c.Arg(c.Count - 1) = TValue::String(t);
}

// Value arrays. Several dimensions are arrays of arrays.
TValue MakeArray(const std::vector<std::pair<int32_t, int32_t>>& bounds, size_t dim, uint16_t kind) {
  int64_t n = int64_t(bounds[dim].second) - bounds[dim].first + 1;
  if (n < 0) throw EVariantArrayError("Index in variant array is out of bounds");
  CheckNewArray(size_t(n));
  if (n > (1 << 24)) throw EOutOfMemory("Out of memory");
  std::vector<TValue> items;
  items.reserve(size_t(n));
  for (int64_t i = 0; i < n; ++i) {
    if (dim + 1 < bounds.size())
      items.push_back(MakeArray(bounds, dim + 1, kind));
    else if (kind == varVariant || kind == varEmpty)
      items.emplace_back();
    else if (kind == varString || kind == varOleStr)
      items.push_back(kind == varString ? TValue::String("") : TValue::WideString(""));
    else if (kind == varSingle || kind == varDouble || kind == varDate) {
      TValue v;
      v.SetReal(kind, 0);
      items.push_back(v);
    } else {
      TValue v;
      v.SetInt(kind, 0);
      items.push_back(v);
    }
  }
  return TValue::Array(bounds[dim].first, std::move(items));
}
bool KnownKind(int32_t k) {
  return (k >= varEmpty && k <= varDate) || k == varOleStr || k == varBoolean || k == varVariant ||
         (k >= varShortInt && k <= varInt64) || k == varString;
}
// VarArrayCreate(low, high, [low2, high2, ...] kind)
void FVarArrayCreate(TFuncCall& c) {
  if (c.Count < 3 || c.Count % 2 == 0) throw EEvalError("Invalid argument");
  std::vector<std::pair<int32_t, int32_t>> bounds;
  for (int i = 0; i + 1 < c.Count; i += 2) bounds.emplace_back(c.Arg(i).ToInteger(), c.Arg(i + 1).ToInteger());
  int32_t kind = c.Arg(c.Count - 1).ToInteger();
  if (!KnownKind(kind)) throw EEvalError("Invalid argument");
  int64_t total = 1;
  for (auto& b : bounds) {
    total *= std::max<int64_t>(1, int64_t(b.second) - b.first + 1);
    CheckNewArray(size_t(total));
    if (total > (1 << 24)) throw EOutOfMemory("Out of memory");
  }
  *c.Result = MakeArray(bounds, 0, uint16_t(kind));
}
void FVarArrayOf(TFuncCall& c) {
  std::vector<TValue> items;
  for (int i = 0; i < c.Count; ++i) items.push_back(c.Arg(i));
  *c.Result = TValue::Array(0, std::move(items));
}
TVarArray* ArrayOf(const TValue& v) {
  if (!v.IsArray()) throw EVariantArrayError("Returned result is not a variant array");
  return v.ArrayData();
}
const TVarArray* Dim(const TValue& v, int32_t dim) {
  const TVarArray* a = ArrayOf(v);
  for (int32_t d = 1; d < dim; ++d) {
    if (a->Items.empty() || !a->Items[0].IsArray()) a = nullptr;
    if (!a) break;
    a = a->Items[0].ArrayData();
  }
  if (!a || dim < 1) throw EVariantArrayError("Index in variant array is out of bounds");
  return a;
}
int32_t NVarArrayDimCount(TValue v) {
  if (!v.IsArray()) return 0;
  int32_t n = 0;
  const TValue* cur = &v;
  while (cur && cur->IsArray()) {
    ++n;
    const TVarArray* a = cur->ArrayData();
    cur = a->Items.empty() ? nullptr : &a->Items[0];
  }
  return n;
}
int32_t NVarArrayLowBound(TValue v, int32_t dim) { return Dim(v, dim)->LowBound; }
int32_t NVarArrayHighBound(TValue v, int32_t dim) {
  const TVarArray* a = Dim(v, dim);
  return int32_t(int64_t(a->LowBound) + int64_t(a->Items.size()) - 1);
}
// VarArrayRedim(array, highBound): the first dimension gets the new high bound.
void FVarArrayRedim(TFuncCall& c) {
  TVarArray* a = ArrayOf(c.Arg(0));
  int64_t n = int64_t(c.Arg(1).ToInteger()) - a->LowBound + 1;
  if (n < 0) throw EVariantArrayError("Index in variant array is out of bounds");
  CheckNewArray(size_t(n));
  if (n > (1 << 24)) throw EOutOfMemory("Out of memory");
  TValue proto = a->Items.empty() ? TValue() : a->Items[0];
  if (!proto.IsArray()) {
    if (proto.IsText())
      proto = proto.Kind() == varString ? TValue::String("") : TValue::WideString("");
    else if (!proto.IsEmpty())
      proto = VarSub(proto, proto);
  }
  a->Items.resize(size_t(n), proto);
}
TValue NVarArrayRef(TValue v) {
  ArrayOf(v);
  return v;
}

// Conversion to a kind, for VarAsType and VarCast.
TValue AsKind(const TValue& v, int32_t kind) {
  if (v.Kind() == kind) return v;
  auto intIn = [&](int64_t lo, int64_t hi) {
    int64_t x = v.ToInt64();
    if (x < lo || x > hi) RaiseRangeError();
    return x;
  };
  switch (kind) {
    case varEmpty:
      return TValue();
    case varNull:
      return TValue::Null();
    case varSmallint:
      return TValue::Smallint(int16_t(intIn(INT16_MIN, INT16_MAX)));
    case varInteger:
      return TValue::Integer(v.ToInteger());
    case varSingle:
      return TValue::Single(float(v.ToDouble()));
    case varDouble:
      return TValue::Double(v.ToDouble());
    case varCurrency:
      return TValue::Currency(v.ToCurrency());
    case varDate:
      return TValue::Date(v.ToDate());
    case varBoolean:
      return TValue::Boolean(ConvertToNative(v, TNativeType::Boolean).RawInt() != 0);
    case varShortInt:
      return TValue::ShortInt(int8_t(intIn(INT8_MIN, INT8_MAX)));
    case varByte:
      return TValue::Byte(uint8_t(intIn(0, UINT8_MAX)));
    case varWord:
      return TValue::Word(uint16_t(intIn(0, UINT16_MAX)));
    case varLongWord:
      return TValue::LongWord(uint32_t(intIn(0, UINT32_MAX)));
    case varInt64:
      return TValue::Int64(v.ToInt64());
    case varVariant:
      return v;
    case varOleStr:
    case varString: {
      if (v.IsNull()) RaiseCastError(v.Kind(), kind == varString ? "String" : "OleStr");
      std::string t = v.Kind() == varDate ? lib::DateTimeToText(v.RawDouble()) : v.ToText();
      return kind == varString ? TValue::String(t) : TValue::WideString(t);
    }
    default:
      RaiseCastError(v.Kind(), "Unknown");
  }
}
TValue NVarAsType(TValue v, int32_t kind) { return AsKind(v, kind); }
void FVarCast(TFuncCall& c) { c.Arg(0) = AsKind(c.Arg(1), c.Arg(2).ToInteger()); }
void FVarClear(TFuncCall& c) { c.Arg(0) = TValue(); }
void FVarCopy(TFuncCall& c) {
  TValue v = c.Arg(1);
  c.Arg(0) = std::move(v);
}
TValue NVarFromDateTime(TDateTime d) { return TValue::Date(d.Value); }
bool NVarIsArray(TValue v) { return v.IsArray(); }
bool NVarIsEmpty(TValue v) { return v.IsEmpty(); }
bool NVarIsNull(TValue v) { return v.IsNull(); }
TDateTime NVarToDateTime(TValue v) { return TDateTime{v.ToDate()}; }
string NVarToStr(TValue v) {
  if (v.IsNull()) return string();
  if (v.Kind() == varDate) return lib::DateTimeToText(v.RawDouble());
  return v.ToText();
}
uint16_t NVarType(TValue v) { return v.Kind(); }

}  // namespace

void RegisterStringFuncs(TEPRegFuncs& r, bool a) {
  const TFuncCategory S = fct_String, V = fct_Variant;
  Nat(r, a, "AdjustLineBreaks", NAdjustLineBreaks, S, "line breaks as CR LF");
  Nat(r, a, "AnsiCompareStr", NAnsiCompareStr, S, "compares texts");
  Nat(r, a, "AnsiCompareText", NAnsiCompareText, S, "compares texts, case-insensitive");
  Nat(r, a, "AnsiLowerCase", NAnsiLowerCase, S, "lower case");
  Nat(r, a, "AnsiPos", NAnsiPos, S, "position of a text in another");
  Nat(r, a, "AnsiSameStr", NAnsiSameStr, S, "same texts");
  Nat(r, a, "AnsiSameText", NAnsiSameText, S, "same texts, case-insensitive");
  Nat(r, a, "AnsiUpperCase", NAnsiUpperCase, S, "upper case");
  Nat(r, a, "CompareStr", NCompareStr, S, "compares texts");
  Nat(r, a, "CompareText", NCompareText, S, "compares texts, case-insensitive");
  Reg(r, a, "AnsiExtractQuotedStr", FAnsiExtractQuotedStr, S, "AnsiExtractQuotedStr(src, quote)", 2);
  Reg(r, a, "AnsiQuotedStr", FAnsiQuotedStr, S, "AnsiQuotedStr(text, quote)", 2);
  Reg(r, a, "Concat", FConcat, S, "joins texts", -1);
  Reg(r, a, "Copy", FCopy, S, "Copy(text, index, count)", 3);
  Reg(r, a, "Delete", FDelete, S, "Delete(text, index, count)", 3);
  Reg(r, a, "Insert", FInsert, S, "Insert(source, target, index)", 3);
  Reg(r, a, "SetLength", FSetLength, S, "SetLength(text, length)", 2);
  Reg(r, a, "Str", FStr, S, "Str(x, [width, [decimals,]] text)", -1);
  Nat(r, a, "IsDelimiter", NIsDelimiter, S, "IsDelimiter(delimiters, text, index)");
  Nat(r, a, "LastDelimiter", NLastDelimiter, S, "LastDelimiter(delimiters, text)");
  Nat(r, a, "Length", NLength, S, "length in bytes");
  Nat(r, a, "LowerCase", NLowerCase, S, "lower case");
  Nat(r, a, "Pos", NPos, S, "Pos(sub, text)");
  Nat(r, a, "QuotedStr", NQuotedStr, S, "text in single quotes");
  Nat(r, a, "StringReplace", NStringReplace, S, "StringReplace(text, old, new, flags)");
  Nat(r, a, "Trim", NTrim, S, "without leading and trailing blanks");
  Nat(r, a, "TrimLeft", NTrimLeft, S, "without leading blanks");
  Nat(r, a, "TrimRight", NTrimRight, S, "without trailing blanks");
  Nat(r, a, "UpperCase", NUpperCase, S, "upper case");
  Reg(r, a, "VarArrayCreate", FVarArrayCreate, V, "VarArrayCreate(low, high, ..., kind)", -1);
  Nat(r, a, "VarArrayDimCount", NVarArrayDimCount, V, "number of dimensions");
  Nat(r, a, "VarArrayHighBound", NVarArrayHighBound, V, "high bound of a dimension");
  Nat(r, a, "VarArrayLowBound", NVarArrayLowBound, V, "low bound of a dimension");
  Reg(r, a, "VarArrayOf", FVarArrayOf, V, "array of the arguments", -1);
  Reg(r, a, "VarArrayRedim", FVarArrayRedim, V, "VarArrayRedim(array, highBound)", 2);
  Nat(r, a, "VarArrayRef", NVarArrayRef, V, "the array");
  Nat(r, a, "VarAsType", NVarAsType, V, "VarAsType(value, kind)");
  Reg(r, a, "VarCast", FVarCast, V, "VarCast(dest, source, kind)", 3);
  Reg(r, a, "VarClear", FVarClear, V, "VarClear(v): v becomes Empty", 1);
  Reg(r, a, "VarCopy", FVarCopy, V, "VarCopy(dest, source)", 2);
  Nat(r, a, "VarFromDateTime", NVarFromDateTime, V, "date value");
  Nat(r, a, "VarIsArray", NVarIsArray, V, "is an array");
  Nat(r, a, "VarIsEmpty", NVarIsEmpty, V, "is Empty");
  Nat(r, a, "VarIsNull", NVarIsNull, V, "is Null");
  Nat(r, a, "VarToDateTime", NVarToDateTime, V, "as a date");
  Nat(r, a, "VarToStr", NVarToStr, V, "as text, Null as empty text");
  Nat(r, a, "VarType", NVarType, V, "kind code of the value");
}

}  // namespace jjgz::eval
