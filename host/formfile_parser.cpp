// The form-file lexer and parser: text in, a tree of object blocks out. The
// whole file is parsed before any component is touched, so a file with a
// syntax error changes nothing.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <utility>

#include "host/formfile.h"
#include "host/formfile_internal.h"
#include "host/sysutils.h"

namespace host::formfile {

namespace {

struct TToken {
  enum TKind : std::uint8_t {
    tkEnd,
    tkIdentifier,  // may hold dots: Params.Data, Form1.Session1
    tkInteger,
    tkFloat,
    tkString,  // one quoted piece or one run of #codes, already decoded
    tkSymbol,
    tkBinary,  // a whole {hex} block, decoded to bytes
  };
  TKind Kind = tkEnd;
  std::string Text;
  std::int64_t Integer = 0;
  double Float = 0;
  char Suffix = 0;  // tkFloat: s, c or d after the digits
  char Symbol = 0;
  int Line = 1;
  bool Spaced = false;  // white space came before it (adjacent strings join)
};

// Identifiers are ASCII letters, digits and underscores, as in the
// framework's component names.
bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsIdentChar(char c) {
  return IsIdentStart(c) || IsDigit(c);
}

// The value of a hex digit in either case, or -1 for any other character.
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A character as an error message shows it: printable ones quoted, others
// by code, since the file may hold anything.
std::string DescribeChar(char c) {
  auto code = static_cast<unsigned char>(c);
  if (code >= 0x20 && code < 0x7F) return std::string("'") + c + "'";
  return "#" + std::to_string(code);
}

// Every syntax error names its line.
[[noreturn]] void Fail(int Line, const std::string& What) {
  throw EFormReadError(Line, What);
}

// Appends a character code beyond #255 as UTF-8. Half of a surrogate pair
// that has no other half keeps its own three-byte form, so that writing the
// text again gives the same code back.
void AppendUtf8(std::string& Out, std::uint32_t Code) {
  auto put = [&Out](std::uint32_t Byte) { Out += static_cast<char>(Byte); };
  if (Code < 0x800) {
    put(0xC0 | (Code >> 6));
    put(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    put(0xE0 | (Code >> 12));
    put(0x80 | ((Code >> 6) & 0x3F));
    put(0x80 | (Code & 0x3F));
  } else {
    put(0xF0 | (Code >> 18));
    put(0x80 | ((Code >> 12) & 0x3F));
    put(0x80 | ((Code >> 6) & 0x3F));
    put(0x80 | (Code & 0x3F));
  }
}

// Splits the text into tokens, counting lines ("\r\n", "\n" and a lone "\r"
// each end one).
class TLexer {
 public:
  explicit TLexer(std::string_view Text) : text_(Text) {}

  // The next token; tkEnd at the end of the text, and on every call after.
  TToken Next() {
    TToken token;
    token.Spaced = SkipBlanks();
    token.Line = line_;
    if (pos_ >= text_.size()) return token;
    char c = text_[pos_];
    if (IsIdentStart(c)) {
      LexIdentifier(token);
    } else if (IsDigit(c) || c == '$' ||
               (c == '-' && pos_ + 1 < text_.size() &&
                (IsDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '$'))) {
      LexNumber(token);
    } else if (c == '\'') {
      LexQuoted(token);
    } else if (c == '#') {
      LexCharCodes(token);
    } else if (c == '{') {
      LexBinary(token);
    } else if (std::string_view(":=()+[],<>").find(c) != std::string_view::npos) {
      token.Kind = TToken::tkSymbol;
      token.Symbol = c;
      ++pos_;
    } else {
      Fail(line_, "unexpected character " + DescribeChar(c));
    }
    return token;
  }

 private:
  // Skips blanks and line ends; true when there were any.
  bool SkipBlanks() {
    std::size_t start = pos_;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
      } else if (c == '\r') {
        ++line_;
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
      } else if (c != ' ' && c != '\t') {
        break;
      }
      ++pos_;
    }
    return pos_ != start;
  }

