// The form behind TOpenDialog, built from its resource dialogs_open.vfm.
#pragma once

#include <string>
#include <vector>

#include "host/dialogs.h"
#include "host/forms.h"

namespace host {

class TButton;
class TComboBox;
class TDirectoryListBox;
class TEdit;
class TFileListBox;
class TMethodTable;

// The resource text, compiled in from dialogs_open.vfm.
extern const char kOpenFormResource[];

class TOpenForm : public TForm {
 public:
  explicit TOpenForm(TComponent* AOwner);
  ~TOpenForm() override;

  static const TMethodTable& Methods();

  // Fills the dialog before it shows.
  void Prepare(const TOpenDialog& Dialog);
  // After OK: the chosen file's full path and the filter chosen (from 1).
  const std::string& ChosenFile() const { return chosenFile_; }
  int ChosenFilterIndex() const;

  // Handlers named in the resource.
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void lbFilesClick(TObject* Sender);
  void lbFilesDblClick(TObject* Sender);
  void cbFileTypeChange(TObject* Sender);

 protected:
  void BindFields() override;

 private:
  bool AcceptFileName();

  TEdit* edFileName = nullptr;
  TFileListBox* lbFiles = nullptr;
  TDirectoryListBox* dlDirectory = nullptr;
  TComboBox* cbFileType = nullptr;
  TButton* btnOK = nullptr;

  std::vector<std::string> masks_;  // one per filter item
  TOpenOptions options_;
  std::string chosenFile_;
};

}  // namespace host
