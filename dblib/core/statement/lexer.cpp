#include "dblib/core/statement/lexer.h"

#include <cctype>

#include "dblib/core/support/text.h"

namespace dblib {

namespace {

bool is_name_start(unsigned char c) {
  return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool is_name_part(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

}  // namespace

// Skips blanks, "--" line comments and "/* */" block comments.
void Lexer::skip_blanks() {
  while (pos_ < sql_.size()) {
    unsigned char c = static_cast<unsigned char>(sql_[pos_]);
    if (std::isspace(c)) {
      ++pos_;
    } else if (c == '-' && pos_ + 1 < sql_.size() && sql_[pos_ + 1] == '-') {
      while (pos_ < sql_.size() && sql_[pos_] != '\n')
        ++pos_;
    } else if (c == '/' && pos_ + 1 < sql_.size() && sql_[pos_ + 1] == '*') {
      size_t end = sql_.find("*/", pos_ + 2);
      pos_ = end == std::string_view::npos ? sql_.size() : end + 2;
    } else {
      return;
    }
  }
}

Token Lexer::peek() {
  size_t saved = pos_;
  Token token = next();
  pos_ = saved;
  return token;
}

// Reads one token. Quoted material runs to its closing quote (doubled quotes
// stay inside); an unterminated one runs to the end and SQLite reports it.
Token Lexer::next() {
  skip_blanks();
  Token token;
  token.offset = pos_;
  if (pos_ >= sql_.size()) return token;
  size_t start = pos_;
  unsigned char c = static_cast<unsigned char>(sql_[pos_]);
  auto quoted = [&](char close) {
    ++pos_;
    while (pos_ < sql_.size()) {
      if (sql_[pos_] == close) {
        if (close != ']' && pos_ + 1 < sql_.size() && sql_[pos_ + 1] == close) {
          pos_ += 2;
          continue;
        }
        ++pos_;
        return;
      }
      ++pos_;
    }
  };
  if (c == '\'') {
    quoted('\'');
    token.kind = TokenKind::String;
  } else if (c == '"' || c == '`' || c == '[') {
    quoted(c == '[' ? ']' : static_cast<char>(c));
    token.kind = TokenKind::QuotedName;
  } else if (is_name_start(c)) {
    while (pos_ < sql_.size() && is_name_part(static_cast<unsigned char>(sql_[pos_])))
      ++pos_;
    token.kind = TokenKind::Word;
  } else if (std::isdigit(c) || (c == '.' && pos_ + 1 < sql_.size() &&
                                 std::isdigit(static_cast<unsigned char>(sql_[pos_ + 1])))) {
    while (pos_ < sql_.size()) {
      unsigned char d = static_cast<unsigned char>(sql_[pos_]);
      if (std::isalnum(d) || d == '.') {
        ++pos_;
      } else if ((d == '+' || d == '-') && (sql_[pos_ - 1] == 'e' || sql_[pos_ - 1] == 'E')) {
        ++pos_;
      } else {
        break;
      }
    }
    token.kind = TokenKind::Number;
  } else if (c == '?') {
    ++pos_;
    while (pos_ < sql_.size() && std::isdigit(static_cast<unsigned char>(sql_[pos_])))
      ++pos_;
    token.kind = TokenKind::HostVariable;
  } else if (c == ':' && pos_ + 1 < sql_.size() &&
             is_name_start(static_cast<unsigned char>(sql_[pos_ + 1]))) {
    ++pos_;
    while (pos_ < sql_.size() && is_name_part(static_cast<unsigned char>(sql_[pos_])))
      ++pos_;
    token.kind = TokenKind::HostVariable;
  } else if (c == ';') {
    ++pos_;
    token.kind = TokenKind::Semicolon;
  } else if (c == '|' && pos_ + 1 < sql_.size() && sql_[pos_ + 1] == '|') {
    pos_ += 2;
    token.kind = TokenKind::Symbol;
  } else {
    ++pos_;
    token.kind = TokenKind::Symbol;
  }
  token.text = sql_.substr(start, pos_ - start);
  return token;
}

bool word_is(const Token& token, const char* keyword) {
  return token.kind == TokenKind::Word && same_name(token.text, keyword);
}

std::string_view host_variable_name(const Token& token) {
  if (token.text.size() > 1 && token.text[0] == ':') return token.text.substr(1);
  return {};
}

std::string identifier_of(const Token& token) {
  if (token.kind != TokenKind::QuotedName || token.text.size() < 2) return std::string(token.text);
  std::string name;
  char close = token.text.back();
  for (size_t i = 1; i + 1 < token.text.size(); ++i) {
    name.push_back(token.text[i]);
    if (token.text[i] == close && close != ']' && i + 2 < token.text.size()) ++i;
  }
  return name;
}

std::string string_value(const Token& token) {
  std::string value;
  for (size_t i = 1; i + 1 < token.text.size(); ++i) {
    value.push_back(token.text[i]);
    if (token.text[i] == '\'') ++i;
  }
  return value;
}

bool only_blanks_remain(std::string_view text) {
  Lexer lexer(text);
  for (Token t = lexer.next(); t.kind != TokenKind::End; t = lexer.next()) {
    if (t.kind != TokenKind::Semicolon) return false;
  }
  return true;
}

void number_host_variables(std::string_view sql, std::string& out,
                           std::vector<std::string>& names) {
  out.clear();
  out.reserve(sql.size() + 8);
  Lexer lexer(sql);
  size_t copied = 0;
  for (Token t = lexer.next(); t.kind != TokenKind::End; t = lexer.next()) {
    if (t.kind != TokenKind::HostVariable) continue;
    out.append(sql.substr(copied, t.offset - copied));
    names.emplace_back(host_variable_name(t));
    out.push_back('?');
    out.append(std::to_string(names.size()));
    copied = t.offset + t.text.size();
  }
  out.append(sql.substr(copied));
}

}  // namespace dblib
