// Finding a version block inside an executable file: in the resource tree of a
// PE file or in the ".vs_version_info" section of an ELF file. Every offset and
// size comes from the file and may be hostile, so each read is checked against
// the file (and the structure it lies in) before it happens.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/os.h"

namespace host {

namespace {

// A version block's length is a 16-bit field, so nothing longer is read.
constexpr std::uint64_t kMaxBlock = 0xFFFF;
// Upper bound on tables read whole (section headers, section names).
constexpr std::uint64_t kMaxTable = 16u << 20;

// Little-endian fields of PE structures (and of little-endian ELF files).
std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(Le16(p)) | (static_cast<std::uint32_t>(Le16(p + 2)) << 16);
}

// Reads fields in the file's byte order (ELF files may be either).
struct ByteOrder {
  bool big = false;
  std::uint16_t U16(const std::uint8_t* p) const {
    return big ? static_cast<std::uint16_t>((p[0] << 8) | p[1]) : Le16(p);
  }
  std::uint32_t U32(const std::uint8_t* p) const {
    return big ? (static_cast<std::uint32_t>(U16(p)) << 16) | U16(p + 2)
               : (static_cast<std::uint32_t>(U16(p + 2)) << 16) | U16(p);
  }
  std::uint64_t U64(const std::uint8_t* p) const {
    return big ? (static_cast<std::uint64_t>(U32(p)) << 32) | U32(p + 4)
               : (static_cast<std::uint64_t>(U32(p + 4)) << 32) | U32(p);
  }
};

// Read-only access to a regular file by offset, refusing any range that does
// not lie wholly inside the file.
class FileBytes {
 public:
  explicit FileBytes(const std::string& FileName) {
    // Non-blocking, so that naming a FIFO cannot hang the caller; only
    // regular files are read.
    fd_ = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) return;
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
      int reason = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
      ::close(fd_);
      fd_ = -1;
      errno = reason;
      return;
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
  }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool IsOpen() const { return fd_ >= 0; }
  std::uint64_t Size() const { return size_; }

  bool Contains(std::uint64_t Offset, std::uint64_t Count) const {
    return Offset <= size_ && Count <= size_ - Offset;
  }

