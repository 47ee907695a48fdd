// Pictures on forms: bitmaps kept in their paletted formats, drawn as text
// and recorded as named resources, a form's image storing its picture in
// the form file, and a terminal showing it as shading.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "host/controls_canvas.h"
#include "host/controls_std.h"
#include "host/formfile.h"
#include "host/forms.h"
#include "host/graphics.h"
#include "host/stream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using host::MakeColor;
using host::TBitmap;

Bytes Saved(const TBitmap& Bitmap) {
  host::TMemoryStream stream;
  Bitmap.SaveToStream(&stream);
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

TBitmap Loaded(const Bytes& Data) {
  host::TMemoryStream stream;
  stream.WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
  stream.SetPosition(0);
  TBitmap bitmap;
  bitmap.LoadFromStream(&stream);
  return bitmap;
}

std::uint32_t U32(const Bytes& Data, std::size_t Offset) {
  return static_cast<std::uint32_t>(Data[Offset] | Data[Offset + 1] << 8 | Data[Offset + 2] << 16 |
                                    Data[Offset + 3] << 24);
}
int BitsPerPixel(const Bytes& Data) {
  return Data[28] | Data[29] << 8;
}

// The sixteen standard colours in diagonal stripes over 17 x 3 pixels.
TBitmap SixteenColours() {
  TBitmap bitmap;
  bitmap.SetSize(17, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 17; ++x)
      bitmap.SetPixel(x, y, host::StandardColor((x + y) % 16));
  return bitmap;
}

TEST(PalettedBitmaps, FourBitPicturesAreWrittenWithTheirPalette) {
  TBitmap bitmap = SixteenColours();
  bitmap.SetPixelFormat(host::pf4bit);
  const Bytes data = Saved(bitmap);
  ASSERT_GE(data.size(), 54u);
  EXPECT_EQ(BitsPerPixel(data), 4);
  EXPECT_EQ(U32(data, 46), 16u) << "colours used";
  EXPECT_EQ(U32(data, 10), 14u + 40u + 16u * 4u) << "the pixels follow the palette";
  EXPECT_EQ(data.size(), 14u + 40u + 64u + 3u * 12u) << "17 pixels of 4 bits: rows of 12 bytes";

  const TBitmap back = Loaded(data);
  EXPECT_EQ(back.PixelFormat(), host::pf4bit);
  ASSERT_EQ(back.Width(), 17);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 17; ++x)
      ASSERT_EQ(back.Pixel(x, y), host::StandardColor((x + y) % 16)) << x << "," << y;
  EXPECT_EQ(Saved(back), data) << "written again, the same file";
}

// A paletted format the colours do not fit is written whole, never with
// colours lost.
TEST(PalettedBitmaps, ColoursThatDoNotFitThePaletteAreWrittenWhole) {
  TBitmap bitmap = SixteenColours();
  bitmap.SetPixel(0, 0, MakeColor(1, 2, 3));
  bitmap.SetPixelFormat(host::pf4bit);
  const Bytes data = Saved(bitmap);
  EXPECT_EQ(BitsPerPixel(data), 24);
  EXPECT_EQ(Loaded(data).Pixel(0, 0), MakeColor(1, 2, 3));

  TBitmap twoColours;
  twoColours.SetSize(9, 2);
  twoColours.SetPixel(8, 1, MakeColor(255, 255, 255));
  twoColours.SetPixelFormat(host::pf1bit);
  const Bytes mono = Saved(twoColours);
  EXPECT_EQ(BitsPerPixel(mono), 1);
  EXPECT_EQ(mono.size(), 14u + 40u + 8u + 2u * 4u);
  const TBitmap back = Loaded(mono);
  EXPECT_EQ(back.Pixel(8, 1), MakeColor(255, 255, 255));
  EXPECT_EQ(back.Pixel(7, 1), MakeColor(0, 0, 0));
}

