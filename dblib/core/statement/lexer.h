// A tokenizer for SQL text, just deep enough to find host variables (? and
// :name), statement boundaries and the leading words that mark the statements
// the library runs itself (CREATE VARIABLE, SET, DROP VARIABLE). Strings,
// quoted names and comments are skipped whole so their contents never count.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dblib {

enum class TokenKind { Word, QuotedName, String, Number, HostVariable, Symbol, Semicolon, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;
  size_t offset = 0;  // of the first character in the lexed text
};

class Lexer {
 public:
  explicit Lexer(std::string_view sql) : sql_(sql) {}
  // Returns the next token, skipping blanks and comments; End at the end.
  Token next();
  // Returns the next token without consuming it.
  Token peek();
  size_t offset() const { return pos_; }

 private:
  void skip_blanks();
  std::string_view sql_;
  size_t pos_ = 0;
};

// Case-insensitive comparison of a token with an upper-case keyword.
bool word_is(const Token& token, const char* keyword);

// A name: a word or a quoted name.
inline bool is_name(const Token& token) {
  return token.kind == TokenKind::Word || token.kind == TokenKind::QuotedName;
}

// A punctuation token with exactly this text ("(", "||", ...).
inline bool is_symbol(const Token& token, std::string_view symbol) {
  return token.kind == TokenKind::Symbol && token.text == symbol;
}

// The name of a host-variable token: "name" for ":name", empty for "?".
std::string_view host_variable_name(const Token& token);

// The identifier a name token stands for (quotes removed).
std::string identifier_of(const Token& token);

// The text a string literal stands for (quotes removed, '' read as ').
std::string string_value(const Token& token);

// Whether token ends a statement (a ";" or the end of the text).
inline bool at_statement_end(const Token& token) {
  return token.kind == TokenKind::End || token.kind == TokenKind::Semicolon;
}

// Offset just past the statement that ends at token (after its ";").
inline size_t end_offset(const Token& token, std::string_view text) {
  return token.kind == TokenKind::End ? text.size() : token.offset + 1;
}

// True when only blanks, comments and semicolons remain in text.
bool only_blanks_remain(std::string_view text);

// Copies sql into out with every host-variable occurrence replaced by ?1, ?2,
// ... and appends each occurrence's name to names. Each occurrence is its own
// variable, even when a name repeats.
void number_host_variables(std::string_view sql, std::string& out, std::vector<std::string>& names);

}  // namespace dblib
