// Pictures: bitmaps, metafiles and icons that load from and save to streams,
// and the picture that holds one of them.
//
// Each kind reads and writes a real file format, with every header checked
// before anything is read through it:
//   TBitmap    the device-independent bitmap file ("BM"): 1, 4 and 8 bits per
//              pixel with a palette, 24 and 32 bits without; rows bottom-up or
//              top-down; uncompressed (32-bit pixels also with the usual
//              colour masks). Written bottom-up with the bits of its pixel
//              format (see SaveToStream).
//   TMetafile  the placeable metafile: a 22-byte header with the picture's
//              bounds and units per inch and a checksum, then the metafile
//              header and its records (size in 16-bit words, function,
//              parameters), ended by the end-of-file record. A metafile
//              without the placeable header is read too.
//   TIcon      the icon file: a directory of images, each a bitmap with its
//              transparency mask or a compressed (PNG) image kept as it is.
// A stream that is not of the format, or whose headers point outside it,
// raises EInvalidGraphic with the reason; nothing is read past the data.
// Loading reads from the stream's position to its end; an empty remainder
// gives an empty picture, and saving an empty picture writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/component.h"
#include "host/exceptions.h"

namespace host {

class TFiler;
class TStream;

HOST_DECLARE_EXCEPTION(EInvalidGraphic, Exception);

// A colour with its opacity: 0xAARRGGBB, alpha 255 opaque.
using TColor = std::uint32_t;
constexpr TColor MakeColor(std::uint8_t Red, std::uint8_t Green, std::uint8_t Blue,
                           std::uint8_t Alpha = 255) {
  return static_cast<TColor>(Alpha) << 24 | static_cast<TColor>(Red) << 16 |
         static_cast<TColor>(Green) << 8 | Blue;
}

class TGraphic : public TPersistent {
 public:
  ~TGraphic() override;

  // Virtual order (a contract for subclasses): Empty, Width, Height,
  // LoadFromStream, SaveToStream; after those of TPersistent.
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Replaces the picture with the one read from the stream's position to its
  // end; raises EInvalidGraphic, leaving the picture as it was, when the data
  // is not a valid picture of this kind.
  virtual void LoadFromStream(TStream* Stream) = 0;
  // Writes the picture at the stream's position.
  virtual void SaveToStream(TStream* Stream) const = 0;

  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
};

// Bits per pixel a bitmap keeps from its file and is written with.
enum TPixelFormat : std::uint8_t { pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

class TBitmap : public TGraphic {
 public:
  TBitmap() = default;
  TBitmap(const TBitmap&) = default;
  TBitmap& operator=(const TBitmap&) = default;
  ~TBitmap() override;

  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void LoadFromStream(TStream* Stream) override;
  // pf1bit, pf4bit and pf8bit pictures are written with a palette of the
  // colours they use when those fit (2, 16 or 256 of them; a palette keeps
  // no transparency), and with 24 bits per pixel when they do not; pf24bit
  // ones with 24 bits, pf32bit ones with 32 so that their transparency
  // survives.
  void SaveToStream(TStream* Stream) const override;

  // Resizes to Width x Height pixels, all transparent black; raises
  // EInvalidGraphic for a negative or too large size.
  void SetSize(int Width, int Height);
  // The pixel at column X, row Y from the top; raises EInvalidGraphic outside.
  TColor Pixel(int X, int Y) const;
  void SetPixel(int X, int Y, TColor Color);
  TPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TPixelFormat Value) { pixelFormat_ = Value; }

  // The bitmap inside an icon: an information header, pixels and, after
  // them, a one-bit mask whose set bits mark transparent pixels (the header
  // counts both in its height). Reads Size bytes at Data.
  void LoadFromIconImage(const std::uint8_t* Data, std::size_t Size);
  // Writes the icon form with 32 bits per pixel, the mask from the alpha.
  void SaveToIconImage(std::vector<std::uint8_t>& Out) const;

  // The largest width or height accepted.
  static constexpr int kMaxDimension = 32768;

