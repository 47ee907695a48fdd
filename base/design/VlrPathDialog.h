// TVelarPathDialog: the folder chooser behind the LibraryPath editor.
#pragma once

#include <string>

#include "host/forms.h"

namespace host {
class TButton;
class TDirectoryListBox;
class TDriveComboBox;
class TEdit;
class TLabel;
class TMethodTable;
}  // namespace host

namespace velar {

// The form resource, compiled in from VlrPathDialog.vfm.
extern const char kVlrPathDialogResource[];

// "Choose Folder": a path edit, the directory list and the drive box; OK and
// Cancel. The edit always shows the directory chosen in the list, and what
// the edit holds is the chosen path.
class TVelarPathDialog : public host::TForm {
 public:
  explicit TVelarPathDialog(host::TComponent* AOwner);
  ~TVelarPathDialog() override;

  static const host::TMethodTable& Methods();

  // Shows the path's directory: a blank path changes nothing; a path whose
  // drive or directory cannot be shown shows the root instead.
  void SetPath(const std::string& APath);
  // The chosen path.
  const std::string& Path() const { return path_; }

  // Handlers named in the resource.
  void dcDriveChange(host::TObject* Sender);
  void dlDirListChange(host::TObject* Sender);
  void edPathChange(host::TObject* Sender);

  host::TLabel* lblLocation = nullptr;
  host::TEdit* edPath = nullptr;
  host::TLabel* lblPath = nullptr;
  host::TDirectoryListBox* dlDirList = nullptr;
  host::TLabel* lblDirList = nullptr;
  host::TDriveComboBox* dcDrive = nullptr;
  host::TLabel* lblDrive = nullptr;
  host::TButton* btnOK = nullptr;
  host::TButton* btnCancel = nullptr;

 protected:
  void BindFields() override;

 private:
  std::string path_;
};

}  // namespace velar
