// Icons: the directory of images, each a bitmap with its transparency mask
// or a compressed image kept as it was read.
#include <cstring>

#include "host/graphics.h"

namespace host {

using graphics_detail::PutU16;
using graphics_detail::PutU32;
using graphics_detail::TReader;

namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::uint16_t kIconType = 1;
constexpr int kMaxIconSize = 256;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Numbers inside a compressed image are big-endian.
std::uint32_t BigEndian32(const std::uint8_t* P) {
  return static_cast<std::uint32_t>(P[0]) << 24 | static_cast<std::uint32_t>(P[1]) << 16 |
         static_cast<std::uint32_t>(P[2]) << 8 | P[3];
}

// A size byte of the directory: 0 stands for 256.
std::uint8_t SizeByte(int Size) {
  return static_cast<std::uint8_t>(Size >= kMaxIconSize ? 0 : Size);
}

}  // namespace

TIcon::~TIcon() = default;

const TIcon::Image& TIcon::At(int Index) const {
  if (Index < 0 || Index >= ImageCount()) RaiseListIndexError(Index);
  return images_[static_cast<std::size_t>(Index)];
}

int TIcon::Width() const {
  return images_.empty() ? 0 : images_.front().Width;
}

int TIcon::Height() const {
  return images_.empty() ? 0 : images_.front().Height;
}

int TIcon::ImageWidth(int Index) const {
  return At(Index).Width;
}

int TIcon::ImageHeight(int Index) const {
  return At(Index).Height;
}

const TBitmap* TIcon::ImageBitmap(int Index) const {
  return At(Index).Bitmap.get();
}

void TIcon::AddImage(const TBitmap& Bitmap) {
  if (Bitmap.Empty() || Bitmap.Width() > kMaxIconSize || Bitmap.Height() > kMaxIconSize)
    throw EInvalidGraphic("Icon images are 1 to 256 pixels wide and high");
  if (images_.size() >= 0xFFFF) throw EInvalidGraphic("An icon holds at most 65535 images");
  Image image;
  image.Width = Bitmap.Width();
  image.Height = Bitmap.Height();
  image.Bitmap = std::make_shared<const TBitmap>(Bitmap);
  images_.push_back(std::move(image));
}

// Every image must lie inside the data and after the directory; a
// compressed image must at least carry its signature and size header.
void TIcon::LoadFromStream(TStream* Stream) {
  const std::vector<std::uint8_t> bytes = graphics_detail::ReadRemainder(Stream);
  if (bytes.empty()) {
    Clear();
    return;
  }
  TReader r(bytes.data(), bytes.size(), "Icon image");
  if (r.U16(0) != 0 || r.U16(2) != kIconType)
    r.Fail("the data does not start with an icon directory");
  const std::size_t count = r.U16(4);
  if (count == 0) r.Fail("the directory lists no image");
  const std::size_t directoryEnd = kDirectorySize + count * kEntrySize;
  r.Need(0, directoryEnd);

  std::vector<Image> images;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kDirectorySize + i * kEntrySize;
    const std::size_t size = r.U32(entry + 8);
    const std::size_t offset = r.U32(entry + 12);
    if (offset < directoryEnd) r.Fail("an image overlaps the directory");
    r.Need(offset, size);
    const std::uint8_t* data = bytes.data() + offset;
    Image image;
    if (size >= sizeof kPngSignature &&
        std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0) {
      // The first chunk of a compressed image is its 13-byte size header.
      if (size < 33 || BigEndian32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0)
        r.Fail("a compressed image has no size header");
      const std::uint32_t width = BigEndian32(data + 16);
      const std::uint32_t height = BigEndian32(data + 20);
      if (width == 0 || height == 0 || width > kMaxIconSize || height > kMaxIconSize)
        r.Fail("a compressed image has a size out of range");
      image.Width = static_cast<int>(width);
      image.Height = static_cast<int>(height);
      image.Compressed.assign(data, data + size);
    } else {
      auto bitmap = std::make_shared<TBitmap>();
      bitmap->LoadFromIconImage(data, size);
      if (bitmap->Width() > kMaxIconSize || bitmap->Height() > kMaxIconSize)
        r.Fail("an image is larger than 256 pixels");
      image.Width = bitmap->Width();
      image.Height = bitmap->Height();
      image.Bitmap = std::move(bitmap);
    }
    images.push_back(std::move(image));
  }
  images_ = std::move(images);
}

void TIcon::SaveToStream(TStream* Stream) const {
  if (Empty()) return;
  std::vector<std::vector<std::uint8_t>> data(images_.size());
  for (std::size_t i = 0; i < images_.size(); ++i) {
    if (images_[i].Bitmap)
      images_[i].Bitmap->SaveToIconImage(data[i]);
    else
      data[i] = images_[i].Compressed;
  }
  std::vector<std::uint8_t> out;
  PutU16(out, 0);
  PutU16(out, kIconType);
  PutU16(out, static_cast<std::uint16_t>(images_.size()));
  std::size_t offset = kDirectorySize + images_.size() * kEntrySize;
  for (std::size_t i = 0; i < images_.size(); ++i) {
    out.push_back(SizeByte(images_[i].Width));
    out.push_back(SizeByte(images_[i].Height));
    out.push_back(0);  // no palette
    out.push_back(0);
    PutU16(out, 1);   // planes
    PutU16(out, 32);  // bits per pixel
    PutU32(out, static_cast<std::uint32_t>(data[i].size()));
    PutU32(out, static_cast<std::uint32_t>(offset));
    offset += data[i].size();
  }
  for (const std::vector<std::uint8_t>& image : data)
    out.insert(out.end(), image.begin(), image.end());
  graphics_detail::WriteAll(Stream, out);
}

}  // namespace host
