// The parameter dialog.
#include "asa/design/VlrAsaParamsDlg.h"

#include "asa/dataset/VlrAsaParams.h"
#include "asa/design/VlrAsaEd.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace velar {

namespace {

const host::TClassInfo& paramsDlgClass = host::RegisterClass<TVelarParamsDlg>();

}  // namespace

TVelarParamsDlg::TVelarParamsDlg(host::TComponent* AOwner) : host::TForm(AOwner) {
  InitForm(kVlrAsaEdResource);
}

// FormDestroy is one of this class's methods: it runs while the class is
// still whole.
TVelarParamsDlg::~TVelarParamsDlg() {
  DoDestroy();
}

void TVelarParamsDlg::BindFields() {
  BindField(gbParams, "gbParams");
  BindField(lblParamNames, "lblParamNames");
  BindField(lbParamNames, "lbParamNames");
  BindField(lblParamName, "lblParamName");
  BindField(edParamName, "edParamName");
  BindField(lblDataType, "lblDataType");
  BindField(cbDataType, "cbDataType");
  BindField(lblParamValue, "lblParamValue");
  BindField(edParamValue, "edParamValue");
  BindField(btnNew, "btnNew");
  BindField(btnDelete, "btnDelete");
  BindField(btnOK, "btnOK");
  BindField(btnCancel, "btnCancel");
  BindField(btnHelp, "btnHelp");
}

const host::TMethodTable& TVelarParamsDlg::Methods() {
  using D = TVelarParamsDlg;
  static const host::TMethodTable table(
      host::TForm::Methods(), {
                                  host::Method("FormCreate", &D::FormCreate),
                                  host::Method("FormDestroy", &D::FormDestroy),
                                  host::Method("FormClose", &D::FormClose),
                                  host::Method("lbParamNamesClick", &D::lbParamNamesClick),
                                  host::Method("edParamNameChange", &D::edParamNameChange),
                                  host::Method("cbDataTypeChange", &D::cbDataTypeChange),
                                  host::Method("edParamValueExit", &D::edParamValueExit),
                                  host::Method("btnNewClick", &D::btnNewClick),
                                  host::Method("btnDeleteClick", &D::btnDeleteClick),
                              });
  return table;
}

void TVelarParamsDlg::DoShow() {
  shown_ = true;
  host::TForm::DoShow();
}

// The resource lists only some of the types; the list is rebuilt from the
// type's own value names so that an item's index is the type's ordinal.
void TVelarParamsDlg::FormCreate(host::TObject* /*Sender*/) {
  backup_ = std::make_unique<TAsaParams>(nullptr);
  host::TStrings* types = cbDataType->Items();
  types->BeginUpdate();
  types->Clear();
  const host::TEnumTypeInfo& info = AsaParamDataTypeInfo();
  for (int type = kAsaParamDataTypeLow; type <= kAsaParamDataTypeHigh; ++type)
    types->Add(info.Values[static_cast<std::size_t>(type)]);
  types->EndUpdate();
}

// A dialog that was shown but never closed (its showing failed part way)
// has not been accepted: the collection gets back what it held.
void TVelarParamsDlg::FormDestroy(host::TObject* /*Sender*/) {
  if (params_ != nullptr && shown_ && !closed_) params_->Assign(backup_.get());
  backup_.reset();
}

void TVelarParamsDlg::FormClose(host::TObject* /*Sender*/, host::TCloseAction& /*Action*/) {
  closed_ = true;
  if (params_ != nullptr && ModalResult() != host::mrOk) params_->Assign(backup_.get());
}

void TVelarParamsDlg::SetAsaParams(TAsaParams* Params) {
  params_ = Params;
  backup_->Assign(Params);
  FillParamList();
  ShowParam(0);
}

void TVelarParamsDlg::FillParamList() {
  host::TStrings* names = lbParamNames->Items();
  names->BeginUpdate();
  names->Clear();
  if (params_ != nullptr)
    for (int i = 0; i < params_->Count(); ++i)
      names->Add(params_->GetParam(i)->Alias);
  names->EndUpdate();
}

void TVelarParamsDlg::UpdateControls() {
  const bool selected = lbParamNames->ItemIndex() >= 0;
  btnDelete->SetEnabled(selected);
  edParamName->SetEnabled(selected);
  cbDataType->SetEnabled(selected);
  edParamValue->SetEnabled(selected);
}

void TVelarParamsDlg::ShowParam(int Index) {
  lbParamNames->SetItemIndex(Index);
  lbParamNamesClick(lbParamNames);
  UpdateControls();
}

TAsaParam* TVelarParamsDlg::SelectedParam() const {
  const int index = lbParamNames->ItemIndex();
  if (params_ == nullptr || index < 0 || index >= params_->Count()) return nullptr;
  return params_->GetParam(index);
}

void TVelarParamsDlg::lbParamNamesClick(host::TObject* /*Sender*/) {
  TAsaParam* param = SelectedParam();
  if (param == nullptr) {
    edParamName->SetText(std::string());
    cbDataType->SetItemIndex(-1);
    ShowValue(std::string());
    return;
  }
  edParamName->SetText(param->Alias);
  cbDataType->SetItemIndex(param->DataType());
  ShowValue(param->GetAsString());
}

void TVelarParamsDlg::ShowValue(const std::string& Text) {
  valueShown_ = Text;
  edParamValue->SetText(Text);
}

// The list follows the alias keystroke by keystroke.
void TVelarParamsDlg::edParamNameChange(host::TObject* /*Sender*/) {
  TAsaParam* param = SelectedParam();
  if (param == nullptr) return;
  param->Alias = edParamName->Text();
  lbParamNames->Items()->SetStrings(lbParamNames->ItemIndex(), param->Alias);
}

// A new type clears the value; the value edit shows what the parameter now
// holds, so that the dialog never shows a value the parameter lost.
void TVelarParamsDlg::cbDataTypeChange(host::TObject* /*Sender*/) {
  TAsaParam* param = SelectedParam();
  const int type = cbDataType->ItemIndex();
  if (param == nullptr || type < kAsaParamDataTypeLow || type > kAsaParamDataTypeHigh) return;
  param->SetDataType(static_cast<TAsaParamDataType>(type));
  ShowValue(param->GetAsString());
}

// Text the developer did not change is left alone: passing through the edit
// neither turns a null parameter into a failed conversion of "" nor
// rewrites a value from its display text. Changed text that does not
// convert raises here, every time the edit is left, and the focus stays in
// the edit.
void TVelarParamsDlg::edParamValueExit(host::TObject* /*Sender*/) {
  TAsaParam* param = SelectedParam();
  const std::string text = edParamValue->Text();
  if (param == nullptr || text == valueShown_) return;
  param->SetText(text);
  valueShown_ = text;
}

// Named from the count alone (p1, p2, ...), even when a parameter of that
// name exists.
void TVelarParamsDlg::btnNewClick(host::TObject* /*Sender*/) {
  if (params_ == nullptr || params_->Count() >= kMaxParams) return;
  const std::string name = host::Format("p%d", params_->Count() + 1);
  auto* param = new TAsaParam(params_, name);
  param->Alias = name;
  FillParamList();
  ShowParam(lbParamNames->Items()->Count() - 1);
}

void TVelarParamsDlg::btnDeleteClick(host::TObject* /*Sender*/) {
  TAsaParam* param = SelectedParam();
  if (param == nullptr) return;
  delete param;
  FillParamList();
  ShowParam(0);
}

}  // namespace velar