TEST(DrawnBitmaps, EachDigitIsAStandardColourAndBadTextRaises) {
  const TBitmap bitmap = host::BitmapFromText({"09F", "7C4"});
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.PixelFormat(), host::pf4bit);
  EXPECT_EQ(bitmap.Pixel(0, 0), MakeColor(0, 0, 0));
  EXPECT_EQ(bitmap.Pixel(1, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(bitmap.Pixel(2, 0), MakeColor(255, 255, 255));
  EXPECT_EQ(bitmap.Pixel(0, 1), MakeColor(192, 192, 192));
  EXPECT_EQ(bitmap.Pixel(2, 1), MakeColor(0, 0, 128));
  EXPECT_THROW(host::BitmapFromText({"012", "01"}), host::EInvalidGraphic);
  EXPECT_THROW(host::BitmapFromText({"0g"}), host::EInvalidGraphic);
}

TEST(BitmapResources, AreFoundByNameWithoutRegardToCase) {
  host::RegisterBitmapResource("TESTPICTURE", host::BitmapFromText({"0F", "F0"}));
  EXPECT_TRUE(host::BitmapResourceExists("TestPicture"));
  TBitmap bitmap;
  host::LoadBitmapResource(bitmap, "testpicture");
  EXPECT_EQ(bitmap.Pixel(1, 0), MakeColor(255, 255, 255));
  EXPECT_EQ(bitmap.PixelFormat(), host::pf4bit);

  host::RegisterBitmapResource("TESTPICTURE", host::BitmapFromText({"9"}));
  host::LoadBitmapResource(bitmap, "TESTPICTURE");
  EXPECT_EQ(bitmap.Width(), 1) << "recorded again, replaced";

  EXPECT_FALSE(host::BitmapResourceExists("NOSUCHPICTURE"));
  try {
    host::LoadBitmapResource(bitmap, "NOSUCHPICTURE");
    ADD_FAILURE() << "no error";
  } catch (const host::EResNotFound& e) {
    EXPECT_EQ(e.Message, "Resource NOSUCHPICTURE not found");
  }
  EXPECT_EQ(bitmap.Width(), 1) << "the bitmap is left as it was";
}

// A form holding an image, read from and written to form files.
class ImageOnAForm : public ::testing::Test {
 protected:
  void SetUp() override {
    form.SetName("Form1");
    image = new host::TImage(&form);
    image->SetName("Image1");
    image->SetParent(&form);
    image->SetBounds(0, 0, 4 * host::kCellWidth, 2 * host::kCellHeight);
  }
  // What the image paints on 4 x 2 cells.
  std::string Painted() const {
    host::TCellCanvas canvas(4, 2);
    image->Paint(canvas, host::TCellRect{0, 0, 4, 2});
    return canvas.Text();
  }

  // The form's text with the image's picture stored as Data.
  std::string WithPictureData(const Bytes& Data) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t byte : Data) {
      hex += kDigits[byte >> 4];
      hex += kDigits[byte & 15];
    }
    std::string text = host::WriteComponentText(&form);
    text.insert(text.find("  end\nend"), "    Picture.Data = {\n      " + hex + "}\n");
    return text;
  }
  // The picture of the image read from Text into a new form.
  host::TPicture* ReadBack(const std::string& Text) {
    read = std::make_unique<host::TForm>(nullptr);
    host::ReadComponentText(read.get(), Text);
    auto* readImage = dynamic_cast<host::TImage*>(read->FindComponent("Image1"));
    return readImage == nullptr ? nullptr : readImage->Picture();
  }
  // The Data the image stores for its picture.
  Bytes StoredData() {
    const std::string text = host::WriteComponentText(&form);
    const std::size_t open = text.find("Picture.Data = {");
    Bytes data;
    if (open == std::string::npos) return data;
    std::string digits;
    for (std::size_t i = text.find('{', open) + 1; text[i] != '}'; ++i)
      if (std::isxdigit(static_cast<unsigned char>(text[i]))) digits += text[i];
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
      data.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return data;
  }

  host::TForm form{nullptr};
  host::TImage* image = nullptr;
  std::unique_ptr<host::TForm> read;
};

// Every pixel of the bitmap, top row first.
std::vector<host::TColor> PixelsOf(const TBitmap& Bitmap) {
  std::vector<host::TColor> pixels;
  for (int y = 0; y < Bitmap.Height(); ++y)
    for (int x = 0; x < Bitmap.Width(); ++x)
      pixels.push_back(Bitmap.Pixel(x, y));
  return pixels;
}

// A bitmap of Width x Height pixels in as many colours as Colours allows,
// scattered so that no two neighbours share a colour by design.
TBitmap Scattered(int Width, int Height, int Colours, host::TPixelFormat Format, bool Alpha) {
  TBitmap bitmap;
  bitmap.SetSize(Width, Height);
  unsigned seed = 12345;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const unsigned n = (seed >> 8) % static_cast<unsigned>(Colours);
      const auto alpha = static_cast<std::uint8_t>(Alpha ? (x + y) % 3 * 127 : 255);
      bitmap.SetPixel(
          x, y,
          MakeColor(static_cast<std::uint8_t>(n * 37), static_cast<std::uint8_t>(n * 11),
                    static_cast<std::uint8_t>(n), alpha));
    }
  bitmap.SetPixelFormat(Format);
  return bitmap;
}

