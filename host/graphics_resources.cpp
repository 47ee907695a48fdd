// Named bitmap resources, and bitmaps drawn as text for them.
#include <map>

#include "host/graphics.h"
#include "host/stream.h"
#include "host/sysutils.h"

namespace host {

EResNotFound::~EResNotFound() = default;

namespace {

// Keyed by the upper-case name. Libraries record theirs while they load,
// before anything looks one up.
std::map<std::string, std::vector<std::uint8_t>>& Resources() {
  static std::map<std::string, std::vector<std::uint8_t>> resources;
  return resources;
}

// The sixteen colours of the standard palette, in its order.
constexpr TColor kStandardColors[16] = {
    MakeColor(0, 0, 0),       MakeColor(128, 0, 0),     MakeColor(0, 128, 0),
    MakeColor(128, 128, 0),   MakeColor(0, 0, 128),     MakeColor(128, 0, 128),
    MakeColor(0, 128, 128),   MakeColor(192, 192, 192), MakeColor(128, 128, 128),
    MakeColor(255, 0, 0),     MakeColor(0, 255, 0),     MakeColor(255, 255, 0),
    MakeColor(0, 0, 255),     MakeColor(255, 0, 255),   MakeColor(0, 255, 255),
    MakeColor(255, 255, 255),
};

}  // namespace

void RegisterBitmapResource(const std::string& Name, const TBitmap& Bitmap) {
  TMemoryStream stream;
  Bitmap.SaveToStream(&stream);
  Resources()[UpperCase(Name)] =
      std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

bool BitmapResourceExists(const std::string& Name) {
  return Resources().count(UpperCase(Name)) != 0;
}

void LoadBitmapResource(TBitmap& Bitmap, const std::string& Name) {
  auto found = Resources().find(UpperCase(Name));
  if (found == Resources().end()) throw EResNotFound("Resource " + Name + " not found");
  TMemoryStream stream;
  const std::vector<std::uint8_t>& bytes = found->second;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(0);
  Bitmap.LoadFromStream(&stream);
}

TColor StandardColor(int Index) {
  if (Index < 0 || Index > 15) throw EInvalidGraphic("Standard colour out of range");
  return kStandardColors[Index];
}

TBitmap BitmapFromText(std::initializer_list<std::string_view> Rows) {
  const std::size_t width = Rows.size() == 0 ? 0 : Rows.begin()->size();
  TBitmap bitmap;
  bitmap.SetSize(static_cast<int>(width), static_cast<int>(Rows.size()));
  bitmap.SetPixelFormat(pf4bit);
  int y = 0;
  for (std::string_view row : Rows) {
    if (row.size() != width) throw EInvalidGraphic("The rows of a drawn bitmap differ in length");
    for (std::size_t x = 0; x < width; ++x) {
      const char c = row[x];
      int index = -1;
      if (c >= '0' && c <= '9') index = c - '0';
      if (c >= 'A' && c <= 'F') index = c - 'A' + 10;
      if (index < 0) throw EInvalidGraphic("A drawn bitmap holds a character that is no colour");
      bitmap.SetPixel(static_cast<int>(x), y, kStandardColors[index]);
    }
    ++y;
  }
  return bitmap;
}

}  // namespace host
