// TVelarSQL: the driver-independent statement component.
//
// One statement carries two sides at once: a query that is prepared and
// opened as a cursor (the open side), and a statement that is prepared and
// executed without a cursor (the execute side), each with its own text,
// prepared flag and host variables, so that an update can run while a cursor
// stays open. The base holds both sides' state machines, turns the caller's
// values into host variables, gives access to the fields of the current row
// and to output variables, and searches rows; every step that reaches the
// client library is a virtual operation a driver overrides, in the order
// below (the driver contract).
//
// Values cross between buffers and variants only through the driver's
// GetFieldData and PutFieldData, for fields, host variables and search keys
// alike. A field is selected by a variant: a 32-bit integer selects by
// number, anything else by name, ignoring case.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/VlrBlob.h"
#include "base/VlrMessages.h"
#include "base/VlrSession.h"
#include "base/VlrTypes.h"
#include "host/component.h"
#include "host/datetime.h"
#include "host/variant.h"

namespace host {
class TMemoryStream;
class TPicture;
class TStream;
class TStrings;
}  // namespace host

namespace velar {

// The values a caller passes for a statement's parameters, one per host
// variable in order: a single Null (or none) for no variables, or a first
// element that is itself a variant array of variants holding them all.
using TVelarValues = std::span<const host::Variant>;

class TVelarSQL : public host::TComponent {
 public:
  explicit TVelarSQL(host::TComponent* AOwner);
  // Runs the destroy frame if the driver's destructor has not.
  ~TVelarSQL() override;

  // ---- Virtual operations, in this order (the driver contract). ----------
 protected:
  // Fills Field from entry Index of the driver's own description (for the
  // ASA driver, its SQLDA); LongSize is the row room of a long column.
  virtual bool InternalSetFieldDef(int Index, void* Description, TVelarFieldDesc& Field,
                                   int LongSize) = 0;
  // Records the prepared query (OpenSQL, TableName, Prepared); a driver
  // prepares and describes first.
  virtual bool InternalPrepareOpen(const std::string& SQL);
  // Describes the prepared query's fields.
  virtual bool InternalDescribePrepare() = 0;
  // Marks the query's variables bound; the query side passes no list.
  virtual bool InternalBindOpenVariables(host::TStrings* List);
  // Records an open cursor before its first row; a driver opens first.
  virtual bool InternalOpen(bool ReadOnly);
  // Describes the opened cursor's fields (ReadMode: opened for reading).
  virtual bool InternalDescribeOpen(bool ReadMode) = 0;
  // Forgets the cursor position; the buffers and ReadOnly stay.
  virtual void InternalClose();
  // Frees the open side's buffers and forgets its text and prepared state.
  virtual void InternalUnprepareOpen();
  // Records the prepared execute statement.
  virtual bool InternalPrepareExecute(const std::string& SQL);
  // Marks the execute side's variables bound.
  virtual bool InternalBindExecVariables(host::TStrings* List);
  // Executes the prepared statement; List holds what binding left for it.
  virtual bool InternalExecute(host::TStrings* List) = 0;
  // Forgets the execute side's text and prepared state.
  virtual void InternalUnprepareExecute();
  // Frees a variable set's buffers and empties it.
  virtual void InternalClearVariables(TVelarVariables& Variables);
  // The bytes and the driver's type code of a host variable of a type.
  virtual int InternalGetVariableLength(TVelarFieldTypes FieldType) = 0;
  virtual int InternalGetVariableExtType(TVelarFieldTypes FieldType) = 0;
  // Bind a variable set to a descriptor the driver creates: Statement points
  // at the driver's statement handle, Descriptor at the driver's pointer
  // that receives the descriptor. Output binding also sets OutCount,
  // OutBuffer and the output items.
  virtual bool InternalBindVariables(void* Statement, TVelarVariables& Variables, void* Descriptor,
                                     host::TStrings* List) = 0;
  virtual bool InternalBindOutVariables(void* Statement, TVelarVariables& Variables,
                                        void* Descriptor, host::TStrings* List) = 0;
  // Creates the driver's blob stream for a long field, owned by BlobManager.
  virtual TVelarBlobStream* InternalCreateBlobStream(const std::string& FieldName) = 0;

