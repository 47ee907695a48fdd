// Bitmaps: reading and writing the device-independent bitmap, in its own
// file and inside an icon.
#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "host/graphics.h"

namespace host {

using graphics_detail::PutU16;
using graphics_detail::PutU32;
using graphics_detail::TReader;

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 per inch
constexpr std::size_t kAfterPalette = std::numeric_limits<std::size_t>::max();

// Bytes of one row of pixels: rows are padded to whole 32-bit words.
std::size_t RowBytes(int Width, int Bits) {
  return (static_cast<std::size_t>(Width) * static_cast<std::size_t>(Bits) + 31) / 32 * 4;
}

TPixelFormat FormatOfBits(int Bits) {
  switch (Bits) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 24:
      return pf24bit;
    default:
      return pf32bit;
  }
}

// The information header every written bitmap carries; ColorsUsed is the
// size of the palette that follows it (0: none, or a full one).
void PutInfoHeader(std::vector<std::uint8_t>& Out, int Width, std::int32_t Height, int Bits,
                   std::uint32_t ImageBytes, std::uint32_t ColorsUsed = 0) {
  PutU32(Out, kInfoHeaderSize);
  PutU32(Out, static_cast<std::uint32_t>(Width));
  PutU32(Out, static_cast<std::uint32_t>(Height));
  PutU16(Out, 1);
  PutU16(Out, static_cast<std::uint16_t>(Bits));
  PutU32(Out, kUncompressed);
  PutU32(Out, ImageBytes);
  PutU32(Out, kPixelsPerMetre);
  PutU32(Out, kPixelsPerMetre);
  PutU32(Out, ColorsUsed);
  PutU32(Out, 0);
}

// The bits per pixel of the paletted formats, 0 for the others.
int PaletteBits(TPixelFormat Format) {
  switch (Format) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    default:
      return 0;
  }
}

// The distinct colours of the pixels in the order they first appear, and
// each pixel's index among them; false, with no palette, when there are
// more than Limit.
// Palette entries are opaque, so the alpha is not compared.
bool BuildPalette(const std::vector<TColor>& Pixels, std::size_t Limit,
                  std::vector<TColor>& Palette, std::vector<std::uint8_t>& Indexes) {
  std::unordered_map<TColor, std::uint8_t> known;
  Indexes.resize(Pixels.size());
  for (std::size_t i = 0; i < Pixels.size(); ++i) {
    const TColor rgb = Pixels[i] & 0x00FFFFFFu;
    auto found = known.find(rgb);
    if (found == known.end()) {
      if (Palette.size() == Limit) {
        Palette.clear();
        return false;
      }
      found = known.emplace(rgb, static_cast<std::uint8_t>(Palette.size())).first;
      Palette.push_back(rgb);
    }
    Indexes[i] = found->second;
  }
  return true;
}

// One row of pixels, blue first, padded to its row size.
void PutRow(std::vector<std::uint8_t>& Out, const TColor* Row, int Width, int Bits) {
  const std::size_t start = Out.size();
  for (int x = 0; x < Width; ++x) {
    const TColor c = Row[x];
    Out.push_back(static_cast<std::uint8_t>(c));
    Out.push_back(static_cast<std::uint8_t>(c >> 8));
    Out.push_back(static_cast<std::uint8_t>(c >> 16));
    if (Bits == 32) Out.push_back(static_cast<std::uint8_t>(c >> 24));
  }
  Out.resize(start + RowBytes(Width, Bits), 0);
}

}  // namespace

TBitmap::~TBitmap() = default;

// A negative size, or one that would not fit the formats' fields, is refused
// before anything is allocated.
void TBitmap::SetSize(int Width, int Height) {
  if (Width < 0 || Height < 0 || Width > kMaxDimension || Height > kMaxDimension)
    throw EInvalidGraphic("Bitmap size out of range");
  std::vector<TColor> pixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), 0);
  pixels_.swap(pixels);
  width_ = Width;
  height_ = Height;
}

TColor TBitmap::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= width_ || Y >= height_) throw EInvalidGraphic("Pixel out of range");
  return pixels_[static_cast<std::size_t>(Y) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(X)];
}

void TBitmap::SetPixel(int X, int Y, TColor Color) {
  if (X < 0 || Y < 0 || X >= width_ || Y >= height_) throw EInvalidGraphic("Pixel out of range");
  pixels_[static_cast<std::size_t>(Y) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(X)] = Color;
}

