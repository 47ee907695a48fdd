// Shared by the form-file parser, reader and writer: the parsed form of a
// file, and the text forms of string and byte values. Not part of the
// framework's public face.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {
class TCollectionItem;
class TPersistent;
class TPropInfo;
class TPropertyTable;
}  // namespace host

namespace host::formfile {

struct TPropertyNode;

// One "item ... end" of a collection value.
struct TCollectionItemNode {
  int Line = 0;
  std::vector<TPropertyNode> Properties;
};

// The value on the right of "Name =".
struct TValue {
  enum TKind : std::uint8_t {
    vkIdentifier,  // True, stServer, Session1, Form1.Session1, a handler name
    vkInteger,
    vkFloat,  // 1.5, -2.5E-3, 12.34c (a suffix s, c or d is kept in Suffix)
    vkString,
    vkList,        // ( value value ... ): strings, numbers, names
    vkBinary,      // { hex }
    vkSet,         // [ name, name ]
    vkCollection,  // < item ... end item ... end >
  };
  TKind Kind = vkIdentifier;
  int Line = 0;
  std::string Text;           // identifier, string, or the bytes of a binary value
  std::int64_t Integer = 0;   // vkInteger
  double Float = 0;           // vkFloat
  char Suffix = 0;            // vkFloat: 's', 'c', 'd' or 0
  std::vector<TValue> Items;  // vkList: the values; vkSet: the names
  std::vector<TCollectionItemNode> Collection;  // vkCollection
};

struct TPropertyNode {
  std::string Path;  // "Tag", "Params.Data", "SQL.Strings"
  TValue Value;
  int Line = 0;
};

struct TObjectNode {
  enum TFlavour : std::uint8_t { ofObject, ofInherited, ofInline };
  TFlavour Flavour = ofObject;  // the keyword that opened the block
  std::string Name;             // empty for an unnamed object
  std::string ClassName;
  int ChildPos = -1;  // "[n]" after the class name, or -1
  int Line = 0;
  std::vector<TPropertyNode> Properties;
  std::vector<TObjectNode> Children;

  bool Inherited() const { return Flavour == ofInherited; }
};

// The deepest nesting of object blocks a file may have; deeper text is
// refused rather than risking the reader's stack.
inline constexpr int kMaxNesting = 128;

// Parses a whole form file; EFormReadError on any error of syntax.
TObjectNode ParseForm(std::string_view Text);

// The table a sub-object's properties are written and read with: that of its
// own class when registered, else the one its property declares.
const TPropertyTable& SubObjectTable(TPersistent* Object, const TPropInfo& Prop);
// The table an item of a collection is written and read with: that of its
// own class when registered, else its collection's item table.
const TPropertyTable& CollectionItemTable(TCollectionItem* Item);

// Appends Text as a form-file string: printable ASCII inside single quotes
// (quotes doubled), a UTF-8 sequence of a character beyond #255 as that
// character's code (#1090), every other byte as #code, so the file stays
// plain ASCII and reads back to the same bytes.
void AppendStringLiteral(std::string& Out, std::string_view Text);

// Appends a double as the shortest text that reads back to it, with "." as
// the decimal point whatever the program's FormatSettings say; EWriteError
// for infinities and NaN, which a form file cannot hold.
void AppendFloatLiteral(std::string& Out, double Value);

// Appends Bytes as upper-case hex digits, 32 bytes to a line, every line
// starting with "\n" and Indent.
void AppendHexLines(std::string& Out, std::string_view Bytes, std::string_view Indent);

}  // namespace host::formfile