 public:
  // Decode one value from Size bytes at Buffer + Offset into Value, and
  // encode one; Stream is the field's blob stream for ntMemo and ntBlob.
  virtual void GetFieldData(const std::uint8_t* Buffer, int Offset, int Size,
                            TVelarFieldTypes FieldType, TVelarBlobStream* Stream,
                            host::Variant& Value) = 0;
  virtual void PutFieldData(std::uint8_t* Buffer, int Offset, int Size, TVelarFieldTypes FieldType,
                            const host::Variant& Value, TVelarBlobStream* Stream) = 0;
  // Navigation: true when the row moved to exists; it becomes current.
  virtual bool First() = 0;
  virtual bool Last() = 0;
  virtual bool Next() = 0;
  virtual bool Prev() = 0;
  virtual bool Seek(int Row) = 0;
  // Every field of the current row to null (Clear) or to a zero value that
  // is not null (ClearNotNull); the cursor must be open for writing.
  virtual void Clear();
  virtual void ClearNotNull();
  // Positioned changes of the current row.
  virtual bool Modify() = 0;
  virtual bool Append() = 0;
  virtual bool Delete() = 0;

  // ---- Session link. -------------------------------------------------------
  // The linked session. Without one it raises "The session property is not
  // linked to a session", except at design time, where it answers nullptr so
  // that the property can be shown empty.
  TVelarSession* GetSession() const;
  // Moves the statement to Value's registry (or to none); setting the same
  // session again moves it to the end of that session's list.
  void SetSession(TVelarSession* Value);
  bool IsSessionAssigned() const { return session_ != nullptr; }
  // The link without any check, for the form writer and the designer.
  TVelarSession* SessionLink() const { return session_; }

  // The linked session's Check, with the same arguments.
  bool Check(void* Context, int Param1, int Param2, bool WantExceptions);
  // Raises through the linked session, so that its LastError holds the text.
  template <class E = EVelarException>
  requires std::derived_from<E, host::Exception>
  [[noreturn]] void RaiseLastError(const std::string& Message) {
    RequireSession()->RaiseLastError<E>(Message);
  }
  // The session's last error text and code.
  std::string GetLastError() const;
  std::int32_t GetLastErrorCode() const;

  // ---- Query side. ---------------------------------------------------------
  // Prepares SQL afresh.
  bool PrepareOpen(const std::string& SQL);
  // Prepares without opening (keeping a preparation of the same text), so
  // that the fields can be read.
  bool Describe(const std::string& SQL);
  // Opens a cursor for reading or writing over SQL with these values and
  // stands on its first row. The preparation is kept for the same text;
  // writing after reading prepares again. The result is false when a driver
  // step failed without raising, and also when the cursor opened but has no
  // first row (then Opened and Eof are true).
  bool OpenRead(const std::string& SQL, TVelarValues Values);
  bool OpenRead(const std::string& SQL, std::initializer_list<host::Variant> Values = {}) {
    return OpenRead(SQL, TVelarValues(Values.begin(), Values.size()));
  }
  bool OpenWrite(const std::string& SQL, TVelarValues Values);
  bool OpenWrite(const std::string& SQL, std::initializer_list<host::Variant> Values = {}) {
    return OpenWrite(SQL, TVelarValues(Values.begin(), Values.size()));
  }
  // Opens the prepared query again; raises "The cursor is not prepared."
  // when there is none.
  bool OpenReadPrepared(TVelarValues Values);
  bool OpenReadPrepared(std::initializer_list<host::Variant> Values = {}) {
    return OpenReadPrepared(TVelarValues(Values.begin(), Values.size()));
  }
  bool OpenWritePrepared(TVelarValues Values);
  bool OpenWritePrepared(std::initializer_list<host::Variant> Values = {}) {
    return OpenWritePrepared(TVelarValues(Values.begin(), Values.size()));
  }
  void Close();
  // Closes the cursor, unprepares the query if it is prepared, and clears the
  // open side's host variables.
  void UnprepareOpen();

  // ---- Execute side. -------------------------------------------------------
  bool PrepareExecute(const std::string& SQL);
  // Executes SQL with these values, keeping the preparation for the same
  // text and the binding while the values keep their types and sizes.
  bool Execute(const std::string& SQL, TVelarValues Values);
  bool Execute(const std::string& SQL, std::initializer_list<host::Variant> Values = {}) {
    return Execute(SQL, TVelarValues(Values.begin(), Values.size()));
  }
  // Executes the prepared statement again; raises "The statement is not
  // prepared." when there is none.
  bool ExecutePrepared(TVelarValues Values);
  bool ExecutePrepared(std::initializer_list<host::Variant> Values = {}) {
    return ExecutePrepared(TVelarValues(Values.begin(), Values.size()));
  }
  // Unprepares the execute side if it is prepared and clears its variables.
  void UnprepareExecute();
  // The value of an output variable of the last execution, by number (a
  // 32-bit integer) or by name ignoring case; raises "Host variable "%s" not
  // found." for no such variable.
  host::Variant GetOutVar(const host::Variant& Var);