  bool ReadAt(std::uint64_t Offset, void* Dest, std::size_t Count) const {
    if (!Contains(Offset, Count)) return false;
    auto* out = static_cast<char*>(Dest);
    std::size_t done = 0;
    while (done < Count) {
      ssize_t got = ::pread(fd_, out + done, Count - done, static_cast<off_t>(Offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      done += static_cast<std::size_t>(got);
    }
    return true;
  }

  bool ReadVector(std::uint64_t Offset, std::uint64_t Count, std::vector<std::uint8_t>& Out) const {
    if (!Contains(Offset, Count)) return false;
    Out.resize(static_cast<std::size_t>(Count));
    return Count == 0 || ReadAt(Offset, Out.data(), Out.size());
  }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// ------------------------------------------------------------------ PE

struct PeSection {
  std::uint32_t virtualAddress;
  std::uint32_t rawSize;
  std::uint32_t rawOffset;
};

// The file offset of Rva and how many bytes of its section's file data follow
// it; 0 when no section holds it.
std::uint64_t SectionBytesFrom(const std::vector<PeSection>& Sections, std::uint32_t Rva,
                               std::uint64_t& Offset) {
  for (const PeSection& s : Sections) {
    if (Rva < s.virtualAddress || Rva - s.virtualAddress >= s.rawSize) continue;
    Offset = std::uint64_t{s.rawOffset} + (Rva - s.virtualAddress);
    return s.rawSize - (Rva - s.virtualAddress);
  }
  return 0;
}

// Maps an address of the loaded image to a file offset through the section
// table; the range [Rva, Rva + Count) must lie in one section's file data.
bool RvaToOffset(const std::vector<PeSection>& Sections, std::uint32_t Rva, std::uint64_t Count,
                 std::uint64_t& Offset) {
  const std::uint64_t available = SectionBytesFrom(Sections, Rva, Offset);
  return available != 0 && Count <= available;
}

// One level of the resource tree: the entry whose id is WantedId, or the first
// entry when WantedId is negative. Offsets are relative to the tree's start and
// must stay inside the resource data (TreeSize bytes from TreeOffset).
bool FindResourceEntry(const FileBytes& File, std::uint64_t TreeOffset, std::uint64_t TreeSize,
                       std::uint32_t DirOffset, long WantedId, std::uint32_t& Target) {
  std::uint8_t header[16];
  if (DirOffset > TreeSize || TreeSize - DirOffset < sizeof header) return false;
  if (!File.ReadAt(TreeOffset + DirOffset, header, sizeof header)) return false;
  std::uint64_t count = std::uint64_t{Le16(header + 12)} + Le16(header + 14);
  std::uint64_t entriesOffset = std::uint64_t{DirOffset} + sizeof header;
  if (count == 0 || entriesOffset > TreeSize || count * 8 > TreeSize - entriesOffset) return false;
  std::vector<std::uint8_t> entries;
  if (!File.ReadVector(TreeOffset + entriesOffset, count * 8, entries)) return false;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = entries.data() + i * 8;
    std::uint32_t name = Le32(entry);
    bool named = (name & 0x80000000u) != 0;
    if (WantedId < 0 || (!named && name == static_cast<std::uint32_t>(WantedId))) {
      Target = Le32(entry + 4);
      return true;
    }
  }
  return false;
}

// Follows the PE headers to the resource tree, then the tree's three levels:
// type 16 (version), name (id 1, else the first), language (the first).
bool ReadPeVersionBlock(const FileBytes& File, std::vector<std::uint8_t>& Block) {
  std::uint8_t dos[64];
  if (!File.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
  std::uint64_t pe = Le32(dos + 0x3C);
  std::uint8_t coff[24];
  if (!File.ReadAt(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return false;
  std::uint16_t sectionCount = Le16(coff + 4 + 2);
  std::uint16_t optionalSize = Le16(coff + 4 + 16);
  std::uint64_t optional = pe + sizeof coff;

  std::uint8_t magic[2];
  if (!File.ReadAt(optional, magic, sizeof magic)) return false;
  // Where the optional header keeps the number of data directories and the
  // directories themselves, for 32-bit and 64-bit images.
  std::uint32_t countField = 0;
  std::uint32_t directories = 0;
  if (Le16(magic) == 0x010B) {
    countField = 92;
    directories = 96;
  } else if (Le16(magic) == 0x020B) {
    countField = 108;
    directories = 112;
  } else {
    return false;
  }
  const std::uint32_t resourceEntry = directories + 2 * 8;
  std::uint8_t count[4], resource[8];
  if (optionalSize < resourceEntry + 8 || !File.ReadAt(optional + countField, count, 4) ||
      Le32(count) <= 2 || !File.ReadAt(optional + resourceEntry, resource, 8))
    return false;
  std::uint32_t treeRva = Le32(resource), treeSize = Le32(resource + 4);
  if (treeRva == 0 || treeSize == 0) return false;

  std::vector<std::uint8_t> table;
  if (!File.ReadVector(optional + optionalSize, std::uint64_t{sectionCount} * 40, table))
    return false;
  std::vector<PeSection> sections;
  sections.reserve(sectionCount);
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::uint8_t* s = table.data() + i * 40;
    sections.push_back({Le32(s + 12), Le32(s + 16), Le32(s + 20)});
  }

  // The tree is read only as far as its section's data reaches in the file.
  std::uint64_t treeOffset = 0;
  std::uint64_t available = SectionBytesFrom(sections, treeRva, treeOffset);
  available = std::min<std::uint64_t>(available, treeSize);
  if (available < 16 || !File.Contains(treeOffset, available)) return false;

  std::uint32_t target = 0;
  if (!FindResourceEntry(File, treeOffset, available, 0, 16, target) || (target & 0x80000000u) == 0)
    return false;
  std::uint32_t level2 = target & 0x7FFFFFFFu;
  if (!FindResourceEntry(File, treeOffset, available, level2, 1, target) &&
      !FindResourceEntry(File, treeOffset, available, level2, -1, target))
    return false;
  if ((target & 0x80000000u) == 0) return false;
  if (!FindResourceEntry(File, treeOffset, available, target & 0x7FFFFFFFu, -1, target) ||
      (target & 0x80000000u) != 0)
    return false;

  std::uint8_t data[16];
  if (target > available || available - target < sizeof data ||
      !File.ReadAt(treeOffset + target, data, sizeof data))
    return false;
  std::uint32_t dataRva = Le32(data);
  std::uint64_t dataSize = std::min<std::uint64_t>(Le32(data + 4), kMaxBlock);
  std::uint64_t dataOffset = 0;
  if (dataSize == 0 || !RvaToOffset(sections, dataRva, dataSize, dataOffset)) return false;
  return File.ReadVector(dataOffset, dataSize, Block);
}

// ----------------------------------------------------------------- ELF

struct ElfSection {
  std::uint32_t name;
  std::uint32_t type;
  std::uint64_t offset;
  std::uint64_t size;
  std::uint32_t link;
};

constexpr std::uint32_t kShtNobits = 8;

// Finds the section named ".vs_version_info" through the section table and
// its name table, in either byte order and either word size.
bool ReadElfVersionBlock(const FileBytes& File, std::vector<std::uint8_t>& Block) {
  std::uint8_t header[64] = {};
  if (!File.ReadAt(0, header, 52) || std::memcmp(header,
                                                 "\x7f"
                                                 "ELF",
                                                 4) != 0)
    return false;
  const bool wide = header[4] == 2;
  if (header[4] != 1 && !wide) return false;
  if (header[5] != 1 && header[5] != 2) return false;
  ByteOrder order{header[5] == 2};
  if (wide && !File.ReadAt(0, header, 64)) return false;

  std::uint64_t tableOffset = wide ? order.U64(header + 0x28) : order.U32(header + 0x20);
  std::uint16_t entrySize = order.U16(header + (wide ? 0x3A : 0x2E));
  std::uint64_t count = order.U16(header + (wide ? 0x3C : 0x30));
  std::uint32_t namesIndex = order.U16(header + (wide ? 0x3E : 0x32));
  const std::uint16_t needed = wide ? 64 : 40;
  if (tableOffset == 0 || tableOffset >= File.Size() || entrySize < needed) return false;

  auto readSection = [&](std::uint64_t index, ElfSection& out) {
    std::uint8_t raw[64];
    if (index > File.Size() / entrySize) return false;
    if (!File.ReadAt(tableOffset + index * entrySize, raw, needed)) return false;
    out.name = order.U32(raw);
    out.type = order.U32(raw + 4);
    out.offset = wide ? order.U64(raw + 24) : order.U32(raw + 16);
    out.size = wide ? order.U64(raw + 32) : order.U32(raw + 20);
    out.link = order.U32(raw + (wide ? 40 : 24));
    return true;
  };

  // Files with many sections keep the real count and name-table index in
  // section 0.
  if (count == 0 || namesIndex == 0xFFFF) {
    ElfSection first{};
    if (!readSection(0, first)) return false;
    if (count == 0) count = first.size;
    if (namesIndex == 0xFFFF) namesIndex = first.link;
  }
  if (count > kMaxTable / entrySize || !File.Contains(tableOffset, count * entrySize) ||
      namesIndex >= count)
    return false;

  ElfSection names{};
  std::vector<std::uint8_t> nameTable;
  if (!readSection(namesIndex, names) || names.type == kShtNobits || names.size > kMaxTable ||
      !File.ReadVector(names.offset, names.size, nameTable))
    return false;

  static constexpr char kWanted[] = ".vs_version_info";
  for (std::uint64_t i = 0; i < count; ++i) {
    ElfSection section{};
    if (!readSection(i, section)) return false;
    if (section.name >= nameTable.size() || nameTable.size() - section.name < sizeof kWanted ||
        std::memcmp(nameTable.data() + section.name, kWanted, sizeof kWanted) != 0)
      continue;
    if (section.type == kShtNobits) return false;
    return File.ReadVector(section.offset, std::min(section.size, kMaxBlock), Block);
  }
  return false;
}

}  // namespace

// Tries the file as PE, then as ELF; errno says why there is no block.
std::vector<std::uint8_t> ReadVersionBlock(const std::string& FileName) {
  std::vector<std::uint8_t> block;
  FileBytes file(FileName);
  if (!file.IsOpen()) return block;
  if (!ReadPeVersionBlock(file, block) && !ReadElfVersionBlock(file, block)) {
    block.clear();
    errno = ENODATA;
  }
  return block;
}

}  // namespace host
