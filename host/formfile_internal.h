// Shared by the form-file parser, reader and writer: the parsed form of a
// file, and the text forms of string and byte values. Not part of the
// framework's public face.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {
class TPersistent;
class TPropInfo;
class TPropertyTable;
}  // namespace host

namespace host::formfile {

// The value on the right of "Name =".
struct TValue {
  enum TKind : std::uint8_t {
    vkIdentifier,  // True, stServer, Session1, Form1.Session1, a handler name
    vkInteger,
    vkString,
    vkList,    // ( 'line' 'line' ... )
    vkBinary,  // { hex }
  };
  TKind Kind = vkIdentifier;
  std::string Text;                // identifier, string, or the bytes of a binary value
  std::int64_t Integer = 0;        // vkInteger
  std::vector<std::string> Lines;  // vkList
};

struct TPropertyNode {
  std::string Path;  // "Tag", "Params.Data", "SQL.Strings"
  TValue Value;
  int Line = 0;
};

struct TObjectNode {
  bool Inherited = false;  // "inherited" rather than "object"
  std::string Name;        // empty for an unnamed root
  std::string ClassName;
  int Line = 0;
  std::vector<TPropertyNode> Properties;
  std::vector<TObjectNode> Children;
};

// The deepest nesting of object blocks a file may have; deeper text is
// refused rather than risking the reader's stack.
inline constexpr int kMaxNesting = 128;

// Parses a whole form file; EFormReadError on any error of syntax.
TObjectNode ParseForm(std::string_view Text);

// The table a sub-object's properties are written and read with: that of its
// own class when registered, else the one its property declares.
const TPropertyTable& SubObjectTable(TPersistent* Object, const TPropInfo& Prop);

// Appends Text as a form-file string: printable ASCII inside single quotes
// (quotes doubled), every other byte as #code, so the file stays plain ASCII.
void AppendStringLiteral(std::string& Out, std::string_view Text);

// Appends Bytes as upper-case hex digits, 32 bytes to a line, every line
// starting with "\n" and Indent.
void AppendHexLines(std::string& Out, std::string_view Bytes, std::string_view Indent);

}  // namespace host::formfile