  // ---- Field information (none raises for a missing field). ----------------
  bool FindField(std::string_view Name) const { return IndexOfField(Name) >= 0; }
  // The number of the field of that name, ignoring case, or -1.
  int IndexOfField(std::string_view Name) const;
  int GetFieldCount() const { return fieldCount_; }
  std::string GetFieldName(int Index) const;
  TVelarFieldTypes GetFieldType(const host::Variant& Field) const;
  std::int32_t GetFieldSize(const host::Variant& Field) const;
  std::int32_t GetFieldLength(const host::Variant& Field) const;
  std::int32_t GetFieldDecimals(const host::Variant& Field) const;
  bool GetFieldNulls(const host::Variant& Field) const;
  // Selects a field; true when one was selected. FieldNo receives its number
  // (-1 for none), Offset its slot in the row buffer.
  bool GetFieldInfo(const host::Variant& Field, int* FieldNo = nullptr,
                    int* Offset = nullptr) const;
  // The descriptor of a field the cursor has; raises for any other number.
  const TVelarFieldDesc& Fields(int Index) const;

  // ---- Null and change state. ----------------------------------------------
  bool IsFieldNull(const host::Variant& Field);
  // Whether the field differs from the row as fetched: its bytes or null
  // indicator, and for long fields whether its stream was written.
  bool IsFieldDirty(const host::Variant& Field);
  // Whether any field is dirty; the cursor must be open.
  bool IsDirty();
  bool CanModify() const { return opened_ && !readOnly_; }

  // ---- Values. ---------------------------------------------------------------
  // The field's value in the current row (Null for no value is the
  // driver's: callers that must know test IsFieldNull).
  host::Variant GetFieldValue(const host::Variant& Field);
  // The same from the row as fetched.
  host::Variant GetOldValue(const host::Variant& Field);
  // Sets the field in the current row; Null sets its null indicator. Raises
  // "The cursor is read-only." on a cursor opened for reading.
  void SetFieldValue(const host::Variant& Field, const host::Variant& Value);
  void SetNullIndicator(int FieldNo, std::uint8_t Value);
  // Zero-fills the slot of field FieldNo (at Offset).
  void ClearField(int FieldNo, int Offset);
  // Zero-fills a field by name and marks it not null; a missing name is
  // ignored.
  void ClearFieldNotNull(std::string_view Name);

  // ---- Blobs. ------------------------------------------------------------------
  TVelarBlobManager* BlobManager() const { return blobManager_.get(); }
  // Replaces a long field's data with the whole of Source.
  void StreamToBlob(const host::Variant& Field, host::TStream* Source);
  // Copies a long field's data into Target, which is left at position 0.
  void BlobToStream(const host::Variant& Field, host::TStream* Target);
  // Stores the picture's bitmap, metafile or icon in a long field, and loads
  // it back from one.
  void GraphicToBlob(const host::Variant& Field, host::TPicture* Picture, TVelarGraphicType Kind);
  void BlobToGraphic(const host::Variant& Field, host::TPicture* Picture, TVelarGraphicType Kind);

  // ---- Row search. ---------------------------------------------------------
  // Searches forward from the current row for the first row whose fields
  // (names separated by ";") equal the values in order: byte for byte, or
  // as text ignoring case, or (partial key) as text the field begins with.
  // Stays on the row found, or goes back to where it started when none
  // matches. Raises "The cursor is not opened." and, for a name the cursor
  // does not have, "Field "%s" not found." before moving.
  bool Find(std::string_view FieldNames, TVelarValues Values, TVelarLocateOptions Options);
  bool Find(std::string_view FieldNames, std::initializer_list<host::Variant> Values,
            TVelarLocateOptions Options = {}) {
    return Find(FieldNames, TVelarValues(Values.begin(), Values.size()), Options);
  }

  // ---- Conversions for drivers: a failed conversion gives a neutral value. ---
  static void SetVarToStr(const host::Variant& Value, std::string& Result);
  static std::int32_t SetVarToInt(const host::Variant& Value);
  static double SetVarToFloat(const host::Variant& Value);
  static bool SetVarToBoolean(const host::Variant& Value);
  static host::TDateTime SetVarToDateTime(const host::Variant& Value);
  // A byte array 0..Length-1 holding a copy of the bytes; Null when Length < 1.
  static host::Variant StrToVarByte(const void* Bytes, int Length);
  static host::Variant StreamToVarByte(host::TMemoryStream* Stream);
  static std::string StreamToStr(host::TMemoryStream* Stream);

