// The installed form driver, the placing of forms on a screen, and the
// header of a form file.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "host/forms.h"
#include "host/sysutils.h"

namespace host {

// -------------------------------------------------------------- form driver

TFormDriver::~TFormDriver() = default;

TSize TFormDriver::ScreenCells() const {
  return TSize{80, 24};
}

namespace {

TFormDriver*& InstalledDriver() {
  static TFormDriver* driver = nullptr;
  return driver;
}

}  // namespace

TFormDriver* FormDriver() {
  return InstalledDriver();
}

TFormDriver* SetFormDriver(TFormDriver* Driver) {
  TFormDriver* previous = InstalledDriver();
  InstalledDriver() = Driver;
  return previous;
}

TCellRect PlaceForm(const TCustomForm& Form, int ScreenCols, int ScreenRows) {
  TCellRect place{0, 0, Form.CellCols(), Form.CellRows()};
  if (Form.Position() == poDesigned) {
    place.Col = static_cast<int>(std::lround(static_cast<double>(Form.Left()) / kCellWidth));
    place.Row = static_cast<int>(std::lround(static_cast<double>(Form.Top()) / kCellHeight));
  } else {
    place.Col = (ScreenCols - place.Cols) / 2;
    place.Row = (ScreenRows - place.Rows) / 2;
  }
  place.Col = std::max(0, std::min(place.Col, ScreenCols - place.Cols));
  place.Row = std::max(0, std::min(place.Row, ScreenRows - place.Rows));
  return place;
}

namespace {

bool IsIdent(std::string_view Text) {
  if (Text.empty() || std::isdigit(static_cast<unsigned char>(Text[0]))) return false;
  return std::all_of(Text.begin(), Text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

// "object Name: TClass" or "inherited Name: TClass" opens a form file; the
// header's name and class, each empty when it is not an identifier.
void ParseHeader(std::string_view Text, std::string& Name, std::string& ClassName) {
  Name.clear();
  ClassName.clear();
  std::size_t at = Text.find_first_not_of(" \t\r\n");
  if (at == std::string_view::npos) return;
  std::string_view rest = Text.substr(at);
  std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
  for (std::string_view keyword : {"object", "inherited"}) {
    if (line.size() <= keyword.size() || !SameText(line.substr(0, keyword.size()), keyword) ||
        (line[keyword.size()] != ' ' && line[keyword.size()] != '\t'))
      continue;
    line = line.substr(keyword.size());
    std::size_t colon = line.find(':');
    std::string name = Trim(line.substr(0, colon));
    std::string className =
        colon == std::string_view::npos ? std::string() : Trim(line.substr(colon + 1));
    if (IsIdent(name)) Name = name;
    if (IsIdent(className)) ClassName = className;
    return;
  }
}

}  // namespace

std::string ResourceRootName(std::string_view Resource) {
  std::string name, className;
  ParseHeader(Resource, name, className);
  return name;
}

std::string ResourceRootClass(std::string_view Resource) {
  std::string name, className;
  ParseHeader(Resource, name, className);
  return className;
}

}  // namespace host
