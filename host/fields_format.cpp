#include "host/fields_format.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "host/sysutils.h"

namespace host {

namespace {

// to_chars does not depend on the C locale; the separator is put in after.
std::string Digits(double Value, std::chars_format Format, int Precision) {
  char buffer[400];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, Value, Format, Precision);
  if (error != std::errc()) return FloatToStr(Value);
  return std::string(buffer, end);
}

std::string WithDecimalSeparator(std::string Text) {
  for (char& c : Text)
    if (c == '.') c = FormatSettings.DecimalSeparator;
  return Text;
}

char ThousandSeparator() {
  return FormatSettings.DecimalSeparator == ',' ? '.' : ',';
}

// The sections of a format, split at ';' outside quotes.
std::vector<std::string_view> Sections(std::string_view Format) {
  std::vector<std::string_view> sections;
  char quote = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < Format.size(); ++i) {
    char c = Format[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.push_back(Format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(Format.substr(start));
  return sections;
}

// What one section asks for.
struct TNumberPattern {
  std::string Prefix;  // literal text before the number
  std::string Suffix;  // literal text after it
  int MinWhole = 0;    // whole digits always shown
  int Decimals = 0;    // decimals at most
  int MinDecimals = 0;
  bool Grouped = false;
  bool HasDigits = false;
};

TNumberPattern ParseSection(std::string_view Section) {
  TNumberPattern pattern;
  bool seenPoint = false;
  int wholeSinceZero = -1;  // whole placeholders from the first '0' on
  for (std::size_t i = 0; i < Section.size(); ++i) {
    char c = Section[i];
    std::string& literal = pattern.HasDigits ? pattern.Suffix : pattern.Prefix;
    if (c == '"' || c == '\'') {
      std::size_t close = Section.find(c, i + 1);
      if (close == std::string_view::npos) close = Section.size();
      literal.append(Section.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '0' || c == '#') {
      pattern.HasDigits = true;
      if (seenPoint) {
        ++pattern.Decimals;
        if (c == '0') pattern.MinDecimals = pattern.Decimals;
      } else {
        if (c == '0' && wholeSinceZero < 0) wholeSinceZero = 0;
        if (wholeSinceZero >= 0) ++wholeSinceZero;
      }
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
      pattern.HasDigits = true;
    } else if (c == ',' && !seenPoint) {
      pattern.Grouped = true;
    } else {
      literal += c;
    }
  }
  pattern.MinWhole = std::max(wholeSinceZero, 0);
  return pattern;
}

// The digits of Value (not negative) as the pattern asks.
std::string RenderNumber(const TNumberPattern& Pattern, double Value) {
  std::string fixed = Digits(Value, std::chars_format::fixed, Pattern.Decimals);
  std::size_t point = fixed.find('.');
  std::string whole = fixed.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : fixed.substr(point + 1);
  while (static_cast<int>(fraction.size()) > Pattern.MinDecimals && !fraction.empty() &&
         fraction.back() == '0')
    fraction.pop_back();
  if (whole == "0" && Pattern.MinWhole == 0) whole.clear();
  while (static_cast<int>(whole.size()) < Pattern.MinWhole)
    whole.insert(whole.begin(), '0');
  if (Pattern.Grouped && whole.size() > 3) {
    std::string grouped;
    std::size_t lead = whole.size() % 3;
    for (std::size_t i = 0; i < whole.size(); ++i) {
      if (i != 0 && (i - lead) % 3 == 0 && i >= lead) grouped += ThousandSeparator();
      grouped += whole[i];
    }
    whole = std::move(grouped);
  }
  if (fraction.empty()) return whole;
  return whole + FormatSettings.DecimalSeparator + fraction;
}

}  // namespace

std::string FormatNumberPattern(std::string_view Format, double Value) {
  std::vector<std::string_view> sections = Sections(Format);
  std::string_view section = sections[0];
  bool showSign = Value < 0;
  if (Value < 0 && sections.size() > 1 && !sections[1].empty()) {
    section = sections[1];
    showSign = false;
  } else if (Value == 0 && sections.size() > 2 && !sections[2].empty()) {
    section = sections[2];
  }
  TNumberPattern pattern = ParseSection(section);
  std::string number = pattern.HasDigits ? RenderNumber(pattern, std::fabs(Value)) : std::string();
  if (showSign && !number.empty() && number.find_first_not_of("0.,") != std::string::npos)
    number.insert(number.begin(), '-');
  return pattern.Prefix + number + pattern.Suffix;
}

std::string FormatGeneral(double Value, int Digits_) {
  std::string text = Digits(Value, std::chars_format::general, Digits_);
  std::size_t exponent = text.find('e');
  if (exponent != std::string::npos) {
    std::string mantissa = text.substr(0, exponent);
    std::string power = text.substr(exponent + 1);
    bool negative = !power.empty() && power[0] == '-';
    if (!power.empty() && (power[0] == '+' || power[0] == '-')) power.erase(0, 1);
    while (power.size() > 1 && power[0] == '0')
      power.erase(0, 1);
    text = mantissa + "E" + (negative ? "-" : "") + power;
  }
  return WithDecimalSeparator(std::move(text));
}

std::string FormatFixed(double Value, int Decimals) {
  return WithDecimalSeparator(Digits(Value, std::chars_format::fixed, Decimals));
}

}  // namespace host
