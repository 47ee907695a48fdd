// The image control and how a terminal shows its picture.
#include <algorithm>
#include <cstdlib>

#include "host/controls_canvas.h"
#include "host/controls_std.h"
#include "host/typinfo.h"

namespace host {

namespace {

// From faint to dense: the character of a cell whose pixels stand out from
// the background by that much.
constexpr char kShades[] = " .:-=+*#%@";
constexpr int kShadeCount = sizeof kShades - 1;

int Luminance(TColor Color) {
  const int red = static_cast<int>(Color >> 16 & 0xFF);
  const int green = static_cast<int>(Color >> 8 & 0xFF);
  const int blue = static_cast<int>(Color & 0xFF);
  return (299 * red + 587 * green + 114 * blue) / 1000;
}

// The bitmap a terminal can show of a graphic, or nullptr.
const TBitmap* ShownBitmap(const TGraphic* Graphic) {
  if (auto* bitmap = dynamic_cast<const TBitmap*>(Graphic)) return bitmap;
  if (auto* icon = dynamic_cast<const TIcon*>(Graphic); icon != nullptr && !icon->Empty())
    return icon->ImageBitmap(0);
  return nullptr;
}

// How far the pixels of [X0, X1) x [Y0, Y1) stand out from Background, on
// average, 0 to 255; transparent pixels are background.
int Contrast(const TBitmap& Bitmap, int X0, int X1, int Y0, int Y1, int Background) {
  long sum = 0;
  long count = 0;
  for (int y = Y0; y < Y1; ++y)
    for (int x = X0; x < X1; ++x, ++count) {
      const TColor pixel = Bitmap.Pixel(x, y);
      if ((pixel >> 24) != 0) sum += std::abs(Luminance(pixel) - Background);
    }
  return count == 0 ? 0 : static_cast<int>(sum / count);
}

}  // namespace

TImage::TImage(TComponent* AOwner) : TControl(AOwner), picture_(std::make_unique<TPicture>()) {}

TImage::~TImage() = default;

const TPropertyTable& TImage::Properties() {
  static const TPropertyTable table(
      TControl::Properties(), {
                                  PersistentProp("Picture", &TImage::Picture),
                                  BoolProp("Stretch", &TImage::Stretch, &TImage::SetStretch, false),
                                  EventProp("OnClick", &TImage::OnClick),
                              });
  return table;
}

// Each cell averages the block of pixels it stands for; a cell past the
// picture's edge stays blank.
void TImage::Paint(TCellCanvas& Canvas, const TCellRect& Cells) {
  const TGraphic* graphic = picture_->Graphic();
  if (graphic == nullptr || graphic->Empty()) return;
  const TBitmap* bitmap = ShownBitmap(graphic);
  if (bitmap == nullptr || bitmap->Empty()) {
    Canvas.Frame(Cells, kCellDim);
    if (Cells.Rows > 2 && Cells.Cols > 2)
      Canvas.Write(Cells.Col + 1, Cells.Row + 1, "picture", kCellDim);
    return;
  }
  const int width = bitmap->Width();
  const int height = bitmap->Height();
  const int background = Luminance(bitmap->Pixel(0, height - 1));
  for (int row = 0; row < Cells.Rows; ++row) {
    for (int col = 0; col < Cells.Cols; ++col) {
      int x0 = col * kCellWidth, x1 = x0 + kCellWidth;
      int y0 = row * kCellHeight, y1 = y0 + kCellHeight;
      if (stretch_) {
        x0 = col * width / Cells.Cols;
        x1 = std::max(x0 + 1, (col + 1) * width / Cells.Cols);
        y0 = row * height / Cells.Rows;
        y1 = std::max(y0 + 1, (row + 1) * height / Cells.Rows);
      }
      if (x0 >= width || y0 >= height) continue;
      const int contrast =
          Contrast(*bitmap, x0, std::min(x1, width), y0, std::min(y1, height), background);
      const int shade = std::min(kShadeCount - 1, (contrast * kShadeCount + 128) / 256);
      if (shade > 0)
        Canvas.Write(Cells.Col + col, Cells.Row + row, std::string_view(kShades + shade, 1));
    }
  }
}

}  // namespace host
