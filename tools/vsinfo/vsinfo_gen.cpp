// vsinfo_gen: writes a VS_VERSION_INFO block (fixed file information, a string
// table and a translation list) in one of two containers:
//
//   --c-source FILE   C source holding the block in the ELF section
//                     .vs_version_info, to be linked into a shared library;
//   --pe FILE         a minimal PE image whose resource directory carries the
//                     block as resource type 16, id 1, language 0x0409.
//
// Options:
//   --product-version A.B.C.D   fixed-block product version (default 0.0.0.0)
//   --file-version A.B.C.D      fixed-block file version (default: product version)
//   --string KEY=VALUE          an entry of the string table (repeatable)
//   --translation LANG:CP       hex language and code page (default 0409:04E4)
//   --no-fixed-signature        write a fixed block with a zero signature
//   --symbol NAME               C symbol name with --c-source (default vs_version_info)
//
// The library's version reader is tested against files made by this tool, and
// the stand-in client libraries carry a block made by it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v) {
  put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
  put16(b, static_cast<std::uint16_t>(v >> 16));
}

void set16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void set32(Bytes& b, std::size_t at, std::uint32_t v) {
  set16(b, at, static_cast<std::uint16_t>(v & 0xFFFF));
  set16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

void pad4(Bytes& b) {
  while (b.size() % 4 != 0)
    b.push_back(0);
}

// Single-byte text widened to UTF-16LE with its terminator.
Bytes wide(const std::string& s) {
  Bytes out;
  for (unsigned char c : s)
    put16(out, c);
  put16(out, 0);
  return out;
}

// One node of the version tree: header, key, value, children, each aligned
// on four bytes. wLength covers the node up to the end of its last child.
Bytes node(const std::string& key, std::uint16_t type, const Bytes& value,
           std::uint16_t value_length, const std::vector<Bytes>& children) {
  Bytes b;
  put16(b, 0);
  put16(b, value_length);
  put16(b, type);
  Bytes k = wide(key);
  b.insert(b.end(), k.begin(), k.end());
  pad4(b);
  b.insert(b.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    pad4(b);
    b.insert(b.end(), child.begin(), child.end());
  }
  set16(b, 0, static_cast<std::uint16_t>(b.size()));
  return b;
}

bool parse_version(const std::string& text, std::uint16_t out[4]) {
  std::istringstream in(text);
  std::string part;
  for (int i = 0; i < 4; ++i) {
    if (!std::getline(in, part, '.')) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(part.c_str(), &end, 10);
    if (part.empty() || *end != '\0' || v > 0xFFFF) return false;
    out[i] = static_cast<std::uint16_t>(v);
  }
  return !std::getline(in, part, '.');
}

struct Options {
  std::uint16_t product[4] = {0, 0, 0, 0};
  std::uint16_t file[4] = {0, 0, 0, 0};
  bool file_given = false;
  bool fixed_signature = true;
  std::vector<std::pair<std::string, std::string>> strings;
  std::uint16_t language = 0x0409;
  std::uint16_t codepage = 0x04E4;
  std::string c_source, pe, symbol = "vs_version_info";
};

Bytes version_block(const Options& o) {
  Bytes fixed;
  put32(fixed, o.fixed_signature ? 0xFEEF04BDu : 0u);
  put32(fixed, 0x00010000u);
  const std::uint16_t* fv = o.file_given ? o.file : o.product;
  put32(fixed, (std::uint32_t(fv[0]) << 16) | fv[1]);
  put32(fixed, (std::uint32_t(fv[2]) << 16) | fv[3]);
  put32(fixed, (std::uint32_t(o.product[0]) << 16) | o.product[1]);
  put32(fixed, (std::uint32_t(o.product[2]) << 16) | o.product[3]);
  put32(fixed, 0x3F);  // flags mask
  put32(fixed, 0);     // flags
  put32(fixed, 0x4);   // VOS__WINDOWS32
  put32(fixed, 0x2);   // VFT_DLL
  put32(fixed, 0);
  put32(fixed, 0);
  put32(fixed, 0);

  std::vector<Bytes> strings;
  for (const auto& [key, value] : o.strings) {
    Bytes v = wide(value);
    strings.push_back(node(key, 1, v, static_cast<std::uint16_t>(v.size() / 2), {}));
  }
  char table_key[9];
  std::snprintf(table_key, sizeof table_key, "%04X%04X", o.language, o.codepage);
  Bytes string_table = node(table_key, 1, {}, 0, strings);
  Bytes string_info = node("StringFileInfo", 1, {}, 0, {string_table});

  Bytes translation;
  put16(translation, o.language);
  put16(translation, o.codepage);
  Bytes var = node("Translation", 0, translation, 4, {});
  Bytes var_info = node("VarFileInfo", 1, {}, 0, {var});

  return node("VS_VERSION_INFO", 0, fixed, static_cast<std::uint16_t>(fixed.size()),
              {string_info, var_info});
}

bool write_c_source(const std::string& path, const std::string& symbol, const Bytes& block) {
  std::ofstream out(path);
  out << "/* Generated by vsinfo_gen: the library's version-information block. */\n"
      << "__attribute__((section(\".vs_version_info\"), used, aligned(4)))\n"
      << "const unsigned char " << symbol << "[" << block.size() << "] = {";
  for (std::size_t i = 0; i < block.size(); ++i) {
    if (i % 16 == 0) out << "\n ";
    out << ' ' << unsigned(block[i]) << ',';
  }
  out << "\n};\n";
  return bool(out);
}

// A PE32 image with one section, .rsrc, holding a three-level resource
// directory (type 16 / id 1 / language) that leads to the version block.
bool write_pe(const std::string& path, const Options& o, const Bytes& block) {
  const std::uint32_t file_align = 0x200, section_rva = 0x1000;
  Bytes img(0x200, 0);
  img[0] = 'M';
  img[1] = 'Z';
  set32(img, 0x3C, 0x40);
  const std::size_t pe = 0x40;
  img[pe] = 'P';
  img[pe + 1] = 'E';
  const std::size_t coff = pe + 4;
  set16(img, coff + 0, 0x014C);   // i386
  set16(img, coff + 2, 1);        // one section
  set16(img, coff + 16, 0xE0);    // optional header size
  set16(img, coff + 18, 0x2102);  // DLL, 32-bit, executable
  const std::size_t opt = coff + 20;
  set16(img, opt + 0, 0x010B);  // PE32
  set32(img, opt + 28, 0x10000000);
  set32(img, opt + 32, 0x1000);
  set32(img, opt + 36, file_align);
  set16(img, opt + 40, 4);
  set16(img, opt + 48, 4);
  set32(img, opt + 60, 0x200);  // headers size
  set16(img, opt + 68, 2);      // GUI subsystem
  set32(img, opt + 92, 16);     // data directories

  Bytes rsrc;
  auto directory = [&](std::uint32_t id, std::uint32_t target) {
    for (int i = 0; i < 12; ++i)
      rsrc.push_back(0);
    put16(rsrc, 0);  // named entries
    put16(rsrc, 1);  // id entries
    put32(rsrc, id);
    put32(rsrc, target);
  };
  directory(16, 0x80000000u | 24);
  directory(1, 0x80000000u | 48);
  directory(o.language, 72);
  put32(rsrc, section_rva + 88);
  put32(rsrc, static_cast<std::uint32_t>(block.size()));
  put32(rsrc, 0);
  put32(rsrc, 0);
  rsrc.insert(rsrc.end(), block.begin(), block.end());
  const std::uint32_t virtual_size = static_cast<std::uint32_t>(rsrc.size());
  while (rsrc.size() % file_align != 0)
    rsrc.push_back(0);

  set32(img, opt + 56, section_rva + ((virtual_size + 0xFFF) & ~0xFFFu));  // image size
  set32(img, opt + 96 + 2 * 8, section_rva);                               // resource dir
  set32(img, opt + 96 + 2 * 8 + 4, virtual_size);

  const std::size_t sect = opt + 0xE0;
  const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  for (int i = 0; i < 8; ++i)
    img[sect + i] = static_cast<std::uint8_t>(name[i]);
  set32(img, sect + 8, virtual_size);
  set32(img, sect + 12, section_rva);
  set32(img, sect + 16, static_cast<std::uint32_t>(rsrc.size()));
  set32(img, sect + 20, 0x200);
  set32(img, sect + 36, 0x40000040u);  // initialised data, readable

  img.insert(img.end(), rsrc.begin(), rsrc.end());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(img.data()), static_cast<std::streamsize>(img.size()));
  return bool(out);
}

