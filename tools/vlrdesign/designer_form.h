// The designer of vlrdesign: one form over the whole screen that edits a
// form file's root (a data module, or any registered root class) and the
// components it owns.
//
//   palette   the registered components of a palette page, with the palette
//             image of the selected one; Enter adds one
//   tree      the root and its components; Enter runs a component's default
//             action, F4 opens its context menu, Delete removes it
//   inspector the selected component's published properties; Enter edits
//             the one selected (its dialog, a list of values, or a line of
//             text); typing a name's first letters finds a property
//
// F2 (Control+S) saves, F3 (Control+O) opens, F10 (Control+Q) quits,
// Control+N starts a new data module. Tab moves between the three lists.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/design.h"
#include "host/forms.h"

namespace host {
class TComboBox;
class TImage;
class TLabel;
class TListBox;
}  // namespace host

namespace vlrdesign {

class TDesignerForm : public host::TForm, public host::IDesigner {
 public:
  // Lays the form out over a screen of that many cells.
  TDesignerForm(int ScreenCols, int ScreenRows);
  ~TDesignerForm() override;

  // ---- IDesigner. -----------------------------------------------------------
  void Modified() override;
  host::TComponent* GetRoot() const override { return root_.get(); }

  // ---- The file. ------------------------------------------------------------
  // Starts a new data module, to be saved as FileName (asked for when empty).
  void NewModule(const std::string& FileName = std::string());
  // Reads a form file into a new root of the file's class, in design state:
  // a failing connect of a session shows a message and the file still
  // opens. The current root stays when the file cannot be read.
  void OpenFile(const std::string& FileName);
  // Writes the root to the file; asks for a name first when there is none.
  // False when no name was given.
  bool Save();
  const std::string& FileName() const { return fileName_; }
  bool IsModified() const { return modified_; }

  // ---- Components. ----------------------------------------------------------
  // A new component of the class, owned by the root, named after its class
  // ("AsaSession1"), and selected.
  host::TComponent* AddComponent(const host::TClassInfo& Class);
  void DeleteComponent(host::TComponent* Component);
  void Select(host::TComponent* Component);
  host::TComponent* Selected() const { return selected_; }
  // The selected component's context menu; runs the verb chosen.
  void ShowContextMenu();
  // Edits the inspector's property at Row as its editor offers.
  void EditProperty(int Row);
  // Asks to save a modified root; false when the user cancels.
  bool CanDiscard();

  host::TListBox* Palette() const { return lbPalette; }
  host::TImage* PaletteImage() const { return imgPalette; }
  host::TListBox* Tree() const { return lbTree; }
  host::TListBox* Inspector() const { return lbInspector; }

 private:
  void Layout(int ScreenCols, int ScreenRows);
  void SetRoot(std::unique_ptr<host::TComponent> Root, const std::string& FileName);
  std::string UniqueName(const std::string& ClassName) const;
  void FillPalette();
  void ShowPaletteImage();
  void FillTree();
  void FillInspector();
  void Refresh();
  void UpdateCaption();
  void FormKeyDown(host::TObject* Sender, host::TKey& Key, host::TShiftState Shift);
  void OpenWithDialog();
  void Quit();

  host::TComboBox* cbPage = nullptr;
  host::TListBox* lbPalette = nullptr;
  host::TImage* imgPalette = nullptr;
  host::TListBox* lbTree = nullptr;
  host::TLabel* lblInspector = nullptr;
  host::TListBox* lbInspector = nullptr;

  std::unique_ptr<host::TComponent> root_;
  host::TComponent* selected_ = nullptr;
  std::string fileName_;
  bool modified_ = false;
  std::vector<host::TComponent*> treeComponents_;                // the component of each tree row
  std::vector<std::unique_ptr<host::TPropertyEditor>> editors_;  // one per inspector row
};

// Chooses one of Values in a list; true and Chosen set when confirmed.
bool PickValue(const std::string& Caption, const std::vector<std::string>& Values,
               const std::string& Current, std::string& Chosen);

}  // namespace vlrdesign