// The file header names where the pixels start; the information header
// follows it directly.
void TBitmap::LoadFromStream(TStream* Stream) {
  const std::vector<std::uint8_t> bytes = graphics_detail::ReadRemainder(Stream);
  if (bytes.empty()) {
    *this = TBitmap();
    return;
  }
  TReader file(bytes.data(), bytes.size(), "Bitmap image");
  file.Need(0, kFileHeaderSize);
  if (bytes[0] != 'B' || bytes[1] != 'M') file.Fail("the data does not start with BM");
  ReadDib(bytes.data(), bytes.size(), file.U32(10), false);
}

void TBitmap::LoadFromIconImage(const std::uint8_t* Data, std::size_t Size) {
  ReadDib(Data, Size, kAfterPalette, true);
}

// Reads an information header at the start of Data (after the file header
// for a file), its palette or colour masks, and the pixels at PixelOffset
// (counted from the start of Data; kAfterPalette for "right after the
// palette"). Everything is checked before it is read, and the picture is
// replaced only once all of it was read.
void TBitmap::ReadDib(const std::uint8_t* Data, std::size_t Size, std::size_t PixelOffset,
                      bool IconImage) {
  TReader r(Data, Size, IconImage ? "Icon image" : "Bitmap image");
  const std::size_t info = IconImage ? 0 : kFileHeaderSize;
  const std::uint32_t headerSize = r.U32(info);
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124)
    r.Fail("the information header has an unknown size");
  r.Need(info, headerSize);
  const std::int32_t width = r.I32(info + 4);
  std::int64_t height = r.I32(info + 8);
  const int bits = r.U16(info + 14);
  const std::uint32_t compression = r.U32(info + 16);
  const std::uint32_t colorsUsed = r.U32(info + 32);
  if (r.U16(info + 12) != 1) r.Fail("the plane count is not 1");
  if (IconImage) {
    if (height <= 0 || height % 2 != 0) r.Fail("the height does not cover image and mask");
    height /= 2;
  }
  const bool topDown = height < 0;
  const std::int64_t rows = topDown ? -height : height;
  if (width <= 0 || rows <= 0 || width > kMaxDimension || rows > kMaxDimension)
    r.Fail("the size is out of range");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    r.Fail("the number of bits per pixel is not supported");

  std::size_t tables = info + headerSize;
  if (compression == kBitFields) {
    // Only the usual layout of 32-bit pixels (blue in the low byte) is read.
    const std::size_t masks = headerSize >= 52 ? info + 40 : tables;
    if (bits != 32 || r.U32(masks) != 0x00FF0000u || r.U32(masks + 4) != 0x0000FF00u ||
        r.U32(masks + 8) != 0x000000FFu)
      r.Fail("the colour masks are not supported");
    if (headerSize < 52) tables += 12;
  } else if (compression != kUncompressed) {
    r.Fail("compressed pixels are not supported");
  }
  std::size_t paletteSize = 0;
  if (bits <= 8) {
    paletteSize = colorsUsed != 0 ? colorsUsed : std::size_t{1} << bits;
    if (paletteSize > (std::size_t{1} << bits)) r.Fail("the palette is too large");
    r.Need(tables, paletteSize * 4);
  }
  const std::size_t pixels = PixelOffset == kAfterPalette ? tables + paletteSize * 4 : PixelOffset;
  const std::size_t stride = RowBytes(width, bits);
  const std::size_t rowCount = static_cast<std::size_t>(rows);
  r.Need(pixels, stride * rowCount);
  const std::size_t maskStride = RowBytes(width, 1);
  if (IconImage) r.Need(pixels + stride * rowCount, maskStride * rowCount);

  std::vector<TColor> decoded(static_cast<std::size_t>(width) * rowCount);
  bool anyAlpha = false;
  for (std::size_t row = 0; row < rowCount; ++row) {
    const std::uint8_t* src = Data + pixels + row * stride;
    const std::size_t y = topDown ? row : rowCount - 1 - row;
    TColor* dst = decoded.data() + y * static_cast<std::size_t>(width);
    for (std::int32_t x = 0; x < width; ++x) {
      if (bits <= 8) {
        const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
        const unsigned shift = 8 - static_cast<unsigned>(bits) - bit % 8;
        const std::size_t index = (src[bit / 8] >> shift) & ((1u << bits) - 1);
        if (index >= paletteSize) r.Fail("a pixel refers past the palette");
        const std::uint8_t* entry = Data + tables + index * 4;
        dst[x] = MakeColor(entry[2], entry[1], entry[0]);
      } else {
        const std::uint8_t* p =
            src + static_cast<std::size_t>(x) * static_cast<std::size_t>(bits / 8);
        const std::uint8_t alpha = bits == 32 ? p[3] : 255;
        anyAlpha = anyAlpha || (bits == 32 && alpha != 0);
        dst[x] = MakeColor(p[2], p[1], p[0], alpha);
      }
    }
  }
  // Pixels of 32 bits whose fourth byte is zero throughout carry no
  // transparency: writers that ignore it leave it so.
  if (bits == 32 && !anyAlpha)
    for (TColor& c : decoded)
      c |= 0xFF000000u;
  if (IconImage) {
    const std::uint8_t* mask = Data + pixels + stride * rowCount;
    for (std::size_t row = 0; row < rowCount; ++row) {
      const std::size_t y = rowCount - 1 - row;
      for (std::int32_t x = 0; x < width; ++x)
        if (mask[row * maskStride + static_cast<std::size_t>(x) / 8] & (0x80u >> (x % 8)))
          decoded[y * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] &= 0x00FFFFFFu;
    }
  }
  pixels_.swap(decoded);
  width_ = width;
  height_ = static_cast<int>(rows);
  pixelFormat_ = FormatOfBits(bits);
}