 private:
  void ReadDib(const std::uint8_t* Data, std::size_t Size, std::size_t PixelOffset, bool IconImage);

  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixelFormat_ = pf24bit;
  std::vector<TColor> pixels_;  // row-major, top row first
};

// One record of a metafile: the function number and its 16-bit parameters.
struct TMetafileRecord {
  std::uint16_t Function = 0;
  std::vector<std::uint16_t> Params;
};

class TMetafile : public TGraphic {
 public:
  ~TMetafile() override;

  // Record functions the drawing helpers write.
  static constexpr std::uint16_t kSetWindowOrg = 0x020B;
  static constexpr std::uint16_t kSetWindowExt = 0x020C;
  static constexpr std::uint16_t kLineTo = 0x0213;
  static constexpr std::uint16_t kMoveTo = 0x0214;
  static constexpr std::uint16_t kEllipse = 0x0418;
  static constexpr std::uint16_t kRectangle = 0x041B;

  bool Empty() const override { return records_.empty(); }
  // The bounds at 96 pixels per inch.
  int Width() const override;
  int Height() const override;
  void LoadFromStream(TStream* Stream) override;
  // Always writes the placeable form.
  void SaveToStream(TStream* Stream) const override;

  // The picture's frame in logical units, and how many units make an inch.
  void SetBounds(std::int16_t Left, std::int16_t Top, std::int16_t Right, std::int16_t Bottom);
  std::int16_t Left() const { return left_; }
  std::int16_t Top() const { return top_; }
  std::int16_t Right() const { return right_; }
  std::int16_t Bottom() const { return bottom_; }
  std::uint16_t Inch() const { return inch_; }
  void SetInch(std::uint16_t Value) { inch_ = Value; }

  int RecordCount() const { return static_cast<int>(records_.size()); }
  const TMetafileRecord& Record(int Index) const;
  // Appends a drawing record; the end-of-file record is written by saving.
  void AddRecord(std::uint16_t Function, std::vector<std::uint16_t> Params);
  void MoveTo(std::int16_t X, std::int16_t Y);
  void LineTo(std::int16_t X, std::int16_t Y);
  void Rectangle(std::int16_t Left, std::int16_t Top, std::int16_t Right, std::int16_t Bottom);
  void Clear();

 private:
  std::int16_t left_ = 0;
  std::int16_t top_ = 0;
  std::int16_t right_ = 0;
  std::int16_t bottom_ = 0;
  std::uint16_t inch_ = 1440;
  std::vector<TMetafileRecord> records_;
};

class TIcon : public TGraphic {
 public:
  ~TIcon() override;

  bool Empty() const override { return images_.empty(); }
  // The size of the first image.
  int Width() const override;
  int Height() const override;
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) const override;

  int ImageCount() const { return static_cast<int>(images_.size()); }
  int ImageWidth(int Index) const;
  int ImageHeight(int Index) const;
  // The image as a bitmap, or nullptr for a compressed image.
  const TBitmap* ImageBitmap(int Index) const;
  // Adds an image of at most 256 x 256 pixels; raises EInvalidGraphic for a
  // larger or empty one.
  void AddImage(const TBitmap& Image);
  void Clear() { images_.clear(); }

 private:
  struct Image {
    int Width = 0;
    int Height = 0;
    std::shared_ptr<const TBitmap> Bitmap;  // a bitmap image
    std::vector<std::uint8_t> Compressed;   // or a PNG image, kept as read
  };
  const Image& At(int Index) const;

  std::vector<Image> images_;
};

// Holds one graphic. Asking for a kind the picture does not hold replaces
// what it holds with an empty graphic of that kind, so that loading into
// Picture.Bitmap() always reads a bitmap.
//
// In a form file the picture is the raw-byte property "Data": the graphic's
// class name (a length byte and its characters) followed by the graphic in
// its own file format. An empty picture stores nothing.
class TPicture : public TPersistent {
 public:
  TPicture() = default;
  ~TPicture() override;