int usage(const char* why) {
  std::cerr << "vsinfo_gen: " << why << "\n"
            << "usage: vsinfo_gen [--product-version A.B.C.D] [--file-version A.B.C.D]\n"
               "                  [--string KEY=VALUE]... [--translation LANG:CP]\n"
               "                  [--no-fixed-signature] [--symbol NAME]\n"
               "                  (--c-source FILE | --pe FILE)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (arg == "--no-fixed-signature") {
      o.fixed_signature = false;
    } else if (!(v = next())) {
      return usage(("missing value after " + arg).c_str());
    } else if (arg == "--product-version") {
      if (!parse_version(v, o.product)) return usage("bad --product-version");
    } else if (arg == "--file-version") {
      if (!parse_version(v, o.file)) return usage("bad --file-version");
      o.file_given = true;
    } else if (arg == "--string") {
      std::string kv = v;
      std::size_t eq = kv.find('=');
      if (eq == std::string::npos || eq == 0) return usage("--string wants KEY=VALUE");
      o.strings.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
    } else if (arg == "--translation") {
      unsigned lang = 0, cp = 0;
      if (std::sscanf(v, "%x:%x", &lang, &cp) != 2 || lang > 0xFFFF || cp > 0xFFFF)
        return usage("--translation wants LANG:CP in hex");
      o.language = static_cast<std::uint16_t>(lang);
      o.codepage = static_cast<std::uint16_t>(cp);
    } else if (arg == "--symbol") {
      o.symbol = v;
    } else if (arg == "--c-source") {
      o.c_source = v;
    } else if (arg == "--pe") {
      o.pe = v;
    } else {
      return usage(("unknown option " + arg).c_str());
    }
  }
  if (o.c_source.empty() == o.pe.empty()) return usage("give exactly one of --c-source and --pe");
  Bytes block = version_block(o);
  bool ok =
      o.c_source.empty() ? write_pe(o.pe, o, block) : write_c_source(o.c_source, o.symbol, block);
  if (!ok) {
    std::cerr << "vsinfo_gen: cannot write output\n";
    return 1;
  }
  return 0;
}
