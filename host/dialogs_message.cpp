// Message and input forms, laid out in code from their text: their size
// follows what they show.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "host/application.h"
#include "host/controls_std.h"
#include "host/dialogs.h"
#include "host/forms.h"
#include "host/os.h"

namespace host {

namespace {

constexpr int kButtonCells = 12;

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = Text.find('\n', start);
    lines.push_back(Text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// The buttons a message shows, with the answer each gives.
std::vector<std::pair<std::string, int>> MessageButtons(int Flags) {
  switch (Flags & 0xF) {
    case MB_OKCANCEL:
      return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case 3:
      return {{"&Yes", IDYES}, {"&No", IDNO}, {"Cancel", IDCANCEL}};
    case MB_YESNO:
      return {{"&Yes", IDYES}, {"&No", IDNO}};
    default:
      return {{"OK", IDOK}};
  }
}

}  // namespace

// The first button is the default; Cancel (or the only button) answers
// Escape.
int ShowMessageForm(const std::string& Text, const std::string& Caption, int Flags) {
  const std::vector<std::string> lines = SplitLines(Text);
  const auto buttons = MessageButtons(Flags);
  const int buttonsWidth = static_cast<int>(buttons.size()) * (kButtonCells + 2) - 2;
  int width = std::max(buttonsWidth, static_cast<int>(Caption.size()) + 4);
  for (const std::string& line : lines)
    width = std::max(width, static_cast<int>(line.size()));
  width += 4;
  const int height = static_cast<int>(lines.size()) + 4;
  auto form = NewDialogForm(Caption, width, height);
  for (std::size_t i = 0; i < lines.size(); ++i)
    PlaceControl<TLabel>(*form, "lblLine" + std::to_string(i + 1), 2, 1 + static_cast<int>(i),
                         width - 4)
        ->SetCaption(lines[i]);
  int col = (width - buttonsWidth) / 2;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    auto* button = PlaceButton(*form, "btn" + StripAccel(buttons[i].first), buttons[i].first, col,
                               height - 2, buttons[i].second);
    button->SetDefault(i == 0);
    button->SetCancel(buttons[i].second == IDCANCEL || buttons.size() == 1);
    col += kButtonCells + 2;
  }
  return form->ShowModal();
}

void UseFormMessageBox() {
  Application->SetMessageBoxHandler(ShowMessageForm);
}

bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  const int width =
      std::max({40, static_cast<int>(Prompt.size()) + 4, static_cast<int>(Caption.size()) + 6});
  auto form = NewDialogForm(Caption, width, 7);
  PlaceControl<TLabel>(*form, "lblPrompt", 2, 1, width - 4)->SetCaption(Prompt);
  auto* edit = PlaceControl<TEdit>(*form, "edValue", 2, 2, width - 4);
  edit->SetText(Value);
  const int buttonsCol = (width - 2 * kButtonCells - 2) / 2;
  PlaceButton(*form, "btnOK", "OK", buttonsCol, 5, mrOk)->SetDefault(true);
  PlaceButton(*form, "btnCancel", "Cancel", buttonsCol + kButtonCells + 2, 5, mrCancel)
      ->SetCancel(true);
  if (form->ShowModal() != mrOk) return false;
  Value = edit->Text();
  return true;
}

}  // namespace host
