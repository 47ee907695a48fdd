// The designer form: layout, the three lists and the keys.
#include "tools/vlrdesign/designer_form.h"

#include <algorithm>

#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/dialogs.h"
#include "host/graphics.h"
#include "host/sysutils.h"

namespace vlrdesign {

namespace {

constexpr int kPaletteCols = 32;
// The palette image beside the palette list: 24 x 24 pixels in 12 x 6 cells.
constexpr int kImageCols = 12;
constexpr int kImageRows = 6;
constexpr int kNameCols = 20;  // the inspector's name column

std::string PadRight(const std::string& Text, std::size_t Width) {
  return Text.size() >= Width ? Text + " " : Text + std::string(Width - Text.size(), ' ');
}

}  // namespace

TDesignerForm::TDesignerForm(int ScreenCols, int ScreenRows) : host::TForm(nullptr) {
  SetName("Designer");
  SetKeyPreview(true);
  Layout(ScreenCols, ScreenRows);
  OnKeyDown = [this](host::TObject* Sender, host::TKey& Key, host::TShiftState Shift) {
    FormKeyDown(Sender, Key, Shift);
  };
  OnCloseQuery = [this](host::TObject*, bool& CanClose) {
    if (ModalResult() != host::mrOk) CanClose = CanDiscard();
  };
  cbPage->OnChange = [this](host::TObject*) { FillPalette(); };
  lbPalette->OnClick = [this](host::TObject*) { ShowPaletteImage(); };
  lbTree->OnClick = [this](host::TObject*) {
    const int row = lbTree->ItemIndex();
    if (row >= 0 && row < static_cast<int>(treeComponents_.size()))
      Select(treeComponents_[static_cast<std::size_t>(row)]);
  };
  lbInspector->OnDblClick = [this](host::TObject*) { EditProperty(lbInspector->ItemIndex()); };
  lbPalette->OnDblClick = [this](host::TObject*) {
    const int row = lbPalette->ItemIndex();
    std::vector<const host::TClassInfo*> classes = host::PaletteClasses(cbPage->Text());
    if (row >= 0 && row < static_cast<int>(classes.size()))
      AddComponent(*classes[static_cast<std::size_t>(row)]);
  };
  for (const std::string& page : host::PalettePages())
    cbPage->Items()->Add(page);
  cbPage->SetItemIndex(0);
  FillPalette();
  SetActiveControl(lbPalette);
  NewModule();
}

// The root goes before the form's controls, so that components being freed
// never reach a list that is already gone.
TDesignerForm::~TDesignerForm() {
  editors_.clear();
  root_.reset();
}

// The form fills the screen: the palette and the tree on the left, the
// inspector on the right, the keys on the last row.
void TDesignerForm::Layout(int ScreenCols, int ScreenRows) {
  const int cols = std::max(60, ScreenCols) - 2;
  const int rows = std::max(20, ScreenRows) - 2;
  SetPosition(host::poDesigned);
  SetBounds(0, 0, cols * host::kCellWidth, rows * host::kCellHeight);
  const int half = rows / 2;
  host::PlaceControl<host::TLabel>(*this, "lblPalette", 0, 0, 9)->SetCaption("&Palette:");
  cbPage = host::PlaceControl<host::TComboBox>(*this, "cbPage", 9, 0, kPaletteCols - 9);
  cbPage->SetStyle(host::csDropDownList);
  lbPalette = host::PlaceControl<host::TListBox>(*this, "lbPalette", 0, 1,
                                                 kPaletteCols - kImageCols - 1, half - 1);
  imgPalette = host::PlaceControl<host::TImage>(*this, "imgPalette", kPaletteCols - kImageCols, 1,
                                                kImageCols, kImageRows);
  imgPalette->SetStretch(true);
  host::PlaceControl<host::TLabel>(*this, "lblTree", 0, half, kPaletteCols)
      ->SetCaption("&Components:");
  lbTree = host::PlaceControl<host::TListBox>(*this, "lbTree", 0, half + 1, kPaletteCols,
                                              rows - half - 2);
  lblInspector = host::PlaceControl<host::TLabel>(*this, "lblInspector", kPaletteCols + 1, 0,
                                                  cols - kPaletteCols - 1);
  lbInspector = host::PlaceControl<host::TListBox>(*this, "lbInspector", kPaletteCols + 1, 1,
                                                   cols - kPaletteCols - 1, rows - 2);
  host::PlaceControl<host::TLabel>(*this, "lblKeys", 0, rows - 1, cols)
      ->SetCaption("F2 Save  F3 Open  F4 Menu  Enter Add/Edit  Del Delete  ^N New  F10 Quit");
  cbPage->SetTabOrder(0);
  lbPalette->SetTabOrder(1);
  lbTree->SetTabOrder(2);
  lbInspector->SetTabOrder(3);
}

void TDesignerForm::Modified() {
  modified_ = true;
}

void TDesignerForm::FillPalette() {
  lbPalette->Items()->BeginUpdate();
  lbPalette->Items()->Clear();
  for (const host::TClassInfo* info : host::PaletteClasses(cbPage->Text()))
    lbPalette->Items()->Add(info->ClassName());
  lbPalette->Items()->EndUpdate();
  lbPalette->SetItemIndex(0);
  ShowPaletteImage();
}

// The bitmap resource named after the class in capitals; a class without
// one shows none.
void TDesignerForm::ShowPaletteImage() {
  const int row = lbPalette->ItemIndex();
  const std::string name = row >= 0 ? host::UpperCase(lbPalette->Items()->Strings(row)) : "";
  if (!name.empty() && host::BitmapResourceExists(name))
    host::LoadBitmapResource(*imgPalette->Picture()->Bitmap(), name);
  else
    imgPalette->Picture()->SetGraphic(nullptr);
}

// The root first, then what it owns, indented.
void TDesignerForm::FillTree() {
  treeComponents_.clear();
  host::TStrings* items = lbTree->Items();
  items->BeginUpdate();
  items->Clear();
  if (root_ != nullptr) {
    treeComponents_.push_back(root_.get());
    items->Add(root_->Name() + ": " + root_->ClassName());
    for (int i = 0; i < root_->ComponentCount(); ++i) {
      host::TComponent* component = root_->Components(i);
      if (component->Name().empty()) continue;
      treeComponents_.push_back(component);
      items->Add("  " + component->Name() + ": " + component->ClassName());
    }
  }
  items->EndUpdate();
  auto found = std::find(treeComponents_.begin(), treeComponents_.end(), selected_);
  lbTree->SetItemIndex(
      found == treeComponents_.end() ? -1 : static_cast<int>(found - treeComponents_.begin()));
}

// One row per property, and one per part of an object property, each with
// its editor; "..." marks a property edited in a dialog. The selected row
// stays where it was.
void TDesignerForm::FillInspector() {
  const int row = lbInspector->ItemIndex();
  const int top = lbInspector->TopIndex();
  editors_.clear();
  host::TStrings* items = lbInspector->Items();
  items->BeginUpdate();
  items->Clear();
  if (selected_ != nullptr) {
    auto add = [&](std::unique_ptr<host::TPropertyEditor> Editor, const std::string& Prefix) {
      const bool dialog = Editor->GetAttributes().Contains(host::paDialog);
      std::string value = Editor->GetValue();
      std::replace(value.begin(), value.end(), '\n', ' ');
      items->Add(PadRight(Prefix + Editor->GetName(), kNameCols) + value + (dialog ? " ..." : ""));
      editors_.push_back(std::move(Editor));
    };
    for (auto& editor : host::GetComponentProperties(this, selected_)) {
      std::vector<std::unique_ptr<host::TPropertyEditor>> parts;
      if (editor->GetAttributes().Contains(host::paSubProperties))
        editor->GetProperties(
            [&](std::unique_ptr<host::TPropertyEditor> Part) { parts.push_back(std::move(Part)); });
      const std::string prefix = editor->GetName() + ".";
      add(std::move(editor), "");
      for (auto& part : parts)
        add(std::move(part), prefix);
    }
  }
  items->EndUpdate();
  lbInspector->SetItemIndex(std::min(std::max(row, 0), items->Count() - 1));
  lbInspector->SetTopIndex(top);
  lblInspector->SetCaption("Pr&operties of " +
                           (selected_ != nullptr ? selected_->Name() : std::string("-")));
}

void TDesignerForm::Refresh() {
  FillTree();
  FillInspector();
  UpdateCaption();
}

void TDesignerForm::UpdateCaption() {
  SetCaption("vlrdesign - " + (fileName_.empty() ? std::string("(untitled)") : fileName_) +
             (modified_ ? " *" : ""));
}

void TDesignerForm::FormKeyDown(host::TObject* /*Sender*/, host::TKey& Key,
                                host::TShiftState Shift) {
  const bool ctrl = Shift.Contains(host::ssCtrl);
  const host::TKey key = Key;
  if (key == host::VK_F1 + 1 || (ctrl && key == 'S')) {
    Key = 0;
    Save();
  } else if (key == host::VK_F1 + 2 || (ctrl && key == 'O')) {
    Key = 0;
    OpenWithDialog();
  } else if (key == host::VK_F1 + 3) {
    Key = 0;
    ShowContextMenu();
  } else if (key == host::VK_F1 + 9 || (ctrl && key == 'Q')) {
    Key = 0;
    Quit();
  } else if (ctrl && key == 'N') {
    Key = 0;
    if (CanDiscard()) NewModule();
  } else if (key == host::VK_RETURN && Shift.Empty()) {
    host::TWinControl* active = ActiveControl();
    if (active == lbPalette) {
      Key = 0;
      lbPalette->DblClick();
    } else if (active == lbTree) {
      Key = 0;
      if (selected_ != nullptr) {
        host::GetComponentEditor(selected_, this)->Edit();
        Refresh();
      }
    } else if (active == lbInspector) {
      Key = 0;
      EditProperty(lbInspector->ItemIndex());
    }
  } else if (key == host::VK_DELETE && ActiveControl() == lbTree) {
    Key = 0;
    if (selected_ != nullptr && selected_ != root_.get()) DeleteComponent(selected_);
  }
}

void TDesignerForm::Quit() {
  if (CanDiscard()) SetModalResult(host::mrOk);
}

}  // namespace vlrdesign
