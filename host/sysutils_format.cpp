// Format: printf-style specifiers applied to a typed argument list, so that an
// argument of the wrong kind is an error with a text instead of a crash.
#include <charconv>
#include <cmath>

#include "host/sysutils.h"

namespace host {

namespace {

struct Spec {
  bool leftJustify = false;
  bool zeroPad = false;
  bool plusSign = false;
  bool spaceSign = false;
  int width = 0;
  int precision = -1;  // none given
  char type = 0;
};

// The error for a malformed specifier or an argument of the wrong kind.
[[noreturn]] void raiseInvalid(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

// The error for a specifier with no argument left.
[[noreturn]] void raiseMissing(std::string_view format) {
  throw EConvertError("No argument for format '" + std::string(format) + "'");
}

// Reads a run of decimal digits at pos; -1 when there is none.
int readNumber(std::string_view format, std::size_t& pos) {
  if (pos >= format.size() || format[pos] < '0' || format[pos] > '9') return -1;
  int value = 0;
  while (pos < format.size() && format[pos] >= '0' && format[pos] <= '9') {
    if (value > 100000) raiseInvalid(format);  // no field is that wide
    value = value * 10 + (format[pos] - '0');
    ++pos;
  }
  return value;
}

// Parses one specifier after its '%'; sets argIndex when it names one.
Spec parseSpec(std::string_view format, std::size_t& pos, int& argIndex) {
  Spec spec;
  const std::size_t indexStart = pos;
  const int index = readNumber(format, pos);
  if (index >= 0 && pos < format.size() && format[pos] == ':') {
    argIndex = index;
    ++pos;
  } else {
    pos = indexStart;
  }
  for (bool more = true; more && pos < format.size();) {
    switch (format[pos]) {
      case '-':
        spec.leftJustify = true;
        break;
      case '0':
        spec.zeroPad = true;
        break;
      case '+':
        spec.plusSign = true;
        break;
      case ' ':
        spec.spaceSign = true;
        break;
      default:
        more = false;
        continue;
    }
    ++pos;
  }
  spec.width = readNumber(format, pos);
  if (spec.width < 0) spec.width = 0;
  if (pos < format.size() && format[pos] == '.') {
    ++pos;
    spec.precision = readNumber(format, pos);
    if (spec.precision < 0) spec.precision = 0;
  }
  if (pos >= format.size()) raiseInvalid(format);
  spec.type = format[pos++];
  return spec;
}

// Appends sign, zero padding and body inside the field width.
void appendPadded(std::string& out, const Spec& spec, std::string_view sign, std::string_view body,
                  bool zeroPadAllowed) {
  const std::size_t length = sign.size() + body.size();
  const std::size_t fill = static_cast<std::size_t>(spec.width) > length
                               ? static_cast<std::size_t>(spec.width) - length
                               : 0;
  if (spec.leftJustify) {
    out.append(sign);
    out.append(body);
    out.append(fill, ' ');
  } else if (spec.zeroPad && zeroPadAllowed) {
    out.append(sign);
    out.append(fill, '0');
    out.append(body);
  } else {
    out.append(fill, ' ');
    out.append(sign);
    out.append(body);
  }
}

// Sign text of a number that is not negative, from the '+' and ' ' flags.
std::string_view positiveSign(const Spec& spec) {
  if (spec.plusSign) return "+";
  if (spec.spaceSign) return " ";
  return "";
}

// d, u, x, X of an integer argument.
void formatInteger(std::string& out, const Spec& spec, const FormatArg& arg,
                   std::string_view format) {
  if (arg.kind() != FormatArg::Kind::Signed && arg.kind() != FormatArg::Kind::Unsigned)
    raiseInvalid(format);
  bool negative = false;
  std::uint64_t magnitude;
  if (arg.kind() == FormatArg::Kind::Unsigned) {
    magnitude = arg.asUnsigned();
  } else if (spec.type == 'd') {
    negative = arg.asSigned() < 0;
    magnitude = negative ? 0 - static_cast<std::uint64_t>(arg.asSigned())
                         : static_cast<std::uint64_t>(arg.asSigned());
  } else {
    // Unsigned views of a negative value use two's complement of its own width.
    const int bits = arg.byteWidth() * 8;
    const std::uint64_t mask = bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    magnitude = static_cast<std::uint64_t>(arg.asSigned()) & mask;
  }
  char digits[24];
  const int base = (spec.type == 'x' || spec.type == 'X') ? 16 : 10;
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, magnitude, base);
  (void)error;
  if (spec.type == 'X')
    for (char* p = digits; p != end; ++p)
      if (*p >= 'a' && *p <= 'f') *p = static_cast<char>(*p - 32);
  std::string_view body(digits, static_cast<std::size_t>(end - digits));
  std::string withPrecision;
  if (spec.precision >= 0) {
    if (spec.precision == 0 && magnitude == 0) body = {};
    if (body.size() < static_cast<std::size_t>(spec.precision)) {
      withPrecision.assign(static_cast<std::size_t>(spec.precision) - body.size(), '0');
      withPrecision.append(body);
      body = withPrecision;
    }
  }
  const std::string_view sign = negative ? "-" : (spec.type == 'd' ? positiveSign(spec) : "");
  appendPadded(out, spec, sign, body, spec.precision < 0);
}

// f, e, g (and E, G) of a floating-point argument.
void formatFloat(std::string& out, const Spec& spec, const FormatArg& arg,
                 std::string_view format) {
  if (arg.kind() != FormatArg::Kind::Float) raiseInvalid(format);
  const double value = arg.asFloat();
  const char lowerType = static_cast<char>(spec.type | 0x20);
  const std::chars_format style = lowerType == 'f'   ? std::chars_format::fixed
                                  : lowerType == 'e' ? std::chars_format::scientific
                                                     : std::chars_format::general;
  const int precision = spec.precision < 0 ? 6 : spec.precision;
  std::string text(64, '\0');
  for (;;) {
    auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), value, style, precision);
    if (error == std::errc()) {
      text.resize(static_cast<std::size_t>(end - text.data()));
      break;
    }
    text.resize(text.size() * 2);
  }
  for (char& c : text) {
    if (c == '.') c = FormatSettings.DecimalSeparator;
    if (spec.type != lowerType && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  std::string_view body(text);
  std::string_view sign = positiveSign(spec);
  if (!body.empty() && body.front() == '-') {
    sign = "-";
    body.remove_prefix(1);
  }
  appendPadded(out, spec, sign, body, std::isfinite(value));
}

// s of a string or character argument.
void formatString(std::string& out, const Spec& spec, const FormatArg& arg,
                  std::string_view format) {
  if (arg.kind() != FormatArg::Kind::String) raiseInvalid(format);
  std::string_view body = arg.asText();
  if (spec.precision >= 0 && body.size() > static_cast<std::size_t>(spec.precision))
    body = body.substr(0, static_cast<std::size_t>(spec.precision));
  appendPadded(out, spec, "", body, false);
}

}  // namespace

// Walks the format text, copying literal text and expanding each specifier
// with the next (or the indexed) argument.
std::string FormatList(std::string_view format, std::span<const FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 16 * args.size());
  int nextArg = 0;
  std::size_t pos = 0;
  while (pos < format.size()) {
    const std::size_t percent = format.find('%', pos);
    if (percent == std::string_view::npos) {
      out.append(format.substr(pos));
      break;
    }
    out.append(format.substr(pos, percent - pos));
    pos = percent + 1;
    if (pos < format.size() && format[pos] == '%') {
      out += '%';
      ++pos;
      continue;
    }
    const Spec spec = parseSpec(format, pos, nextArg);
    switch (spec.type) {
      case 'd':
      case 'u':
      case 'x':
      case 'X':
      case 'f':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 's':
        break;
      default:
        raiseInvalid(format);
    }
    if (nextArg < 0 || static_cast<std::size_t>(nextArg) >= args.size()) raiseMissing(format);
    const FormatArg& arg = args[static_cast<std::size_t>(nextArg++)];
    switch (spec.type) {
      case 's':
        formatString(out, spec, arg, format);
        break;
      case 'f':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
        formatFloat(out, spec, arg, format);
        break;
      default:
        formatInteger(out, spec, arg, format);
        break;
    }
  }
  return out;
}

}  // namespace host
