// Numbers and dates as text, the locale settings they are read and written with, and
// the rounding rules shared by conversions and arithmetic.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace jjgz::eval {

// Locale values the evaluator reads for literals and conversions. The default is
// that of a Simplified Chinese desktop.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "yyyy/M/d";
};
TFormatSettings& FormatSettings();  // process-wide settings used by the evaluator

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
// Rounds n / d to the nearest integer, ties to even; a quotient outside 64 bits is
// "Floating point overflow".
int64_t DivRoundEven(__int128 n, __int128 d);
// A floating-point value as Currency ticks (ten-thousandths), rounded to even.
int64_t DoubleToCurrency(double x);

}  // namespace jjgz::eval
