// The picture formats long fields store: bitmaps, placeable metafiles and
// icons written and read back, files written by hand in each format, and
// damaged data, which must raise a clear error and never read outside it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/graphics.h"
#include "host/stream.h"
#include "tests/support/velar_test.h"

namespace {

using host::MakeColor;
using host::TColor;
using velar::testing::MessageOf;
using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& Out, unsigned Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}
void Put32(Bytes& Out, std::uint32_t Value) {
  Put16(Out, Value & 0xFFFF);
  Put16(Out, Value >> 16);
}

Bytes Saved(const host::TGraphic& Graphic) {
  host::TMemoryStream stream;
  Graphic.SaveToStream(&stream);
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

template <class G>
std::string LoadError(const Bytes& Data) {
  G graphic;
  host::TMemoryStream stream;
  if (!Data.empty()) stream.Write(Data.data(), static_cast<std::int64_t>(Data.size()));
  stream.SetPosition(0);
  return MessageOf<host::EInvalidGraphic>([&] { graphic.LoadFromStream(&stream); });
}

template <class G>
void Load(G& Graphic, const Bytes& Data, std::int64_t Position = 0) {
  host::TMemoryStream stream;
  stream.Write(Data.data(), static_cast<std::int64_t>(Data.size()));
  stream.SetPosition(Position);
  Graphic.LoadFromStream(&stream);
}

// A 2 x 2 bitmap of 8 bits per pixel with a three-colour palette, written
// top-down as some programs do.
Bytes PalettedBitmap(std::int32_t Height, std::uint8_t Pixel) {
  Bytes b{'B', 'M'};
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 14 + 40 + 12);
  Put32(b, 40);
  Put32(b, 2);
  Put32(b, static_cast<std::uint32_t>(Height));
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 0);
  Put32(b, 8);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 3);  // colours used
  Put32(b, 0);
  for (std::uint32_t colour : {0x00000000u, 0x00FF0000u, 0x0000FF00u})  // black, red, green
    Put32(b, colour);
  for (std::uint8_t row : {std::uint8_t{1}, std::uint8_t{2}}) {
    b.push_back(row);
    b.push_back(Pixel);
    b.push_back(0);
    b.push_back(0);
  }
  return b;
}

