// TAsaDataset: the result of one SQL statement on an ASA database as a
// record set that data-aware controls browse and edit.
//
// The dataset fills in the record-set framework's protocol with an internal
// statement: opening opens a cursor on the SQL text with the parameters'
// values (read-only unless ReadOnly is switched off), the framework's record
// buffers are filled from the statement's current row and its moves become
// the statement's, and posting or deleting a record becomes a change through
// the cursor followed by a fresh run of the query, so the rows seen afterwards
// are the server's. With a master data source, the parameters take their
// values from the master's fields of the same names, and every move of the
// master opens the dataset again.
//
// A record buffer holds the statement's row data (RecordSize bytes, the
// statement's own formats), then the calculated fields, then an 8-byte
// bookmark (the row number, 32-bit, and the bookmark flag), then one null
// flag per column (0 = value). Memo and blob values are not in the buffer:
// they travel through the statement's blob streams (CreateBlobStream).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "asa/VlrAsa.h"
#include "asa/dataset/VlrAsaParams.h"
#include "host/dataset.h"
#include "host/strings.h"

namespace velar {

class TAsaDataLink;
class TAsaDatasetSQL;
class TAsaDatasetBlobStream;

class TAsaDataset : public host::TDataSet {
 public:
  explicit TAsaDataset(host::TComponent* AOwner);
  ~TAsaDataset() override;

  // Published, in this order after Name and Tag: Active (False),
  // AutoCalcFields (True), the data-set events, DataSource, ParamCheck (True),
  // Params, ReadOnly (True), Session, SQL.
  static const host::TPropertyTable& Properties();

  // ==================================================== the protocol
  // In the framework's order (host/dataset.h).
 protected:
  void ClearCalcFields(host::TRecordBuffer Buffer) override;
  void CloseCursor() override;
  // False while ReadOnly: a read-only dataset refuses edits.
  bool GetCanModify() override;

 public:
  host::TDataSource* GetDataSource() override;
  // The rows the cursor has seen so far (the count the server reported at
  // open, corrected as rows are read).
  int GetRecordCount() override;
  // The active record's row number from 1; 0 on an empty dataset.
  int GetRecNo() override;

 protected:
  // Runs the query again and returns to the active record's row.
  void InternalRefresh() override;
  void OpenCursor(bool InfoQuery) override;

 public:
  void SetRecNo(int Value) override;

 protected:
  host::TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(host::TRecordBuffer& Buffer) override;
  void GetBookmarkData(host::TRecordBuffer Buffer, void* Data) override;
  host::TBookmarkFlag GetBookmarkFlag(host::TRecordBuffer Buffer) override;

 public:
  bool GetFieldData(host::TField* Field, void* Buffer) override;

 protected:
  host::TGetResult GetRecord(host::TRecordBuffer Buffer, host::TGetMode GetMode,
                             bool DoCheck) override;
  int GetRecordSize() override;
  void InternalAddRecord(host::TRecordBuffer Buffer, bool Append) override;
  void InternalClose() override;
  void InternalDelete() override;
  void InternalFirst() override;
  void InternalGotoBookmark(const void* Bookmark) override;
  void InternalHandleException() override;
  void InternalInitFieldDefs() override;
  void InternalInitRecord(host::TRecordBuffer Buffer) override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalPost() override;
  void InternalSetToRecord(host::TRecordBuffer Buffer) override;
  bool IsCursorOpen() override;
  void SetBookmarkFlag(host::TRecordBuffer Buffer, host::TBookmarkFlag Value) override;
  void SetBookmarkData(host::TRecordBuffer Buffer, const void* Data) override;
  void SetFieldData(host::TField* Field, const void* Buffer) override;

 public:
  bool BookmarkValid(const host::TBookmark& Bookmark) override;
  // By row number; an empty bookmark comes after any other.
  int CompareBookmarks(const host::TBookmark& Bookmark1, const host::TBookmark& Bookmark2) override;
  // A stream over the memo or blob value of the active record (the
  // statement moves there first); EInvalidCast for a field that is no blob.
  std::unique_ptr<host::TStream> CreateBlobStream(host::TField* Field,
                                                  host::TBlobStreamMode Mode) override;
  bool GetCurrentRecord(host::TRecordBuffer Buffer) override;
  // Searches the statement's rows from the first, comparing the row data
  // (Find); a match becomes the active record.
  bool Locate(const std::string& KeyFields, const host::Variant& KeyValues,
              host::TLocateOptions Options) override;
  // The result fields of the first row whose key fields equal the key
  // values exactly; Null when there is none. The active record stays.
  host::Variant Lookup(const std::string& KeyFields, const host::Variant& KeyValues,
                       const std::string& ResultFields) override;
  // The framework's copy, then the session's OEM conversion (when the
  // session converts).
  int Translate(const char* Src, char* Dest, bool ToOem) override;