  // The text as the client library receives it: converted to the OEM code
  // page when the session asks for it.
  std::string StatementToOem(const std::string& SQL) const;

  // ---- Settings. ---------------------------------------------------------------
  std::int32_t BlobSize() const { return blobSize_; }
  // Accepted from 0 to 32763; any other value is ignored.
  void SetBlobSize(std::int32_t Value);
  std::int32_t MaxFetchCount() const { return maxFetchCount_; }
  // Accepted from 1 to 1000; any other value is ignored.
  void SetMaxFetchCount(std::int32_t Value);
  bool UniDirectional() const { return uniDirectional_; }
  void SetUniDirectional(bool Value) { uniDirectional_ = Value; }
  bool WantExceptions() const { return wantExceptions_; }
  void SetWantExceptions(bool Value) { wantExceptions_ = Value; }
  std::int32_t RowsProcessed() const { return rowsProcessed_; }

  // Fired by the driver.
  host::TNotifyEvent AfterOpen;
  host::TNotifyEvent BeforeOpen;
  host::TNotifyEvent AfterClose;
  host::TNotifyEvent BeforeClose;

  // ---- State. ----------------------------------------------------------------
  bool ReadOnly() const { return readOnly_; }
  bool Prepared() const { return prepared_; }
  bool ExecPrepared() const { return execPrepared_; }
  bool Opened() const { return opened_; }
  const std::string& TableName() const { return tableName_; }
  std::int32_t FieldCount() const { return fieldCount_; }
  std::int32_t FetchRows() const { return fetchRows_; }
  std::int32_t AllocatedRows() const { return allocatedRows_; }
  std::int32_t BufferIndex() const { return bufferIndex_; }
  std::int32_t BufferRows() const { return bufferRows_; }
  std::int32_t RowNo() const { return rowNo_; }
  std::int32_t RecordSize() const { return recordSize_; }
  std::int32_t RecordCount() const { return recordCount_; }
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  const std::string& OpenSQL() const { return openSQL_; }
  const std::string& ExecSQLText() const { return execSQLText_; }
  const TVelarVariables& ExecVariables() const { return execVariables_; }
  const TVelarVariables& OpenVariables() const { return openVariables_; }
  const std::uint8_t* RecordBuffer() const { return recordBuffer_.Data(); }
  // The row as fetched: a copy, or its place in the fetch buffer while the
  // driver defers the copy (see DeferOldImage).
  const std::uint8_t* OldRecordBuffer() const {
    return oldImage_ != nullptr ? oldImage_ : oldRecordBuffer_.Data();
  }
  const std::uint8_t* NullIndicators() const { return nullIndicators_.Data(); }

 protected:
  // ---- Steps drivers call. -----------------------------------------------------
  // Allocates the fetch buffer (FetchRows x RecordSize) and the row buffers,
  // zero-filled, once Fields, FieldCount, RecordSize and FetchRows are set.
  void InternalAllocOpenBuffer();
  // Frees the blob streams and every row buffer and forgets the row layout.
  void InternalFreeOpenBuffer();
  // The caller's values as one variant: Null, or an array of the values.
  static host::Variant InternalCheckVarValues(TVelarValues Values);
  // The field type and variable length a value needs (long texts and byte
  // strings become ntMemo and ntBlob of their own length).
  TVelarFieldTypes InternalGetVariableTypeAndLength(const host::Variant& Value,
                                                    std::int32_t& Length);
  // Whether the values no longer fit the set's layout.
  bool InternalNeedNewVariables(const host::Variant& Values, const TVelarVariables& Variables);
  // Puts the values into the set, rebuilding its layout when they do not
  // fit it; raises when there are more than VelarMaxItems.
  void InternalSetVariables(const host::Variant& Values, TVelarVariables& Variables);
  // The same for the values a caller passed (as InternalCheckVarValues
  // takes them), without copying them into a variant first.
  void SetVariables(TVelarValues Values, TVelarVariables& Variables);
  void SetRowsProcessed(std::int32_t Value) { rowsProcessed_ = Value; }

