// Version information: the tree of a version block and the three queries the
// library asks of it.
//
// A block is a tree of nodes. Each node is: a 16-bit length of the whole node,
// a 16-bit value length (characters for text, bytes for binary), a 16-bit type
// (1 text, 0 binary), its key in UTF-16 with a terminator, padding to four
// bytes, its value, then its children, each aligned on four bytes. The lengths
// come from the file, so every one is checked against the node that holds it.
//
// GetFileVersionInfo lays out the caller's buffer as the block itself, padded
// to four bytes, followed by an area of the same size holding each text value
// converted to single-byte text at its value's offset. Queries thus return
// pointers into the buffer, as the calls this stands in for do. The buffer's
// last byte is always zero (no converted text reaches it), so whatever a
// caller reads from it as text ends inside it.
#include <cerrno>
#include <cstring>
#include <string_view>

#include "host/os.h"

namespace host {

namespace {

constexpr std::size_t kFixedInfoSize = sizeof(TVSFixedFileInfo);
constexpr int kMaxDepth = 8;

// Little-endian fields of the block; the caller has checked the bounds.
std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(Le16(p)) | (static_cast<std::uint32_t>(Le16(p + 2)) << 16);
}
// Nodes, values and children start on four-byte boundaries.
std::size_t Align4(std::size_t n) {
  return (n + 3) & ~std::size_t{3};
}

struct Node {
  std::size_t end = 0;         // one past the node's last byte
  std::size_t key = 0;         // first key character
  std::size_t keyChars = 0;    // key length without its terminator
  std::size_t value = 0;       // first value byte
  std::size_t valueBytes = 0;  // value length in bytes, inside the node
  bool text = false;
  std::size_t children = 0;  // first child, or end
};

// Parses the node at Start, which must lie wholly before Limit. A text value
// that claims more room than its node has is cut at the node's end (only its
// characters up to the terminator are used); a binary one that does not fit
// makes the node invalid.
bool ParseNode(const std::uint8_t* Base, std::size_t Limit, std::size_t Start, Node& Out) {
  if (Start > Limit || Limit - Start < 6) return false;
  std::size_t length = Le16(Base + Start);
  std::size_t valueLength = Le16(Base + Start + 2);
  std::uint16_t type = Le16(Base + Start + 4);
  if (length < 6 || length > Limit - Start) return false;
  Out.end = Start + length;
  Out.key = Start + 6;
  std::size_t at = Out.key;
  while (at + 2 <= Out.end && Le16(Base + at) != 0)
    at += 2;
  if (at + 2 > Out.end) return false;  // key without terminator
  Out.keyChars = (at - Out.key) / 2;
  Out.text = type == 1;
  Out.value = std::min(Align4(at + 2), Out.end);
  std::size_t room = Out.end - Out.value;
  std::size_t bytes = Out.text ? valueLength * 2 : valueLength;
  if (bytes > room) {
    if (!Out.text) return false;
    bytes = room & ~std::size_t{1};
  }
  Out.valueBytes = bytes;
  Out.children = std::min(Align4(Out.value + bytes), Out.end);
  return true;
}

// Compares a node's UTF-16 key with single-byte text, ASCII letters without
// regard to case.
bool KeyEquals(const std::uint8_t* Base, const Node& N, std::string_view Name) {
  if (N.keyChars != Name.size()) return false;
  auto fold = [](unsigned c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; };
  for (std::size_t i = 0; i < N.keyChars; ++i) {
    unsigned wide = Le16(Base + N.key + 2 * i);
    if (fold(wide) != fold(static_cast<unsigned char>(Name[i]))) return false;
  }
  return true;
}

// Visits the children of Parent in order; stops at the first that does not
// parse, since nothing after it can be located.
template <typename Visit>
void ForEachChild(const std::uint8_t* Base, const Node& Parent, Visit&& visit) {
  std::size_t at = Parent.children;
  while (at < Parent.end && Parent.end - at >= 6) {
    Node child;
    if (!ParseNode(Base, Parent.end, at, child)) return;
    if (!visit(child)) return;
    at = Align4(child.end);
  }
}

// The single-byte form of a UTF-16 character: Latin-1 characters as they are,
// the typographic characters that Windows-1252 places at 0x80-0x9F there, and
// "?" for the rest.
unsigned char NarrowChar(unsigned wide) {
  if (wide < 0x80 || (wide >= 0xA0 && wide <= 0xFF)) return static_cast<unsigned char>(wide);
  static constexpr struct {
    std::uint16_t wide;
    unsigned char narrow;
  } kHigh[] = {
      {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
      {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
      {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
      {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
      {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
      {0x017E, 0x9E}, {0x0178, 0x9F},
  };
  for (const auto& entry : kHigh)
    if (entry.wide == wide) return entry.narrow;
  return '?';
}

// Writes the single-byte form of every text value of the tree below N into the
// area at Narrow, at the same offset the value has in the block. A value of n
// UTF-16 units gives at most n characters and a terminator, which fit in the
// 2n bytes its offset reserves.
void NarrowTextValues(const std::uint8_t* Base, const Node& N, std::uint8_t* Narrow, int Depth) {
  if (N.text && N.valueBytes >= 2) {
    std::uint8_t* out = Narrow + N.value;
    std::size_t units = N.valueBytes / 2;
    for (std::size_t i = 0; i < units; ++i) {
      unsigned wide = Le16(Base + N.value + 2 * i);
      if (wide == 0) break;
      // A surrogate pair is one character: one "?".
      if (wide >= 0xD800 && wide <= 0xDBFF && i + 1 < units) {
        unsigned next = Le16(Base + N.value + 2 * (i + 1));
        if (next >= 0xDC00 && next <= 0xDFFF) ++i;
      }
      *out++ = NarrowChar(wide);
    }
    *out = 0;
  }
  if (Depth >= kMaxDepth) return;
  ForEachChild(Base, N, [&](const Node& child) {
    NarrowTextValues(Base, child, Narrow, Depth + 1);
    return true;
  });
}

// Reads and checks a file's block: its root must parse inside what was read
// and carry the key VS_VERSION_INFO. Returns the root's length, or 0.
std::size_t LoadCheckedBlock(const std::string& FileName, std::vector<std::uint8_t>& Block) {
  Block = ReadVersionBlock(FileName);
  if (Block.empty()) return 0;
  Node root;
  if (!ParseNode(Block.data(), Block.size(), 0, root) ||
      !KeyEquals(Block.data(), root, "VS_VERSION_INFO")) {
    errno = ENODATA;
    return 0;
  }
  return root.end;
}

// The block, its padding, and the area for the single-byte texts.
std::size_t BufferSizeFor(std::size_t BlockLength) {
  return Align4(BlockLength) + BlockLength;
}

}  // namespace

// The buffer size GetFileVersionInfo needs, or 0 without version information.
std::uint32_t GetFileVersionInfoSize(const std::string& FileName) {
  std::vector<std::uint8_t> block;
  std::size_t length = LoadCheckedBlock(FileName, block);
  return length == 0 ? 0 : static_cast<std::uint32_t>(BufferSizeFor(length));
}

// Copies the checked block into Data and adds the single-byte forms of its
// texts. A buffer too small is refused rather than filled in part, since a
// cut block could not be queried safely.
bool GetFileVersionInfo(const std::string& FileName, std::uint32_t Length, void* Data) {
  if (Data == nullptr) return false;
  std::vector<std::uint8_t> block;
  std::size_t length = LoadCheckedBlock(FileName, block);
  if (length == 0) return false;
  std::size_t needed = BufferSizeFor(length);
  if (Length < needed) {
    errno = ERANGE;
    return false;
  }
  auto* out = static_cast<std::uint8_t*>(Data);
  std::memcpy(out, block.data(), length);
  std::memset(out + length, 0, needed - length);
  Node root;
  ParseNode(out, length, 0, root);
  NarrowTextValues(out, root, out + Align4(length), 0);
  return true;
}

// Walks the path from the root node, one key per "\" separated part. The
// root's own length bounds the walk, which GetFileVersionInfo guarantees lies
// inside the caller's buffer.
bool VerQueryValue(const void* Block, const std::string& SubBlock, const void** Buffer,
                   std::uint32_t* Length) {
  if (Block == nullptr || Buffer == nullptr || Length == nullptr) return false;
  const auto* base = static_cast<const std::uint8_t*>(Block);
  Node node;
  if (!ParseNode(base, Le16(base), 0, node)) return false;
  const std::size_t narrowArea = Align4(node.end);

  std::string_view path(SubBlock);
  bool isRoot = true;
  while (!path.empty()) {
    std::size_t slash = path.find('\\');
    std::string_view name = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (name.empty()) continue;
    bool found = false;
    ForEachChild(base, node, [&](const Node& child) {
      if (!KeyEquals(base, child, name)) return true;
      node = child;
      found = true;
      return false;
    });
    if (!found) return false;
    isRoot = false;
  }

  if (isRoot) {
    if (node.valueBytes < kFixedInfoSize || Le32(base + node.value) != VS_FFI_SIGNATURE)
      return false;
    *Buffer = base + node.value;
    *Length = static_cast<std::uint32_t>(kFixedInfoSize);
    return true;
  }
  if (node.text) {
    static const char kEmpty[] = "";
    const char* text = node.valueBytes >= 2
                           ? reinterpret_cast<const char*>(base + narrowArea + node.value)
                           : kEmpty;
    *Buffer = text;
    *Length = static_cast<std::uint32_t>(std::strlen(text) + 1);
    return true;
  }
  if (node.valueBytes == 0) return false;
  *Buffer = base + node.value;
  *Length = static_cast<std::uint32_t>(node.valueBytes);
  return true;
}

}  // namespace host