  // "Data"; reading a class name that is no graphic kind, or data that is
  // not a valid picture of that kind, raises EReadError and leaves the
  // picture as it was.
  void DefineProperties(TFiler* Filer) override;

  TGraphic* Graphic() const { return graphic_.get(); }
  // Takes ownership; nullptr empties the picture.
  void SetGraphic(std::unique_ptr<TGraphic> Value) { graphic_ = std::move(Value); }
  TBitmap* Bitmap() { return Ensure<TBitmap>(); }
  TMetafile* Metafile() { return Ensure<TMetafile>(); }
  TIcon* Icon() { return Ensure<TIcon>(); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

 private:
  template <class G>
  G* Ensure() {
    auto* held = dynamic_cast<G*>(graphic_.get());
    if (held == nullptr) {
      graphic_ = std::make_unique<G>();
      held = static_cast<G*>(graphic_.get());
    }
    return held;
  }

  std::unique_ptr<TGraphic> graphic_;
};

// ---------------------------------------------------------- bitmap resources
//
// The pictures a library carries (the palette images of its components, a
// logo). A source file of the library records them from a static
// initialiser, so that they exist as soon as the library is loaded; they are
// found by name without regard to case.

HOST_DECLARE_EXCEPTION(EResNotFound, Exception);

// Records the bitmap, as its file's bytes, under Name; a later recording of
// the name replaces it.
void RegisterBitmapResource(const std::string& Name, const TBitmap& Bitmap);
bool BitmapResourceExists(const std::string& Name);
// Replaces Bitmap with the resource; EResNotFound "Resource NAME not found"
// when there is none.
void LoadBitmapResource(TBitmap& Bitmap, const std::string& Name);

// A pf4bit bitmap drawn as text: one string per row, top row first, one
// character per pixel, a hexadecimal digit naming one of the sixteen
// standard colours (0 black, 1 maroon, 2 green, 3 olive, 4 navy, 5 purple,
// 6 teal, 7 silver, 8 grey, 9 red, A lime, B yellow, C blue, D fuchsia,
// E aqua, F white). Rows of unequal length or other characters raise
// EInvalidGraphic.
TBitmap BitmapFromText(std::initializer_list<std::string_view> Rows);
// The colour a digit of BitmapFromText names.
TColor StandardColor(int Index);

namespace graphics_detail {

// Little-endian fields of a picture file, read with their bounds checked:
// a read outside the data raises EInvalidGraphic with Format's text.
class TReader {
 public:
  TReader(const std::uint8_t* Data, std::size_t Size, const char* Format)
      : data_(Data), size_(Size), format_(Format) {}
  std::size_t Size() const { return size_; }
  const std::uint8_t* Data() const { return data_; }
  std::uint8_t U8(std::size_t Offset) const { return *At(Offset, 1); }
  std::uint16_t U16(std::size_t Offset) const;
  std::uint32_t U32(std::size_t Offset) const;
  std::int32_t I32(std::size_t Offset) const { return static_cast<std::int32_t>(U32(Offset)); }
  // Raises unless Count bytes at Offset lie inside the data.
  void Need(std::size_t Offset, std::size_t Count) const { At(Offset, Count); }
  // Raises EInvalidGraphic "<format> is not valid: <Reason>".
  [[noreturn]] void Fail(const char* Reason) const;

 private:
  const std::uint8_t* At(std::size_t Offset, std::size_t Count) const;

  const std::uint8_t* data_;
  std::size_t size_;
  const char* format_;
};

// Appends little-endian fields.
void PutU16(std::vector<std::uint8_t>& Out, std::uint16_t Value);
void PutU32(std::vector<std::uint8_t>& Out, std::uint32_t Value);
// The bytes from the stream's position to its end.
std::vector<std::uint8_t> ReadRemainder(TStream* Stream);
void WriteAll(TStream* Stream, const std::vector<std::uint8_t>& Bytes);

}  // namespace graphics_detail

}  // namespace host