  // The destroy frame: unprepare both sides, free the blob manager, then
  // leave the session. A driver's destructor calls it first, while its
  // overrides can still run; later calls do nothing. Failures are swallowed,
  // as nobody can receive them from a destructor and the session link must
  // be undone regardless.
  void BeforeDestruction() noexcept;
  // The linked session, also at design time: for callers that cannot work
  // without one.
  TVelarSession* RequireSession() const;
  // Counts the times either side was unprepared. A driver step that may lose
  // the connection (the session then unprepares every statement, this one
  // included) compares it before and after, and stops without touching what
  // was released.
  std::uint32_t ReleaseMark() const { return releases_; }
  bool ReleasedSince(std::uint32_t Mark) const { return releases_ != Mark; }

  // Raises "Field "%s" not found." with the selector as text.
  [[noreturn]] void RaiseFieldNotFound(const host::Variant& Field);
  // Raises one of the message table's texts through the session.
  [[noreturn]] void RaiseMessage(int Ident);
  // Selects a field or raises the field message.
  int RequireField(const host::Variant& Field, int& Offset);
  // The blob stream of a long field, or nullptr for other types.
  TVelarBlobStream* StreamOf(int FieldNo) const;
  // A driver moving to a row may leave the old image where the fetch put it
  // (Row, RecordSize bytes in the fetch buffer) instead of copying it into
  // oldRecordBuffer_: moving through rows then copies each row once. Before
  // anything writes the fetch buffer again it settles the image (copies it
  // over); before it writes oldRecordBuffer_ itself it drops the deferral.
  void DeferOldImage(const std::uint8_t* Row) { oldImage_ = Row; }
  void SettleOldImage();
  void DropDeferredOldImage() { oldImage_ = nullptr; }

  TVelarFieldDesc fields_[VelarMaxItems];
  // Row buffers (the driver fills them).
  TVelarMemBlock fetchBuffer_;        // AllocatedRows x RecordSize bytes
  TVelarMemBlock recordBuffer_;       // the current row
  TVelarMemBlock oldRecordBuffer_;    // the current row as fetched
  TVelarMemBlock nullIndicators_;     // one byte per field, 1 = null
  TVelarMemBlock oldNullIndicators_;  // the null indicators as fetched
  bool readOnly_ = false;
  bool prepared_ = false;
  bool execPrepared_ = false;
  bool opened_ = false;
  std::string tableName_;
  std::int32_t fieldCount_ = 0;
  std::int32_t fetchRows_ = 0;
  std::int32_t allocatedRows_ = 0;
  std::int32_t bufferIndex_ = 0;
  std::int32_t bufferRows_ = 0;
  std::int32_t rowNo_ = 0;
  std::int32_t recordSize_ = 0;
  std::int32_t recordCount_ = 0;
  bool bof_ = false;
  bool eof_ = false;
  std::string openSQL_;
  std::string execSQLText_;
  TVelarVariables execVariables_;
  TVelarVariables openVariables_;

 private:
  friend class TVelarSession;  // AddQuery and RemoveQuery write the link

  // The common tails of the open and execute frames; Text is the text to
  // prepare when not prepared, nullptr when the preparation is required.
  bool OpenFrame(const std::string* Text, TVelarValues Values, bool ReadMode);
  bool ExecuteFrame(const std::string* Text, TVelarValues Values);
  // InternalNeedNewVariables and InternalSetVariables on values read in
  // place; IsList is false for no list at all (a Null), which always
  // rebuilds the set.
  bool NeedNewVariables(TVelarValues Values, bool IsList, const TVelarVariables& Variables);
  void SetVariables(TVelarValues Values, bool IsList, TVelarVariables& Variables);
  // The selected field's descriptor, or nullptr.
  const TVelarFieldDesc* FieldOf(const host::Variant& Field) const;
  host::Variant ValueFrom(const std::uint8_t* Buffer, const host::Variant& Field);
  // Clear and ClearNotNull.
  void ClearRow(std::uint8_t NullIndicator);
  void CheckWritable();
  // The blob stream of a field selected for a blob copy, after its checks.
  TVelarBlobStream* BlobOf(const host::Variant& Field, int& FieldNo);

  TVelarSession* session_ = nullptr;
  const std::uint8_t* oldImage_ = nullptr;  // a deferred old image, in fetchBuffer_
  std::unique_ptr<TVelarBlobManager> blobManager_;
  std::int32_t blobSize_ = 0;
  std::int32_t maxFetchCount_ = 25;
  bool uniDirectional_ = true;
  bool wantExceptions_ = false;
  std::int32_t rowsProcessed_ = 0;
  std::int32_t fieldOffsets_[VelarMaxItems] = {};  // slot of each field in a row
  std::uint32_t releases_ = 0;
  bool destroyFrameDone_ = false;
};

}  // namespace velar