TEST(BitmapFormat, SavedBitmapsReadBackPixelForPixel) {
  host::TBitmap bitmap;
  bitmap.SetSize(5, 3);
  bitmap.SetPixel(0, 0, MakeColor(255, 0, 0));
  bitmap.SetPixel(4, 2, MakeColor(1, 2, 3));
  const Bytes data = Saved(bitmap);
  ASSERT_EQ(data.size(), 14u + 40u + 3u * 16u) << "24-bit rows padded to 16 bytes";
  EXPECT_EQ(data[0], 'B');
  EXPECT_EQ(data[1], 'M');
  host::TBitmap loaded;
  Load(loaded, data);
  EXPECT_EQ(loaded.Width(), 5);
  EXPECT_EQ(loaded.Height(), 3);
  EXPECT_EQ(loaded.PixelFormat(), host::pf24bit);
  EXPECT_EQ(loaded.Pixel(0, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(loaded.Pixel(4, 2), MakeColor(1, 2, 3));
  EXPECT_EQ(loaded.Pixel(1, 1), MakeColor(0, 0, 0));

  // 32 bits per pixel keep the transparency.
  bitmap.SetPixelFormat(host::pf32bit);
  bitmap.SetPixel(2, 1, MakeColor(9, 9, 9, 128));
  Load(loaded, Saved(bitmap));
  EXPECT_EQ(loaded.PixelFormat(), host::pf32bit);
  EXPECT_EQ(loaded.Pixel(2, 1), MakeColor(9, 9, 9, 128));
  EXPECT_EQ(loaded.Pixel(0, 0), MakeColor(255, 0, 0, 255));
}

TEST(BitmapFormat, PalettedAndTopDownFilesAreRead) {
  host::TBitmap bitmap;
  Load(bitmap, PalettedBitmap(-2, 0));
  EXPECT_EQ(bitmap.PixelFormat(), host::pf8bit);
  EXPECT_EQ(bitmap.Pixel(0, 0), MakeColor(255, 0, 0)) << "top-down: the first row is the top";
  EXPECT_EQ(bitmap.Pixel(0, 1), MakeColor(0, 255, 0));
  EXPECT_EQ(bitmap.Pixel(1, 1), MakeColor(0, 0, 0));
  Load(bitmap, PalettedBitmap(2, 0));
  EXPECT_EQ(bitmap.Pixel(0, 0), MakeColor(0, 255, 0)) << "bottom-up: the first row is the bottom";

  // Loading starts at the stream's position; an empty remainder is an empty
  // bitmap, and an empty bitmap writes nothing.
  Bytes prefixed{'x', 'y'};
  const Bytes file = PalettedBitmap(2, 1);
  prefixed.insert(prefixed.end(), file.begin(), file.end());
  Load(bitmap, prefixed, 2);
  EXPECT_EQ(bitmap.Pixel(1, 0), MakeColor(255, 0, 0));
  host::TMemoryStream empty;
  bitmap.LoadFromStream(&empty);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_TRUE(Saved(bitmap).empty());
}

TEST(BitmapFormat, DamagedFilesRaiseAndLeaveThePictureAlone) {
  EXPECT_EQ(LoadError<host::TBitmap>({'B', 'M', 0}),
            "Bitmap image is not valid: the data ends early");
  EXPECT_EQ(LoadError<host::TBitmap>(Bytes(60, 'P')),
            "Bitmap image is not valid: the data does not start with BM");
  Bytes data = PalettedBitmap(2, 3);
  EXPECT_EQ(LoadError<host::TBitmap>(data),
            "Bitmap image is not valid: a pixel refers past the palette");
  data = PalettedBitmap(2, 0);
  data.resize(data.size() - 1);
  EXPECT_EQ(LoadError<host::TBitmap>(data), "Bitmap image is not valid: the data ends early");
  data = PalettedBitmap(2, 0);
  data[10] = 0xF0;  // pixels far beyond the data
  data[13] = 0x7F;
  EXPECT_EQ(LoadError<host::TBitmap>(data), "Bitmap image is not valid: the data ends early");
  data = PalettedBitmap(40000, 0);
  EXPECT_EQ(LoadError<host::TBitmap>(data), "Bitmap image is not valid: the size is out of range");
  data = PalettedBitmap(2, 0);
  data[47] = 0x01;  // colours used: more than 8 bits can index
  EXPECT_EQ(LoadError<host::TBitmap>(data), "Bitmap image is not valid: the palette is too large");
  data = PalettedBitmap(2, 0);
  data[30] = 1;  // run-length compressed
  EXPECT_EQ(LoadError<host::TBitmap>(data),
            "Bitmap image is not valid: compressed pixels are not supported");
  data = PalettedBitmap(2, 0);
  data[14] = 41;
  EXPECT_EQ(LoadError<host::TBitmap>(data),
            "Bitmap image is not valid: the information header has an unknown size");

  host::TBitmap kept;
  kept.SetSize(1, 1);
  EXPECT_THROW(Load(kept, data), host::EInvalidGraphic);
  EXPECT_EQ(kept.Width(), 1);
  EXPECT_THROW(kept.Pixel(1, 0), host::EInvalidGraphic);
  EXPECT_THROW(kept.SetSize(-1, 2), host::EInvalidGraphic);
}

TEST(MetafileFormat, RecordsAndBoundsSurviveSaving) {
  host::TMetafile metafile;
  metafile.SetBounds(0, 0, 2880, 1440);
  metafile.SetInch(1440);
  metafile.MoveTo(10, 20);
  metafile.LineTo(-30, 40);
  metafile.Rectangle(1, 2, 3, 4);
  const Bytes data = Saved(metafile);
  ASSERT_EQ(data.size(), 22u + 18u + (5u + 5u + 7u + 3u) * 2u);
  EXPECT_EQ(data[0], 0xD7);
  EXPECT_EQ(data[3], 0x9A);

  host::TMetafile loaded;
  Load(loaded, data);
  EXPECT_EQ(loaded.Width(), 192);
  EXPECT_EQ(loaded.Height(), 96);
  EXPECT_EQ(loaded.Right(), 2880);
  ASSERT_EQ(loaded.RecordCount(), 3);
  EXPECT_EQ(loaded.Record(0).Function, host::TMetafile::kMoveTo);
  EXPECT_EQ(loaded.Record(0).Params, (std::vector<std::uint16_t>{20, 10}));
  EXPECT_EQ(loaded.Record(1).Params, (std::vector<std::uint16_t>{40, 0xFFE2}));
  EXPECT_EQ(loaded.Record(2).Params, (std::vector<std::uint16_t>{4, 3, 2, 1}));
  EXPECT_THROW(loaded.Record(3), host::EListError);

  // Without the placeable header the records are read all the same.
  Bytes plain(data.begin() + 22, data.end());
  Load(loaded, plain);
  EXPECT_EQ(loaded.RecordCount(), 3);
  EXPECT_EQ(loaded.Width(), 0);
}

TEST(MetafileFormat, DamagedFilesRaise) {
  host::TMetafile metafile;
  metafile.SetBounds(0, 0, 100, 100);
  metafile.LineTo(5, 5);
  const Bytes good = Saved(metafile);
  Bytes data = good;
  data[6] ^= 1;  // bounds no longer match the checksum
  EXPECT_EQ(LoadError<host::TMetafile>(data),
            "Metafile is not valid: the placeable header's checksum is wrong");
  data = good;
  data.resize(data.size() - 2);
  EXPECT_EQ(LoadError<host::TMetafile>(data), "Metafile is not valid: the data ends early");
  data = good;
  data[40] = 0xFF;  // the record claims more words than there are
  data[41] = 0xFF;
  EXPECT_EQ(LoadError<host::TMetafile>(data), "Metafile is not valid: the data ends early");
  data = good;
  data[40] = 2;  // shorter than its own header
  EXPECT_EQ(LoadError<host::TMetafile>(data),
            "Metafile is not valid: a record is shorter than its header");
  data = good;
  data[28] ^= 1;  // the header's total size
  EXPECT_EQ(LoadError<host::TMetafile>(data),
            "Metafile is not valid: the header's size does not match its records");
  data = good;
  data[24] = 10;  // header size in words
  EXPECT_EQ(LoadError<host::TMetafile>(data),
            "Metafile is not valid: the metafile header is not valid");
  EXPECT_THROW(metafile.AddRecord(0, {}), host::EInvalidGraphic);
}

TEST(IconFormat, ImagesAndTheirTransparencySurviveSaving) {
  host::TBitmap image;
  image.SetSize(16, 16);
  image.SetPixel(0, 0, MakeColor(255, 255, 255));
  image.SetPixel(15, 15, MakeColor(0, 0, 255, 200));
  host::TIcon icon;
  icon.AddImage(image);
  host::TBitmap large;
  large.SetSize(256, 256);
  icon.AddImage(large);
  const Bytes data = Saved(icon);
  EXPECT_EQ(data[2], 1);
  EXPECT_EQ(data[4], 2);
  EXPECT_EQ(data[6 + 16], 0) << "256 is written as 0";

  host::TIcon loaded;
  Load(loaded, data);
  ASSERT_EQ(loaded.ImageCount(), 2);
  EXPECT_EQ(loaded.Width(), 16);
  EXPECT_EQ(loaded.ImageWidth(1), 256);
  const host::TBitmap* first = loaded.ImageBitmap(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Pixel(0, 0), MakeColor(255, 255, 255));
  EXPECT_EQ(first->Pixel(15, 15), MakeColor(0, 0, 255, 200));
  EXPECT_EQ(first->Pixel(5, 5) >> 24, 0u) << "transparent";

  large.SetSize(257, 1);
  EXPECT_THROW(icon.AddImage(large), host::EInvalidGraphic);
}

// An icon whose image is a compressed picture keeps it as it was.
TEST(IconFormat, CompressedImagesAreKept) {
  Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
            0,    0,   48,  0,   0,    0,    32,   8,    6, 0, 0, 0,  1,   2,   3,   4};
  Bytes icon;
  Put16(icon, 0);
  Put16(icon, 1);
  Put16(icon, 1);
  icon.insert(icon.end(), {48, 32, 0, 0});
  Put16(icon, 1);
  Put16(icon, 32);
  Put32(icon, static_cast<std::uint32_t>(png.size()));
  Put32(icon, 22);
  icon.insert(icon.end(), png.begin(), png.end());
  host::TIcon loaded;
  Load(loaded, icon);
  EXPECT_EQ(loaded.ImageWidth(0), 48);
  EXPECT_EQ(loaded.ImageHeight(0), 32);
  EXPECT_EQ(loaded.ImageBitmap(0), nullptr);
  EXPECT_EQ(Saved(loaded), icon);

  Bytes damaged = icon;
  damaged[22 + 12] = 'X';
  EXPECT_EQ(LoadError<host::TIcon>(damaged),
            "Icon image is not valid: a compressed image has no size header");
}

TEST(IconFormat, DamagedFilesRaise) {
  host::TBitmap image;
  image.SetSize(2, 2);
  host::TIcon icon;
  icon.AddImage(image);
  const Bytes good = Saved(icon);
  Bytes data = good;
  data[2] = 2;  // a cursor, not an icon
  EXPECT_EQ(LoadError<host::TIcon>(data),
            "Icon image is not valid: the data does not start with an icon directory");
  data = good;
  data[4] = 0;
  EXPECT_EQ(LoadError<host::TIcon>(data), "Icon image is not valid: the directory lists no image");
  data = good;
  data[18] = 4;  // image offset inside the directory
  EXPECT_EQ(LoadError<host::TIcon>(data),
            "Icon image is not valid: an image overlaps the directory");
  data = good;
  data[15] = 0x10;  // image size past the data
  EXPECT_EQ(LoadError<host::TIcon>(data), "Icon image is not valid: the data ends early");
  data = good;
  data[22 + 8] = 3;  // odd height: no room for the mask
  EXPECT_EQ(LoadError<host::TIcon>(data),
            "Icon image is not valid: the height does not cover image and mask");
  data = good;
  data.resize(data.size() - 4);  // the mask cut short
  data[14] = static_cast<std::uint8_t>(data[14] - 4);
  EXPECT_EQ(LoadError<host::TIcon>(data), "Icon image is not valid: the data ends early");
}

TEST(Picture, AskingForAnotherKindReplacesTheGraphic) {
  host::TPicture picture;
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
  picture.Bitmap()->SetSize(4, 3);
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_EQ(picture.Bitmap()->Height(), 3) << "the same bitmap";
  EXPECT_TRUE(picture.Icon()->Empty());
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_NE(dynamic_cast<host::TIcon*>(picture.Graphic()), nullptr);
}

}  // namespace
