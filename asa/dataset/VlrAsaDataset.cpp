// TAsaDataset: construction and destruction, the published properties and
// the class registration, the SQL text with its parameter markers, the
// session and master links, and executing the text without a cursor.
#include "asa/dataset/VlrAsaDataset.h"

#include "asa/dataset/VlrAsaDS.h"
#include "asa/dataset/VlrAsaDatasetSQL.h"
#include "host/design.h"
#include "host/strings.h"
#include "host/typinfo.h"

namespace velar {

TAsaDatasetSQL::~TAsaDatasetSQL() = default;

// The statement scrolls both ways and raises every client-library error, so
// that the framework's operations fail with the server's message.
TAsaDataset::TAsaDataset(host::TComponent* AOwner)
    : host::TDataSet(AOwner), statement_(new TAsaDatasetSQL(this)) {
  statement_->SetSubComponent(true);
  statement_->SetUniDirectional(false);
  statement_->SetWantExceptions(true);
  statement_->AfterClose = [this](host::TObject* Sender) { StatementClosed(Sender); };
  sql_ = std::make_unique<host::TStringList>();
  sql_->OnChange = [this](host::TObject* Sender) { SQLChanged(Sender); };
  params_ = std::make_unique<TAsaParams>(this);
  masterLink_ = std::make_unique<TAsaDataLink>(this);
}

// Closing reaches the overrides, so it happens here and not in the base. A
// failure to close cannot be reported from a destructor; the statement,
// freed with the components this dataset owns, unprepares on its own.
TAsaDataset::~TAsaDataset() {
  Destroying();
  try {
    Close();
  } catch (...) {
  }
  statement_->AfterClose = nullptr;
  sql_.reset();
  masterLink_.reset();
  params_.reset();
}

const host::TPropertyTable& TAsaDataset::Properties() {
  using D = host::TDataSet;
  using A = TAsaDataset;
  static const host::TPropertyTable table(
      host::TComponent::Properties(),
      {
          host::BoolProp("Active", &D::Active, &D::SetActive, false),
          host::BoolProp("AutoCalcFields", &D::AutoCalcFields, &D::SetAutoCalcFields, true),
          host::EventProp("BeforeOpen", &D::BeforeOpen),
          host::EventProp("AfterOpen", &D::AfterOpen),
          host::EventProp("BeforeClose", &D::BeforeClose),
          host::EventProp("AfterClose", &D::AfterClose),
          host::EventProp("BeforeInsert", &D::BeforeInsert),
          host::EventProp("AfterInsert", &D::AfterInsert),
          host::EventProp("BeforeEdit", &D::BeforeEdit),
          host::EventProp("AfterEdit", &D::AfterEdit),
          host::EventProp("BeforePost", &D::BeforePost),
          host::EventProp("AfterPost", &D::AfterPost),
          host::EventProp("BeforeCancel", &D::BeforeCancel),
          host::EventProp("AfterCancel", &D::AfterCancel),
          host::EventProp("BeforeDelete", &D::BeforeDelete),
          host::EventProp("AfterDelete", &D::AfterDelete),
          host::EventProp("BeforeScroll", &D::BeforeScroll),
          host::EventProp("AfterScroll", &D::AfterScroll),
          host::EventProp("OnCalcFields", &D::OnCalcFields),
          host::EventProp("OnDeleteError", &D::OnDeleteError),
          host::EventProp("OnEditError", &D::OnEditError),
          host::EventProp("OnNewRecord", &D::OnNewRecord),
          host::EventProp("OnPostError", &D::OnPostError),
          host::ComponentProp("DataSource", &A::GetDataSource, &A::SetDataSource),
          host::BoolProp("ParamCheck", &A::ParamCheck, &A::SetParamCheck, true),
          host::PersistentProp("Params", &A::Params),
          host::BoolProp("ReadOnly", &A::ReadOnly, &A::SetReadOnly, true),
          host::ComponentProp("Session", &A::GetSession, &A::SetSession),
          host::StringsProp("SQL", &A::SQL, &A::SetSQL),
      });
  return table;
}

void RegisterVlrAsaDS() {
  host::RegisterComponents("VelarDB", {&host::RegisterClass<TAsaDataset>()});
}

namespace {

// Known by name as soon as the driver library is loaded, so that forms
// holding a dataset can be read by programs that never run the designer.
const host::TClassInfo& asaDatasetClass = host::RegisterClass<TAsaDataset>();

}  // namespace

// ------------------------------------------------------------ the statement

TAsaSQL* TAsaDataset::Statement() const {
  return statement_;
}

bool TAsaDataset::UniDirectional() const {
  return statement_->UniDirectional();
}

void TAsaDataset::SetUniDirectional(bool Value) {
  statement_->SetUniDirectional(Value);
}

void TAsaDataset::StatementClosed(host::TObject* /*Sender*/) {
  if (closeMuted_ > 0 || ComponentState().Contains(host::csDestroying)) return;
  Close();
}

// ------------------------------------------------------ SQL and parameters

host::TStrings* TAsaDataset::SQL() const {
  return sql_.get();
}

// Closing is skipped while the dataset is closed: a form file being read
// sets the text after Active, whose stored value must survive until Loaded.
void TAsaDataset::SetSQL(host::TStrings* Value) {
  const std::string text = Value != nullptr ? Value->Text() : std::string();
  if (text == sql_->Text()) return;
  if (Active()) Close();
  sql_->BeginUpdate();
  try {
    if (Value != nullptr)
      sql_->Assign(Value);
    else
      sql_->Clear();
  } catch (...) {
    sql_->EndUpdate();
    throw;
  }
  sql_->EndUpdate();
}

// A marker is a colon outside quotes (either kind of quote toggles the same
// state) followed by the name, which runs to the next line break, blank,
// ")", "," or ";"; a doubled colon is an escaped one and starts nothing. The
// text the statement receives is left as it is: the statement binds its
// host variables itself.
void TAsaDataset::SQLChanged(host::TObject* /*Sender*/) {
  parsedSQL_ = sql_->Text();
  if (ComponentState().Contains(host::csLoading)) return;
  if (Active()) Close();
  if (!paramCheck_ && !ComponentState().Contains(host::csDesigning)) return;
  params_->Clear();
  static constexpr std::string_view kNameEnds("\n\r ),;");
  bool inQuote = false;
  std::size_t at = 0;
  while (at < parsedSQL_.size()) {
    const char c = parsedSQL_[at];
    if (c == ':' && !inQuote) {
      if (at + 1 < parsedSQL_.size() && parsedSQL_[at + 1] == ':') {
        parsedSQL_.erase(at, 1);
        at += 1;
        continue;
      }
      std::size_t end = parsedSQL_.find_first_of(kNameEnds, at + 1);
      if (end == std::string::npos) end = parsedSQL_.size();
      params_->CreateParam(parsedSQL_.substr(at + 1, end - at - 1));
      at = end + 1;
      continue;
    }
    if (c == '"' || c == '\'') inQuote = !inQuote;
    ++at;
  }
}

void TAsaDataset::SetParams(TAsaParams* Value) {
  params_->Assign(Value);
}

TAsaParam* TAsaDataset::ParamByName(const std::string& Name) const {
  return params_->ParamByName(Name);
}

int TAsaDataset::GetParamsCount() const {
  return params_->Count();
}

host::Variant TAsaDataset::StatementValues() const {
  host::Variant values;
  params_->GetParamValues(values);
  return values;
}

// --------------------------------------------------------- session, master

TAsaSession* TAsaDataset::GetSession() const {
  return dynamic_cast<TAsaSession*>(statement_->SessionLink());
}

// A cursor and a prepared statement belong to the connection they were made
// on, so moving to another session (or to none) closes the dataset and
// drops the executed statement first.
void TAsaDataset::SetSession(TAsaSession* Value) {
  if (Value != statement_->SessionLink()) {
    if (Active()) Close();
    statement_->UnprepareExecute();
  }
  statement_->SetSession(Value);
}

host::TDataSource* TAsaDataset::GetDataSource() {
  return masterLink_->DataSource();
}

void TAsaDataset::SetDataSource(host::TDataSource* Value) {
  if (IsLinkedTo(Value)) host::DatabaseError(host::LoadResString(host::SCircularDataLink), this);
  masterLink_->SetDataSource(Value);
}

// ------------------------------------------------------------ executing

void TAsaDataset::ExecSQL() {
  CheckInactive();
  statement_->Execute(sql_->Text(), {StatementValues()});
}

int TAsaDataset::GetRowsAffected() const {
  return statement_->RowsProcessed();
}

}  // namespace velar