  // A name, or a dotted path of names.
  void LexIdentifier(TToken& token) {
    std::size_t start = pos_;
    for (;;) {
      while (pos_ < text_.size() && IsIdentChar(text_[pos_]))
        ++pos_;
      if (pos_ >= text_.size() || text_[pos_] != '.') break;
      if (pos_ + 1 >= text_.size() || !IsIdentStart(text_[pos_ + 1]))
        Fail(line_,
             "a name must follow '.' in " + std::string(text_.substr(start, pos_ + 1 - start)));
      ++pos_;
    }
    token.Kind = TToken::tkIdentifier;
    token.Text.assign(text_.substr(start, pos_ - start));
  }

  // A decimal integer within 64 bits, a hexadecimal one after '$', or a
  // floating-point number with a fraction, an exponent or both, perhaps
  // followed by the letter s, c or d that says what kind of number it was.
  void LexNumber(TToken& token) {
    std::size_t start = pos_;
    bool negative = text_[pos_] == '-';
    if (negative) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '$') {
      LexHex(token, start, negative);
      return;
    }
    std::size_t digitsStart = pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_]))
      ++pos_;
    std::size_t digitsEnd = pos_;
    bool isFloat = false;
    if (pos_ + 1 < text_.size() && text_[pos_] == '.' && IsDigit(text_[pos_ + 1])) {
      isFloat = true;
      ++pos_;
      while (pos_ < text_.size() && IsDigit(text_[pos_]))
        ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'E' || text_[pos_] == 'e')) {
      std::size_t exponent = pos_ + 1;
      if (exponent < text_.size() && (text_[exponent] == '+' || text_[exponent] == '-')) ++exponent;
      if (exponent < text_.size() && IsDigit(text_[exponent])) {
        isFloat = true;
        pos_ = exponent;
        while (pos_ < text_.size() && IsDigit(text_[pos_]))
          ++pos_;
      }
    }
    std::string_view spelled = text_.substr(start, pos_ - start);
    if (isFloat && pos_ < text_.size() &&
        std::string_view("sScCdD").find(text_[pos_]) != std::string_view::npos) {
      token.Suffix = static_cast<char>(text_[pos_] | 0x20);
      ++pos_;
    }
    if (pos_ < text_.size() && (IsIdentChar(text_[pos_]) || text_[pos_] == '.'))
      Fail(line_, "invalid number " + std::string(text_.substr(start, pos_ + 1 - start)));
    if (isFloat) {
      token.Kind = TToken::tkFloat;
      // from_chars, unlike strtod, reads "." whatever the C locale says.
      auto [end, error] =
          std::from_chars(spelled.data(), spelled.data() + spelled.size(), token.Float);
      if (error != std::errc() || end != spelled.data() + spelled.size() ||
          !std::isfinite(token.Float))
        Fail(line_, "the number " + std::string(spelled) + " is out of range");
      return;
    }
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    std::uint64_t magnitude = 0;
    for (std::size_t i = digitsStart; i < digitsEnd; ++i) {
      auto digit = static_cast<std::uint64_t>(text_[i] - '0');
      if (magnitude > (limit - digit) / 10)
        Fail(line_, "the number " + std::string(spelled) + " is too large");
      magnitude = magnitude * 10 + digit;
    }
    token.Kind = TToken::tkInteger;
    token.Integer =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  }

  // $FF: up to 16 hex digits, taken as the bits of a 64-bit value.
  void LexHex(TToken& token, std::size_t Start, bool Negative) {
    ++pos_;
    std::uint64_t bits = 0;
    std::size_t digits = 0;
    while (pos_ < text_.size() && HexDigitValue(text_[pos_]) >= 0) {
      if (++digits > 16)
        Fail(line_,
             "the number " + std::string(text_.substr(Start, pos_ - Start)) + " is too large");
      bits = bits * 16 + static_cast<std::uint64_t>(HexDigitValue(text_[pos_]));
      ++pos_;
    }
    if (digits == 0 || (pos_ < text_.size() && IsIdentChar(text_[pos_])))
      Fail(line_, "invalid number " + std::string(text_.substr(Start, pos_ + 1 - Start)));
    token.Kind = TToken::tkInteger;
    token.Integer = static_cast<std::int64_t>(Negative ? 0 - bits : bits);
  }

  // 'text' with '' for a quote; a string ends on its own line.
  void LexQuoted(TToken& token) {
    ++pos_;
    token.Kind = TToken::tkString;
    for (;;) {
      if (pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r')
        Fail(line_, "string not closed before the end of the line");
      char c = text_[pos_++];
      if (c == '\'') {
        if (pos_ < text_.size() && text_[pos_] == '\'') {
          token.Text += '\'';
          ++pos_;
          continue;
        }
        return;
      }
      token.Text += c;
    }
  }

  // A run of #13#10 or #$0D codes with nothing between them. Codes up to 255
  // are single bytes; larger ones are characters kept as UTF-8, and a
  // surrogate pair written as two codes (#55357#56832) is one character.
  void LexCharCodes(TToken& token) {
    token.Kind = TToken::tkString;
    std::uint32_t pendingHigh = 0;
    auto flushHigh = [&] {
      if (pendingHigh != 0) AppendUtf8(token.Text, pendingHigh);
      pendingHigh = 0;
    };
    while (pos_ < text_.size() && text_[pos_] == '#') {
      std::uint32_t code = LexCharCode();
      if (pendingHigh != 0 && code >= 0xDC00 && code <= 0xDFFF) {
        AppendUtf8(token.Text, 0x10000 + ((pendingHigh - 0xD800) << 10) + (code - 0xDC00));
        pendingHigh = 0;
        continue;
      }
      flushHigh();
      if (code >= 0xD800 && code <= 0xDBFF)
        pendingHigh = code;
      else if (code <= 0xFF)
        token.Text += static_cast<char>(code);
      else
        AppendUtf8(token.Text, code);
    }
    flushHigh();
  }

  // One #code, decimal or $hex, up to the last character code (#1114111).
  std::uint32_t LexCharCode() {
    ++pos_;
    bool hex = pos_ < text_.size() && text_[pos_] == '$';
    if (hex) ++pos_;
    std::size_t digits = 0;
    std::uint32_t value = 0;
    while (pos_ < text_.size()) {
      int digit =
          hex ? HexDigitValue(text_[pos_]) : (IsDigit(text_[pos_]) ? text_[pos_] - '0' : -1);
      if (digit < 0) break;
      value = value * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
      if (value > 0x10FFFF) Fail(line_, "character code out of range (0..1114111)");
      ++digits;
      ++pos_;
    }
    if (digits == 0) Fail(line_, "'#' must be followed by a character code");
    return value;
  }

  // {hex digits}, possibly over several lines; the digits must pair up.
  void LexBinary(TToken& token) {
    int startLine = line_;
    ++pos_;
    token.Kind = TToken::tkBinary;
    int high = -1;
    for (;;) {
      if (pos_ >= text_.size())
        Fail(startLine, "binary value not closed by '}' before the end of the file");
      char c = text_[pos_];
      if (c == '}') {
        ++pos_;
        break;
      }
      if (c == '\n' || c == '\r' || c == ' ' || c == '\t') {
        SkipBlanks();
        continue;
      }
      int digit = HexDigitValue(c);
      if (digit < 0) Fail(line_, "invalid character " + DescribeChar(c) + " in binary value");
      if (high < 0) {
        high = digit;
      } else {
        token.Text += static_cast<char>(high * 16 + digit);
        high = -1;
      }
      ++pos_;
    }
    if (high >= 0) Fail(startLine, "binary value has an odd number of hex digits");
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

// Recursive descent over the tokens, one token of look-ahead.
class TParser {
 public:
  explicit TParser(std::string_view Text) : lexer_(Text) { Advance(); }

  // A file is one root object block and nothing after it.
  TObjectNode ParseFile() {
    if (!AtObjectKeyword()) Fail(token_.Line, "a form file begins with 'object'");
    TObjectNode root = ParseObject(1);
    if (token_.Kind != TToken::tkEnd) Fail(token_.Line, "text after the end of the root object");
    return root;
  }

 private:
  // Keywords are names compared without case; symbols are single characters.
  void Advance() { token_ = lexer_.Next(); }

  bool IsKeyword(std::string_view Word) const {
    return token_.Kind == TToken::tkIdentifier && SameText(token_.Text, Word);
  }

  bool IsSymbol(char Symbol) const {
    return token_.Kind == TToken::tkSymbol && token_.Symbol == Symbol;
  }

  bool AtObjectKeyword() const {
    return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline");
  }

  void ExpectSymbol(char Symbol, const std::string& Context) {
    if (!IsSymbol(Symbol)) Fail(token_.Line, std::string("expected '") + Symbol + "' " + Context);
    Advance();
  }

  // A single name (no dots), as components and classes have.
  std::string ExpectName(const char* What) {
    if (token_.Kind != TToken::tkIdentifier || token_.Text.find('.') != std::string::npos)
      Fail(token_.Line, std::string("expected ") + What);
    std::string name = std::move(token_.Text);
    Advance();
    return name;
  }

  // Nesting of objects, collections and lists shares one limit, so that no
  // text can run the parser out of stack.
  void CheckDepth(int Depth) const {
    if (Depth > kMaxNesting) Fail(token_.Line, "objects nested too deeply");
  }

  // object|inherited|inline [Name:] Class [[n]], then properties and
  // objects, then end.
  TObjectNode ParseObject(int Depth) {
    CheckDepth(Depth);
    TObjectNode node;
    node.Line = token_.Line;
    node.Flavour = IsKeyword("inherited") ? TObjectNode::ofInherited
                   : IsKeyword("inline")  ? TObjectNode::ofInline
                                          : TObjectNode::ofObject;
    Advance();
    std::string first = ExpectName("a component name or class name");
    if (IsSymbol(':')) {
      Advance();
      node.Name = std::move(first);
      node.ClassName = ExpectName("a class name after ':'");
    } else {
      node.ClassName = std::move(first);
    }
    if (IsSymbol('[')) {
      Advance();
      if (token_.Kind != TToken::tkInteger || token_.Integer < 0 || token_.Integer > 0x7FFFFFFF)
        Fail(token_.Line, "expected a position after '[' in object " + Describe(node));
      node.ChildPos = static_cast<int>(token_.Integer);
      Advance();
      ExpectSymbol(']', "after the position of object " + Describe(node));
    }
    for (;;) {
      if (token_.Kind == TToken::tkEnd)
        Fail(token_.Line, "end of file inside object " + Describe(node) + " begun at line " +
                              std::to_string(node.Line));
      if (IsKeyword("end")) {
        Advance();
        return node;
      }
      if (AtObjectKeyword()) {
        node.Children.push_back(ParseObject(Depth + 1));
        continue;
      }
      if (token_.Kind != TToken::tkIdentifier)
        Fail(token_.Line, "expected a property name, 'object' or 'end'");
      node.Properties.push_back(ParseProperty(Depth));
    }
  }

  // How messages name an object block: by its name, else by its class.
  static std::string Describe(const TObjectNode& Node) {
    return Node.Name.empty() ? Node.ClassName : Node.Name;
  }

  // Name = value
  TPropertyNode ParseProperty(int Depth) {
    TPropertyNode prop;
    prop.Line = token_.Line;
    prop.Path = std::move(token_.Text);
    Advance();
    if (!IsSymbol('=')) Fail(token_.Line, "expected '=' after " + prop.Path);
    Advance();
    prop.Value = ParseValue(prop.Path, Depth);
    return prop;
  }

  // One value; its kind is checked against the property later, when the
  // reader knows which property it is.
  TValue ParseValue(const std::string& Path, int Depth) {
    CheckDepth(Depth);
    TValue value;
    value.Line = token_.Line;
    switch (token_.Kind) {
      case TToken::tkIdentifier:
        value.Kind = TValue::vkIdentifier;
        value.Text = std::move(token_.Text);
        Advance();
        return value;
      case TToken::tkInteger:
        value.Kind = TValue::vkInteger;
        value.Integer = token_.Integer;
        Advance();
        return value;
      case TToken::tkFloat:
        value.Kind = TValue::vkFloat;
        value.Float = token_.Float;
        value.Suffix = token_.Suffix;
        Advance();
        return value;
      case TToken::tkString:
        value.Kind = TValue::vkString;
        value.Text = ParseString();
        return value;
      case TToken::tkBinary:
        value.Kind = TValue::vkBinary;
        value.Text = std::move(token_.Text);
        Advance();
        return value;
      case TToken::tkSymbol:
        if (token_.Symbol == '(') {
          value.Kind = TValue::vkList;
          ParseList(value.Items, Path, Depth);
          return value;
        }
        if (token_.Symbol == '[') {
          value.Kind = TValue::vkSet;
          ParseSet(value.Items, Path);
          return value;
        }
        if (token_.Symbol == '<') {
          value.Kind = TValue::vkCollection;
          ParseCollection(value.Collection, Path, Depth);
          return value;
        }
        break;
      case TToken::tkEnd:
        break;
    }
    Fail(token_.Line, "expected a value for " + Path);
  }

  // Pieces run together ('a'#13#10'b') or joined by '+' form one string;
  // pieces apart, as in a list, are separate strings.
  std::string ParseString() {
    std::string text = std::move(token_.Text);
    Advance();
    for (;;) {
      if (token_.Kind == TToken::tkString && !token_.Spaced) {
        text += token_.Text;
        Advance();
      } else if (IsSymbol('+')) {
        Advance();
        if (token_.Kind != TToken::tkString) Fail(token_.Line, "expected a string after '+'");
        text += token_.Text;
        Advance();
      } else {
        return text;
      }
    }
  }

  // ( value value ... ): strings, numbers and names.
  void ParseList(std::vector<TValue>& Items, const std::string& Path, int Depth) {
    int startLine = token_.Line;
    Advance();
    for (;;) {
      if (IsSymbol(')')) {
        Advance();
        return;
      }
      if (token_.Kind == TToken::tkEnd)
        Fail(token_.Line, "end of file inside the list begun at line " + std::to_string(startLine));
      if (token_.Kind == TToken::tkSymbol && token_.Symbol != '(')
        Fail(token_.Line, "expected a value or ')' in the list of " + Path);
      Items.push_back(ParseValue(Path, Depth + 1));
    }
  }

  // [ name, name ] or [].
  void ParseSet(std::vector<TValue>& Names, const std::string& Path) {
    Advance();
    if (IsSymbol(']')) {
      Advance();
      return;
    }
    for (;;) {
      TValue name;
      name.Line = token_.Line;
      name.Kind = TValue::vkIdentifier;
      name.Text = ExpectName(("a set member in " + Path).c_str());
      Names.push_back(std::move(name));
      if (IsSymbol(']')) {
        Advance();
        return;
      }
      ExpectSymbol(',', "or ']' in the set of " + Path);
    }
  }

  // < item Name = value ... end item ... end >, or <>.
  void ParseCollection(std::vector<TCollectionItemNode>& Items, const std::string& Path,
                       int Depth) {
    int startLine = token_.Line;
    Advance();
    for (;;) {
      if (IsSymbol('>')) {
        Advance();
        return;
      }
      if (token_.Kind == TToken::tkEnd)
        Fail(token_.Line,
             "end of file inside the collection begun at line " + std::to_string(startLine));
      if (!IsKeyword("item")) Fail(token_.Line, "expected 'item' or '>' in the items of " + Path);
      TCollectionItemNode item;
      item.Line = token_.Line;
      Advance();
      for (;;) {
        if (token_.Kind == TToken::tkEnd)
          Fail(token_.Line,
               "end of file inside the item begun at line " + std::to_string(item.Line));
        if (IsKeyword("end")) {
          Advance();
          break;
        }
        if (token_.Kind != TToken::tkIdentifier)
          Fail(token_.Line, "expected a property name or 'end' in an item of " + Path);
        item.Properties.push_back(ParseProperty(Depth + 1));
      }
      Items.push_back(std::move(item));
    }
  }

  TLexer lexer_;
  TToken token_;
};

}  // namespace

// The entry point for the reader: the whole text, parsed or refused.
TObjectNode ParseForm(std::string_view Text) {
  TParser parser(Text);
  return parser.ParseFile();
}

}  // namespace host::formfile
