// TVelarParamsDlg: the dialog in which a developer lists, adds, renames,
// types, fills and deletes the parameters of a dataset. Every change is
// made on the collection at once; closing with anything but OK gives the
// collection back its contents from when the dialog received it.
#pragma once

#include <memory>
#include <string>

#include "host/forms.h"

namespace host {
class TButton;
class TComboBox;
class TEdit;
class TGroupBox;
class TLabel;
class TListBox;
class TMethodTable;
}  // namespace host

namespace velar {

class TAsaParam;
class TAsaParams;

class TVelarParamsDlg : public host::TForm {
 public:
  // Built from the form resource kVlrAsaEdResource.
  explicit TVelarParamsDlg(host::TComponent* AOwner);
  ~TVelarParamsDlg() override;

  static const host::TMethodTable& Methods();

  // Marks the dialog shown, so that a showing that ends in an exception
  // (no close) still gives the collection its contents back.
  void DoShow() override;

  // The collection to edit (not owned); a copy is kept to undo with.
  void SetAsaParams(TAsaParams* Params);

  // Handlers named in the resource.
  void FormCreate(host::TObject* Sender);
  void FormDestroy(host::TObject* Sender);
  void FormClose(host::TObject* Sender, host::TCloseAction& Action);
  void lbParamNamesClick(host::TObject* Sender);
  void edParamNameChange(host::TObject* Sender);
  void cbDataTypeChange(host::TObject* Sender);
  void edParamValueExit(host::TObject* Sender);
  void btnNewClick(host::TObject* Sender);
  void btnDeleteClick(host::TObject* Sender);

  host::TGroupBox* gbParams = nullptr;
  host::TLabel* lblParamNames = nullptr;
  host::TListBox* lbParamNames = nullptr;
  host::TLabel* lblParamName = nullptr;
  host::TEdit* edParamName = nullptr;
  host::TLabel* lblDataType = nullptr;
  host::TComboBox* cbDataType = nullptr;
  host::TLabel* lblParamValue = nullptr;
  host::TEdit* edParamValue = nullptr;
  host::TButton* btnNew = nullptr;
  host::TButton* btnDelete = nullptr;
  host::TButton* btnOK = nullptr;
  host::TButton* btnCancel = nullptr;
  host::TButton* btnHelp = nullptr;

  // The most parameters New makes: it refuses a 256th.
  static constexpr int kMaxParams = 255;

 protected:
  void BindFields() override;

 private:
  // The list shows every parameter's alias, in collection order.
  void FillParamList();
  // The editing controls and Delete work on the selected parameter only.
  void UpdateControls();
  // Selects a list item from code and shows its parameter.
  void ShowParam(int Index);
  // Shows the selected parameter's value in the value edit.
  void ShowValue(const std::string& Text);
  // The parameter of the selected list item, or nullptr.
  TAsaParam* SelectedParam() const;

  TAsaParams* params_ = nullptr;
  std::unique_ptr<TAsaParams> backup_;
  // The value text last shown or stored: text the developer did not change
  // is not stored again when the value edit is left.
  std::string valueShown_;
  // Whether the dialog was shown, and whether it then closed through
  // FormClose: a dialog shown and never closed undoes its changes when it
  // is freed.
  bool shown_ = false;
  bool closed_ = false;
};

}  // namespace velar
