// Choosing one value of a list: property values and context-menu verbs.
#include <algorithm>
#include <memory>

#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/dialogs.h"
#include "host/forms.h"
#include "host/sysutils.h"
#include "tools/vlrdesign/designer_form.h"

namespace vlrdesign {

// The list starts on the current value; Enter or Space takes the selected
// one, Escape leaves the value as it was.
bool PickValue(const std::string& Caption, const std::vector<std::string>& Values,
               const std::string& Current, std::string& Chosen) {
  int width = static_cast<int>(Caption.size()) + 6;
  for (const std::string& value : Values)
    width = std::max(width, static_cast<int>(value.size()) + 4);
  width = std::max(width, 30);
  const int rows = std::min(static_cast<int>(Values.size()), 12) + 2;
  auto form = host::NewDialogForm(Caption, width, rows + 2);
  auto* list = host::PlaceControl<host::TListBox>(*form, "lbValues", 1, 0, width - 2, rows);
  for (const std::string& value : Values)
    list->Items()->Add(value.empty() ? "(none)" : value);
  auto* ok = host::PlaceButton(*form, "btnOK", "OK", width / 2 - 13, rows + 1, host::mrOk);
  ok->SetDefault(true);
  host::PlaceButton(*form, "btnCancel", "Cancel", width / 2 + 1, rows + 1, host::mrCancel)
      ->SetCancel(true);
  list->OnDblClick = [&](host::TObject*) { form->ClickButton(ok); };
  auto current = std::find_if(Values.begin(), Values.end(),
                              [&](const std::string& V) { return host::SameText(V, Current); });
  list->SetItemIndex(current == Values.end() ? 0 : static_cast<int>(current - Values.begin()));
  form->SetActiveControl(list);
  if (form->ShowModal() != host::mrOk || list->ItemIndex() < 0) return false;
  Chosen = Values[static_cast<std::size_t>(list->ItemIndex())];
  return true;
}

}  // namespace vlrdesign