// Bottom-up rows, as every reader of the format expects. A paletted format
// is kept when the picture's colours fit its palette; otherwise, or for the
// direct formats, the pixels are written whole.
void TBitmap::SaveToStream(TStream* Stream) const {
  if (Empty()) return;
  std::vector<TColor> palette;
  std::vector<std::uint8_t> indexes;
  int bits = PaletteBits(pixelFormat_);
  if (bits != 0 && !BuildPalette(pixels_, std::size_t{1} << bits, palette, indexes)) bits = 0;
  if (bits == 0) bits = pixelFormat_ == pf32bit ? 32 : 24;
  const std::size_t stride = RowBytes(width_, bits);
  const std::size_t image = stride * static_cast<std::size_t>(height_);
  const std::size_t offset = kFileHeaderSize + kInfoHeaderSize + palette.size() * 4;
  std::vector<std::uint8_t> out;
  out.reserve(offset + image);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, static_cast<std::uint32_t>(offset + image));
  PutU32(out, 0);
  PutU32(out, static_cast<std::uint32_t>(offset));
  PutInfoHeader(out, width_, height_, bits, static_cast<std::uint32_t>(image),
                static_cast<std::uint32_t>(palette.size()));
  for (TColor entry : palette)
    PutU32(out, entry);
  const std::size_t width = static_cast<std::size_t>(width_);
  for (int y = height_ - 1; y >= 0; --y) {
    const std::size_t row = static_cast<std::size_t>(y) * width;
    if (palette.empty()) {
      PutRow(out, pixels_.data() + row, width_, bits);
      continue;
    }
    // Indexes packed from the high bits of each byte.
    const std::size_t start = out.size();
    out.resize(start + stride, 0);
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t bit = x * static_cast<std::size_t>(bits);
      const unsigned shift = 8 - static_cast<unsigned>(bits) - bit % 8;
      out[start + bit / 8] |= static_cast<std::uint8_t>(indexes[row + x] << shift);
    }
  }
  graphics_detail::WriteAll(Stream, out);
}

// 32-bit pixels keep the transparency; the mask marks the fully transparent
// pixels for readers that look only at it.
void TBitmap::SaveToIconImage(std::vector<std::uint8_t>& Out) const {
  const std::size_t maskStride = RowBytes(width_, 1);
  const std::size_t image = (RowBytes(width_, 32) + maskStride) * static_cast<std::size_t>(height_);
  PutInfoHeader(Out, width_, height_ * 2, 32, static_cast<std::uint32_t>(image));
  for (int y = height_ - 1; y >= 0; --y)
    PutRow(Out, pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_),
           width_, 32);
  for (int y = height_ - 1; y >= 0; --y) {
    const std::size_t start = Out.size();
    Out.resize(start + maskStride, 0);
    for (int x = 0; x < width_; ++x)
      if ((Pixel(x, y) >> 24) == 0)
        Out[start + static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
  }
}

}  // namespace host