TEST_F(ImageOnAForm, ThePictureIsStoredWithItsKindAndReadBack) {
  *image->Picture()->Bitmap() = host::BitmapFromText({"09", "C0"});
  image->SetStretch(true);
  const std::string text = host::WriteComponentText(&form);
  EXPECT_NE(text.find("    Picture.Data = {\n"), std::string::npos) << text;
  EXPECT_NE(text.find("07544269746D6170424D"), std::string::npos)
      << "the length byte, \"TBitmap\" and the bitmap file\n"
      << text;
  EXPECT_NE(text.find("    Stretch = True\n"), std::string::npos) << text;

  host::TForm again(nullptr);
  host::ReadComponentText(&again, text);
  auto* read = dynamic_cast<host::TImage*>(again.FindComponent("Image1"));
  ASSERT_NE(read, nullptr);
  auto* bitmap = dynamic_cast<TBitmap*>(read->Picture()->Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Pixel(1, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(bitmap->Pixel(0, 1), MakeColor(0, 0, 255));
  EXPECT_TRUE(read->Stretch());
  EXPECT_EQ(host::WriteComponentText(&again), text);

  image->Picture()->SetGraphic(nullptr);
  EXPECT_EQ(host::WriteComponentText(&form).find("Picture.Data"), std::string::npos)
      << "an empty picture stores nothing";
}

TEST_F(ImageOnAForm, StoredDataOfNoPictureKindIsRefused) {
  const std::string text = host::WriteComponentText(&form);
  std::string stored = text;
  // "TThing" in place of a bitmap.
  stored.insert(stored.find("  end\nend"), "    Picture.Data = {\n      06545468696E67}\n");
  host::TForm again(nullptr);
  EXPECT_THROW(host::ReadComponentText(&again, stored), host::EReadError);
  stored = text;
  stored.insert(stored.find("  end\nend"), "    Picture.Data = {\n      07544269746D6170424D00}\n");
  host::TForm third(nullptr);
  EXPECT_THROW(host::ReadComponentText(&third, stored), host::EReadError)
      << "a bitmap that is no bitmap";
}

// Written to the form file and read back, every kind of picture comes back
// pixel for pixel, and is written again as the same text.
TEST_F(ImageOnAForm, EveryPictureKindComesBackPixelForPixel) {
  struct Case {
    const char* What;
    TBitmap Bitmap;
  };
  const Case bitmaps[] = {
      {"24 bits, thousands of colours", Scattered(37, 21, 4096, host::pf24bit, false)},
      {"32 bits with transparency", Scattered(19, 7, 500, host::pf32bit, true)},
      {"8 bits, 100 colours", Scattered(23, 9, 100, host::pf8bit, false)},
      {"1 bit", Scattered(33, 5, 2, host::pf1bit, false)},
  };
  for (const Case& c : bitmaps) {
    SCOPED_TRACE(c.What);
    *image->Picture()->Bitmap() = c.Bitmap;
    const std::string text = host::WriteComponentText(&form);
    host::TPicture* back = ReadBack(text);
    ASSERT_NE(back, nullptr);
    auto* bitmap = dynamic_cast<TBitmap*>(back->Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelFormat(), c.Bitmap.PixelFormat());
    EXPECT_EQ(PixelsOf(*bitmap), PixelsOf(c.Bitmap));
    EXPECT_EQ(host::WriteComponentText(read.get()), text);
  }

  host::TIcon* icon = image->Picture()->Icon();
  icon->AddImage(Scattered(16, 16, 300, host::pf32bit, true));
  icon->AddImage(Scattered(32, 32, 7, host::pf32bit, false));
  const std::string iconText = host::WriteComponentText(&form);
  auto* iconBack = dynamic_cast<host::TIcon*>(ReadBack(iconText)->Graphic());
  ASSERT_NE(iconBack, nullptr);
  ASSERT_EQ(iconBack->ImageCount(), 2);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(PixelsOf(*iconBack->ImageBitmap(i)), PixelsOf(*icon->ImageBitmap(i))) << i;
  EXPECT_EQ(host::WriteComponentText(read.get()), iconText);

  host::TMetafile* metafile = image->Picture()->Metafile();
  metafile->SetBounds(0, 0, 200, 100);
  metafile->Rectangle(10, 10, 190, 90);
  metafile->MoveTo(0, 0);
  metafile->LineTo(200, 100);
  const std::string metafileText = host::WriteComponentText(&form);
  auto* metafileBack = dynamic_cast<host::TMetafile*>(ReadBack(metafileText)->Graphic());
  ASSERT_NE(metafileBack, nullptr);
  ASSERT_EQ(metafileBack->RecordCount(), metafile->RecordCount());
  for (int i = 0; i < metafile->RecordCount(); ++i) {
    EXPECT_EQ(metafileBack->Record(i).Function, metafile->Record(i).Function);
    EXPECT_EQ(metafileBack->Record(i).Params, metafile->Record(i).Params);
  }
  EXPECT_EQ(metafileBack->Right(), 200);
}

// A form file is input like any other: picture data cut short or damaged
// anywhere is refused with a read error naming the property, never read
// as far as it goes and never past its end.
TEST_F(ImageOnAForm, DamagedPictureDataIsAReadError) {
  std::vector<Bytes> stored;
  *image->Picture()->Bitmap() = host::BitmapFromText({"0F9", "C7A", "E12"});
  stored.push_back(StoredData());
  image->Picture()->Icon()->AddImage(Scattered(4, 3, 5, host::pf32bit, true));
  stored.push_back(StoredData());
  image->Picture()->Metafile()->Rectangle(0, 0, 10, 10);
  stored.push_back(StoredData());
  image->Picture()->SetGraphic(nullptr);

  for (const Bytes& data : stored) {
    ASSERT_GT(data.size(), 8u);
    const std::size_t nameEnd = 1u + data[0];
    for (std::size_t length = 0; length < data.size(); ++length) {
      if (length == nameEnd) continue;  // a kind with no data: an empty picture
      SCOPED_TRACE("cut to " + std::to_string(length) + " of " + std::to_string(data.size()));
      try {
        ReadBack(WithPictureData(Bytes(data.begin(), data.begin() + length)));
        ADD_FAILURE() << "read";
      } catch (const host::EReadError& e) {
        EXPECT_NE(e.Message.find("error reading Picture.Data"), std::string::npos) << e.Message;
      }
    }
    // Damage in place: each outcome is a picture or a read error.
    unsigned seed = 7;
    for (int round = 0; round < 400; ++round) {
      Bytes damaged = data;
      for (int flips = 0; flips < 3; ++flips) {
        seed = seed * 1103515245u + 12345u;
        damaged[(seed >> 8) % damaged.size()] ^= static_cast<std::uint8_t>(1u << (seed >> 4) % 8);
      }
      try {
        ReadBack(WithPictureData(damaged));
      } catch (const host::EReadError&) {
      } catch (const std::exception& e) {
        ADD_FAILURE() << "round " << round << ": " << e.what();
      }
    }
  }

  // A length byte past the data, and a bitmap claiming 32768 x 32768
  // pixels with three bytes of them.
  EXPECT_THROW(ReadBack(WithPictureData({200, 'T', 'B'})), host::EReadError);
  Bytes huge = stored[0];
  const std::size_t info = 1u + huge[0] + 14u;
  for (std::size_t at : {info + 4, info + 8}) {
    huge[at] = 0x00;
    huge[at + 1] = 0x80;
    huge[at + 2] = huge[at + 3] = 0;
  }
  EXPECT_THROW(ReadBack(WithPictureData(huge)), host::EReadError);
}

// The background is the bottom-left colour; what stands out from it most
// is densest.
TEST_F(ImageOnAForm, ATerminalShowsThePictureAsShading) {
  *image->Picture()->Bitmap() = host::BitmapFromText({"0F", "F7"});
  image->SetStretch(true);  // each pixel fills 2 x 1 cells
  EXPECT_EQ(Painted(), "@@\n  ::");

  // At its own size a cell stands for 6 x 12 pixels from the top left.
  image->SetStretch(false);
  TBitmap& bitmap = *image->Picture()->Bitmap();
  bitmap.SetSize(7, 13);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 7; ++x)
      bitmap.SetPixel(x, y, MakeColor(255, 255, 255));
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 6; ++x)
      bitmap.SetPixel(x, y, MakeColor(0, 0, 0));
  bitmap.SetPixel(6, 12, MakeColor(255, 255, 255, 0));
  EXPECT_EQ(Painted(), "@\n") << "one dense cell; the edge cells hold background pixels only";

  image->Picture()->Metafile()->Rectangle(0, 0, 10, 10);
  EXPECT_EQ(Painted(), "+--+\n+--+") << "a metafile is framed";
}

}  // namespace
