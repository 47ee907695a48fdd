// TAsaDataset: opening (session checks, master values, the statement's
// cursor, field definitions and the record layout), closing, and running the
// query again after a change.
#include <iterator>

#include "asa/dataset/VlrAsaDataset.h"
#include "asa/dataset/VlrAsaDatasetLink.h"
#include "asa/dataset/VlrAsaDatasetSQL.h"
#include "host/application.h"
#include "host/fields.h"
#include "host/fields_defs.h"
#include "host/strings.h"

namespace velar {

// While the dataset closes its own statement, the statement's closing is no
// news to it; the mute holds on every path out.
class TAsaDataset::TCloseMute {
 public:
  explicit TCloseMute(TAsaDataset& Dataset) : dataset_(Dataset) { ++dataset_.closeMuted_; }
  TCloseMute(const TCloseMute&) = delete;
  TCloseMute& operator=(const TCloseMute&) = delete;
  ~TCloseMute() { --dataset_.closeMuted_; }

 private:
  TAsaDataset& dataset_;
};

// ----------------------------------------------------------------- opening

// The server reports the row count at open (WantRowCounts), so RecordCount
// is known from the start. A statement that did not open although nothing
// raised has left its reason in the session.
void TAsaDataset::OpenCursor(bool InfoQuery) {
  TAsaSession* session = GetSession();
  if (session == nullptr) throw EAsaException(VlrLoadStr(VELAR_ERR_SESS_NIL));
  if (!session->Connected()) session->SetConnected(true);
  session->SetWantRowCounts(true);
  if (GetDataSource() != nullptr) AssignMasterParams();
  if (InfoQuery) {
    statement_->Describe(sql_->Text());
  } else {
    OpenStatement();
    if (!statement_->Opened()) host::DatabaseError(session->LastError(), this);
  }
  host::TDataSet::OpenCursor(InfoQuery);
}

void TAsaDataset::OpenStatement() {
  const host::Variant values = StatementValues();
  if (GetCanModify())
    statement_->OpenWrite(sql_->Text(), {values});
  else
    statement_->OpenRead(sql_->Text(), {values});
}

// A parameter without a master field of its name stops the opening with the
// framework's field-not-found error.
void TAsaDataset::AssignMasterParams() {
  host::TDataSource* source = GetDataSource();
  if (source == nullptr || source->DataSet() == nullptr) return;
  host::TDataSet* master = source->DataSet();
  master->FieldDefs()->Update();
  for (int i = 0; i < params_->Count(); ++i) {
    TAsaParam* param = params_->GetParam(i);
    param->AssignField(master->FieldByName(param->Name));
  }
}

void TAsaDataset::InternalOpen() {
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  SetBookmarkSize(8);
  bookmarkOffset_ = statement_->RecordSize() + CalcFieldsSize();
  nullOffset_ = bookmarkOffset_ + 8;
  recordBufferSize_ = nullOffset_ + statement_->GetFieldCount();
  while (statement_->Prev()) {
  }
}

namespace {

// The framework's field type for each of the library's field types, by
// ordinal; a column of type ntUnknown gets no definition.
constexpr host::TFieldType kFieldTypes[] = {host::ftUnknown, host::ftString,   host::ftInteger,
                                            host::ftFloat,   host::ftCurrency, host::ftDate,
                                            host::ftTime,    host::ftDateTime, host::ftBoolean,
                                            host::ftBytes,   host::ftMemo,     host::ftBlob};

}  // namespace

// One definition per column, named after it (a repeated name gets "_1",
// "_2", ...); the field number stays the column's index + 1 even where a
// column of an unknown type is skipped. A string's size leaves out its
// terminator, a byte string's its length word.
void TAsaDataset::InternalInitFieldDefs() {
  host::TFieldDefs* defs = FieldDefs();
  defs->Clear();
  for (int i = 0; i < statement_->GetFieldCount(); ++i) {
    const TVelarFieldDesc& column = statement_->Fields(i);
    if (column.FieldType >= std::size(kFieldTypes)) continue;
    const host::TFieldType type = kFieldTypes[column.FieldType];
    if (type == host::ftUnknown) continue;
    int size = 0;
    if (column.FieldType == ntString) size = column.Size - 1;
    if (column.FieldType == ntBinary) size = static_cast<std::uint16_t>(column.Size - 2);
    std::string name = column.Name;
    for (int counter = 1; defs->IndexOf(name) >= 0; ++counter)
      name = std::string(column.Name) + "_" + std::to_string(counter);
    new host::TFieldDef(defs, name, type, size, false, i + 1);
  }
}

bool TAsaDataset::IsCursorOpen() {
  return statement_->Opened();
}

bool TAsaDataset::GetCanModify() {
  return host::TDataSet::GetCanModify() && !readOnly_;
}

void TAsaDataset::InternalHandleException() {
  host::Application->HandleException(this);
}

// ----------------------------------------------------------------- closing

void TAsaDataset::InternalClose() {
  keptBlobs_.clear();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
}

void TAsaDataset::CloseCursor() {
  host::TDataSet::CloseCursor();
  TCloseMute mute(*this);
  statement_->UnprepareOpen();
}

// -------------------------------------------------------------- refreshing

// The master's values are not taken again: a refresh shows the same rows'
// current state, not another master record's.
void TAsaDataset::InternalRefresh() {
  {
    TCloseMute mute(*this);
    statement_->UnprepareOpen();
  }
  OpenStatement();
  InternalSetToRecord(ActiveBuffer());
}

}  // namespace velar
