// Readers the tests use to take vlrisql's CSV and JSON apart as another
// program would: strict, so that output a parser would refuse fails here.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vlrisql_test {

// Everything written to File (a temporary file), which is left rewound.
inline std::string TextOf(std::FILE* File) {
  std::fflush(File);
  std::rewind(File);
  std::string text;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, File)) > 0)
    text.append(buffer, got);
  std::rewind(File);
  return text;
}

// RFC 4180 with CRLF line ends. A field is nullopt when it was empty and
// unquoted (how NULL is written), "" when it was written as "".
using TCsvRow = std::vector<std::optional<std::string>>;

inline std::vector<TCsvRow> ReadCsv(const std::string& Text) {
  std::vector<TCsvRow> rows;
  std::size_t i = 0;
  while (i < Text.size()) {
    TCsvRow row;
    for (;;) {
      std::optional<std::string> field;
      if (i < Text.size() && Text[i] == '"') {
        std::string value;
        for (++i;; ++i) {
          if (i >= Text.size()) throw std::runtime_error("unclosed quote");
          if (Text[i] != '"') {
            value += Text[i];
          } else if (i + 1 < Text.size() && Text[i + 1] == '"') {
            value += '"';
            ++i;
          } else {
            ++i;
            break;
          }
        }
        field = value;
      } else {
        std::string value;
        while (i < Text.size() && Text[i] != ',' && Text[i] != '\r') {
          if (Text[i] == '"' || Text[i] == '\n') throw std::runtime_error("bare quote or LF");
          value += Text[i++];
        }
        if (!value.empty()) field = value;
      }
      row.push_back(field);
      if (i < Text.size() && Text[i] == ',') {
        ++i;
        continue;
      }
      if (Text.compare(i, 2, "\r\n") != 0) throw std::runtime_error("a record must end in CRLF");
      i += 2;
      break;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// A JSON value: the kinds vlrisql writes.
struct TJson {
  enum class TKind { Null, Boolean, Number, String, Array, Object };
  TKind Kind = TKind::Null;
  bool Boolean = false;
  std::string Text;  // a number as written, or a string decoded
  std::vector<TJson> Items;
  std::vector<std::pair<std::string, TJson>> Members;  // in order

  const TJson& operator[](const std::string& Name) const {
    for (const auto& [name, value] : Members)
      if (name == Name) return value;
    throw std::runtime_error("no member " + Name);
  }
};

class JsonReader {
 public:
  // The one value Text holds (blank space around it allowed).
  static TJson Read(const std::string& Text) {
    JsonReader reader(Text);
    TJson value = reader.Value();
    reader.Blank();
    if (reader.at_ != Text.size()) throw std::runtime_error("text after the value");
    return value;
  }

 private:
  explicit JsonReader(const std::string& Text) : text_(Text) {}

  void Blank() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
      ++at_;
  }
  char Peek() {
    Blank();
    if (at_ >= text_.size()) throw std::runtime_error("unexpected end");
    return text_[at_];
  }
  void Expect(char C) {
    if (Peek() != C) throw std::runtime_error(std::string("expected ") + C);
    ++at_;
  }
  bool Word(const char* W) {
    const std::string word(W);
    if (text_.compare(at_, word.size(), word) != 0) return false;
    at_ += word.size();
    return true;
  }

  TJson Value() {
    TJson value;
    const char c = Peek();
    if (c == '{') {
      value.Kind = TJson::TKind::Object;
      ++at_;
      if (Peek() == '}') return ++at_, value;
      for (;;) {
        std::string name = String();
        Expect(':');
        value.Members.emplace_back(std::move(name), Value());
        if (Peek() == '}') return ++at_, value;
        Expect(',');
      }
    }
    if (c == '[') {
      value.Kind = TJson::TKind::Array;
      ++at_;
      if (Peek() == ']') return ++at_, value;
      for (;;) {
        value.Items.push_back(Value());
        if (Peek() == ']') return ++at_, value;
        Expect(',');
      }
    }
    if (c == '"') {
      value.Kind = TJson::TKind::String;
      value.Text = String();
      return value;
    }
    if (Word("null")) return value;
    if (Word("true") || Word("false")) {
      value.Kind = TJson::TKind::Boolean;
      value.Boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
      return value;
    }
    value.Kind = TJson::TKind::Number;
    const std::size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    const std::size_t digits = at_;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
      ++at_;
    if (at_ == digits) throw std::runtime_error("not a value");
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      const std::size_t fraction = at_;
      while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
        ++at_;
      if (at_ == fraction) throw std::runtime_error("a number ends in '.'");
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
        ++at_;
    }
    value.Text = text_.substr(start, at_ - start);
    return value;
  }

  std::string String() {
    Expect('"');
    std::string out;
    for (;;) {
      if (at_ >= text_.size()) throw std::runtime_error("unclosed string");
      const char c = text_[at_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) throw std::runtime_error("raw control character");
      if (c != '\\') {
        out += c;
        continue;
      }
      const char e = text_.at(at_++);
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          const unsigned code =
              static_cast<unsigned>(std::stoul(text_.substr(at_, 4), nullptr, 16));
          at_ += 4;
          if (code >= 0x80) throw std::runtime_error("only ASCII escapes are expected");
          out += static_cast<char>(code);
          break;
        }
        default:
          throw std::runtime_error("bad escape");
      }
    }
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

// Decodes standard base64 (with padding).
inline std::string FromBase64(const std::string& Text) {
  static const std::string kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : Text) {
    if (c == '=') break;
    const std::size_t value = kAlphabet.find(c);
    if (value == std::string::npos) throw std::runtime_error("not base64");
    buffer = buffer << 6 | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

}  // namespace vlrisql_test