 protected:
  // An edit or insert begins or is cancelled: long values kept for the last
  // one are forgotten.
  void InternalCancel() override;
  void InternalEdit() override;
  void InternalInsert() override;

 public:
  // ============================================ the dataset's own face
  // Runs the SQL text once as a statement that returns no rows, with the
  // parameters' values; the dataset must be closed.
  void ExecSQL();
  // Params()->ParamByName(Name).
  TAsaParam* ParamByName(const std::string& Name) const;
  // The statement prepares on demand; these do nothing.
  void Prepare() {}
  void UnPrepare() {}
  int GetParamsCount() const;
  // The rows the last ExecSQL changed.
  int GetRowsAffected() const;

  // The session the internal statement uses, or nullptr. Changing it closes
  // the dataset first.
  TAsaSession* GetSession() const;
  void SetSession(TAsaSession* Value);
  // The SQL text. Setting a different text closes the dataset and finds the
  // parameters again (":name" markers outside quotes; "::" is a colon).
  host::TStrings* SQL() const;
  void SetSQL(host::TStrings* Value);
  TAsaParams* Params() const { return params_.get(); }
  void SetParams(TAsaParams* Value);
  // The master data source; EDatabaseError "Circular data links are not
  // allowed" for a source that leads back to this dataset.
  void SetDataSource(host::TDataSource* Value);
  // Whether a change of the SQL text finds the parameters again at run time.
  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool Value) { paramCheck_ = Value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  // A dataset that is only read front to back: the cursor keeps no rows
  // it has passed (moving back runs the query again). False by default; it
  // takes effect at the next opening.
  bool UniDirectional() const;
  void SetUniDirectional(bool Value);
  // The internal statement (for its state; the dataset drives it).
  TAsaSQL* Statement() const;

 private:
  friend class TAsaDataLink;
  friend class TAsaDatasetBlobStream;
  class TCloseMute;

  // The statement was unprepared by someone else (the session went away,
  // say): the dataset closes with it.
  void StatementClosed(host::TObject* Sender);
  // The SQL text changed: keep a copy, close, find the parameters.
  void SQLChanged(host::TObject* Sender);
  // Takes the parameters' values from the master's fields of their names.
  void AssignMasterParams();
  // Closes and opens again after the master moved.
  void RefreshDetail();
  // The statement's values for the parameters: one value, exactly as
  // GetParamValues gives it, in the one-element list the statement takes.
  host::Variant StatementValues() const;
  // Opens the statement's cursor for writing or reading by GetCanModify.
  void OpenStatement();
  // Copies Buffer's row data and null flags into the statement's row.
  void RecordToStatement(host::TRecordBuffer Buffer);

  // Long values written while a record is edited live in the statement's
  // blob streams, which lose them when the statement moves to another row
  // (to read another record's value, say); a copy is kept and put back
  // before the record is read again or stored.
  void KeepBlob(int FieldNo, const TVelarBlobStream& Blob);
  void ForgetBlob(int FieldNo);
  void RestoreBlobs();

  // The record buffer of the current state, or false when it has none.
  bool GetStateBuffer(host::TRecordBuffer& Buffer);
  std::int32_t BookmarkRow(host::TRecordBuffer Buffer) const;
  void RecordToField(host::TField* Field, const std::uint8_t* Column, void* Buffer) const;
  void FieldToRecord(host::TField* Field, std::uint8_t* Column, const void* Buffer) const;

  TAsaDatasetSQL* statement_;  // owned as a component
  std::unique_ptr<host::TStringList> sql_;
  int recordBufferSize_ = 0;
  bool readOnly_ = true;
  int bookmarkOffset_ = 0;
  int nullOffset_ = 0;
  std::string parsedSQL_;
  bool paramCheck_ = true;
  std::unique_ptr<TAsaParams> params_;
  std::unique_ptr<TAsaDataLink> masterLink_;
  int closeMuted_ = 0;  // the statement's closing is this dataset's own doing
  struct TKeptBlob {
    int FieldNo;
    std::string FieldName;
    std::string Bytes;
  };
  std::vector<TKeptBlob> keptBlobs_;          // written while the record is edited
  host::TRecordBuffer editBuffer_ = nullptr;  // the record being edited or inserted
};

}  // namespace velar
