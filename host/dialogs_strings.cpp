// The string list editor.
#include <memory>

#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/dialogs.h"
#include "host/forms.h"

namespace host {

namespace {

constexpr int kCols = 60;
constexpr int kRows = 18;

}  // namespace

bool EditStringList(const std::string& Caption, TStrings* Lines) {
  auto form = NewDialogForm(Caption, kCols, kRows);
  auto* list = PlaceControl<TListBox>(*form, "lbLines", 2, 1, kCols - 4, 11);
  list->Items()->Assign(Lines);
  auto* label = PlaceControl<TLabel>(*form, "lblLine", 2, 12, 6);
  label->SetCaption("&Line:");
  auto* line = PlaceControl<TEdit>(*form, "edLine", 9, 12, kCols - 11);
  label->SetFocusControl(line);
  auto* add = PlaceButton(*form, "btnAdd", "&Add", 2, 14);
  auto* replace = PlaceButton(*form, "btnReplace", "&Replace", 16, 14);
  auto* remove = PlaceButton(*form, "btnDelete", "De&lete", 30, 14);
  PlaceButton(*form, "btnOK", "OK", 30, 16, mrOk)->SetDefault(true);
  PlaceButton(*form, "btnCancel", "Cancel", 44, 16, mrCancel)->SetCancel(true);

  // The edit follows the selected line; Add puts the edit's text after it
  // and leaves the edit empty and focused for the next line, so that lines
  // are typed one after another and Enter ends the editing.
  list->OnClick = [&](TObject*) {
    if (list->ItemIndex() >= 0) line->SetText(list->Items()->Strings(list->ItemIndex()));
  };
  add->OnClick = [&](TObject*) {
    const int at = list->ItemIndex() >= 0 ? list->ItemIndex() + 1 : list->Items()->Count();
    list->Items()->Insert(at, line->Text());
    list->SetItemIndex(at);
    line->SetText(std::string());
    form->SetActiveControl(line);
  };
  replace->OnClick = [&](TObject*) {
    if (list->ItemIndex() >= 0) list->Items()->SetStrings(list->ItemIndex(), line->Text());
  };
  remove->OnClick = [&](TObject*) {
    const int at = list->ItemIndex();
    if (at < 0) return;
    list->Items()->Delete(at);
    list->SetItemIndex(std::min(at, list->Items()->Count() - 1));
  };
  if (list->Items()->Count() > 0) list->SetItemIndex(0);

  if (form->ShowModal() != mrOk) return false;
  Lines->Assign(list->Items());
  return true;
}

}  // namespace host
