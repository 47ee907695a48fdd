// The statement's life cycle: construction and destruction, the session
// link, and the frames of both sides with the base's own steps.
#include "base/VlrSQL.h"

#include <cstring>

#include "base/VlrTableName.h"
#include "host/strings.h"

namespace velar {

// Creating a statement does no database work and links no session.
TVelarSQL::TVelarSQL(host::TComponent* AOwner)
    : host::TComponent(AOwner), blobManager_(std::make_unique<TVelarBlobManager>(this)) {}

// A driver runs the frame from its own destructor; when it has not, the base
// steps still release the buffers and undo the session link, so the session
// never keeps a pointer to a statement that is gone.
TVelarSQL::~TVelarSQL() {
  BeforeDestruction();
}

// Unprepare first, while the session link still lets the driver's steps reach
// the client library; the blob streams go before the session link, as a
// driver's stream may still ask its statement about its field.
void TVelarSQL::BeforeDestruction() noexcept {
  if (destroyFrameDone_) return;
  destroyFrameDone_ = true;
  Destroying();
  try {
    UnprepareOpen();
  } catch (...) {
  }
  try {
    UnprepareExecute();
  } catch (...) {
  }
  blobManager_.reset();
  try {
    SetSession(nullptr);
  } catch (...) {
  }
}

// ------------------------------------------------------------ session link

// The design-time exception lets the designer show an unlinked statement.
TVelarSession* TVelarSQL::GetSession() const {
  if (session_ == nullptr && !ComponentState().Contains(host::csDesigning))
    throw EVelarException(VlrLoadStr(VELAR_ERR_SESS_NIL));
  return session_;
}

// Raised directly: without a session there is no LastError to record it in.
TVelarSession* TVelarSQL::RequireSession() const {
  if (session_ == nullptr) throw EVelarException(VlrLoadStr(VELAR_ERR_SESS_NIL));
  return session_;
}

// The link is written only by the session's registry, so that both sides
// always agree.
void TVelarSQL::SetSession(TVelarSession* Value) {
  if (session_ != nullptr) session_->RemoveQuery(this);
  if (Value != nullptr) Value->AddQuery(this);
}

// Statements have no status of their own; the session's driver judges it. A
// statement without a session cannot be judged even at design time, so this
// raises rather than answering for the client library.
bool TVelarSQL::Check(void* Context, int Param1, int Param2, bool WantExceptions) {
  return RequireSession()->Check(Context, Param1, Param2, WantExceptions);
}

std::string TVelarSQL::GetLastError() const {
  return RequireSession()->LastError();
}

std::int32_t TVelarSQL::GetLastErrorCode() const {
  return RequireSession()->LastErrorCode();
}

void TVelarSQL::RaiseMessage(int Ident) {
  RaiseLastError(VlrLoadStr(Ident));
}

// The text ends at its first zero character, as the client library reads it;
// only a session that converts changes it. At design time without a session
// the text passes unchanged.
std::string TVelarSQL::StatementToOem(const std::string& SQL) const {
  TVelarSession* session = GetSession();
  if (session == nullptr || !session->OEMConvert()) return SQL;
  std::string text(SQL.c_str());
  session->TranslateChar(text.data(), text.data(), text.size(), true);
  return text;
}

// ----------------------------------------------------------------- settings

// The driver keeps the first part of a long value in the row when BlobSize
// is positive; its slot (BlobSize plus 4) must fit a 16-bit length.
void TVelarSQL::SetBlobSize(std::int32_t Value) {
  if (Value >= 0 && Value <= 32763) blobSize_ = Value;
}

void TVelarSQL::SetMaxFetchCount(std::int32_t Value) {
  if (Value >= 1 && Value <= 1000) maxFetchCount_ = Value;
}

// --------------------------------------------------------------- query side

bool TVelarSQL::PrepareOpen(const std::string& SQL) {
  const std::string text = StatementToOem(SQL);
  UnprepareOpen();
  return InternalPrepareOpen(text);
}

// A preparation of the same text is kept (its cursor closed), so that
// describing twice costs nothing.
bool TVelarSQL::Describe(const std::string& SQL) {
  const std::string text = StatementToOem(SQL);
  if (text != openSQL_)
    UnprepareOpen();
  else
    InternalClose();
  return prepared_ || InternalPrepareOpen(text);
}

bool TVelarSQL::OpenRead(const std::string& SQL, TVelarValues Values) {
  const std::string text = StatementToOem(SQL);
  if (text != openSQL_)
    UnprepareOpen();
  else
    InternalClose();
  return OpenFrame(&text, Values, true);
}

// A cursor prepared for reading is prepared again: the driver may have
// described it for block fetching, which a cursor for writing cannot use.
bool TVelarSQL::OpenWrite(const std::string& SQL, TVelarValues Values) {
  const std::string text = StatementToOem(SQL);
  if (text != openSQL_ || readOnly_)
    UnprepareOpen();
  else
    InternalClose();
  return OpenFrame(&text, Values, false);
}

bool TVelarSQL::OpenReadPrepared(TVelarValues Values) {
  if (!prepared_) RaiseMessage(VELAR_ERR_CURS_NOT_PREPARED);
  InternalClose();
  return OpenFrame(nullptr, Values, true);
}

bool TVelarSQL::OpenWritePrepared(TVelarValues Values) {
  if (!prepared_) RaiseMessage(VELAR_ERR_CURS_NOT_PREPARED);
  InternalClose();
  return OpenFrame(nullptr, Values, false);
}

// The common tail of the open frames, once the text was compared: the
// values, then (for a text) the preparation, the binding and the open, each
// only when the one before succeeded. A set still bound keeps its binding,
// so a repeated open with like values only rewrites the value buffer.
bool TVelarSQL::OpenFrame(const std::string* Text, TVelarValues Values, bool ReadMode) {
  SetVariables(Values, openVariables_);
  if (Text != nullptr && !prepared_ && !InternalPrepareOpen(*Text)) return false;
  return (openVariables_.Bound || InternalBindOpenVariables(nullptr)) && InternalOpen(ReadMode);
}

void TVelarSQL::Close() {
  InternalClose();
}

// Closing comes first so that a driver never unprepares under an open cursor.
void TVelarSQL::UnprepareOpen() {
  InternalClose();
  if (prepared_) InternalUnprepareOpen();
  InternalClearVariables(openVariables_);
  ++releases_;
}

// ------------------------------------------------------------- execute side

bool TVelarSQL::PrepareExecute(const std::string& SQL) {
  const std::string text = StatementToOem(SQL);
  UnprepareExecute();
  return InternalPrepareExecute(text);
}

// The same text keeps its preparation and, while the values keep their
// layout, its binding.
bool TVelarSQL::Execute(const std::string& SQL, TVelarValues Values) {
  const std::string text = StatementToOem(SQL);
  if (text != execSQLText_) UnprepareExecute();
  return ExecuteFrame(&text, Values);
}

bool TVelarSQL::ExecutePrepared(TVelarValues Values) {
  if (!execPrepared_) RaiseMessage(VELAR_ERR_STMT_NOT_PREPARED);
  return ExecuteFrame(nullptr, Values);
}

// The list carries what binding leaves for the execution (the ASA driver:
// the server variables holding long values); it lives for this execution
// only.
bool TVelarSQL::ExecuteFrame(const std::string* Text, TVelarValues Values) {
  SetVariables(Values, execVariables_);
  host::TStringList list;
  if (Text != nullptr && !execPrepared_ && !InternalPrepareExecute(*Text)) return false;
  return (execVariables_.Bound || InternalBindExecVariables(&list)) && InternalExecute(&list);
}

// The variables go even when nothing was prepared: values may have been set
// for a preparation that failed.
void TVelarSQL::UnprepareExecute() {
  if (execPrepared_) InternalUnprepareExecute();
  InternalClearVariables(execVariables_);
  ++releases_;
}

// ---------------------------------------------------------- the base steps

bool TVelarSQL::InternalPrepareOpen(const std::string& SQL) {
  tableName_ = ExtractTableName(SQL);
  openSQL_ = SQL;
  prepared_ = true;
  return true;
}

bool TVelarSQL::InternalBindOpenVariables(host::TStrings* /*List*/) {
  openVariables_.Bound = true;
  return true;
}

// The driver has opened its cursor; it stands before the first row.
bool TVelarSQL::InternalOpen(bool ReadOnly) {
  rowNo_ = -1;
  bof_ = true;
  eof_ = true;
  readOnly_ = ReadOnly;
  opened_ = true;
  return true;
}

// Position and counters only; the buffers and ReadOnly survive a close so that
// field information stays readable on a closed but prepared cursor.
void TVelarSQL::InternalClose() {
  bufferIndex_ = 0;
  bufferRows_ = 0;
  rowNo_ = -1;
  bof_ = true;
  eof_ = true;
  recordCount_ = 0;
  opened_ = false;
}

// A driver drops its own statement handle and then calls this.
void TVelarSQL::InternalUnprepareOpen() {
  InternalFreeOpenBuffer();
  tableName_.clear();
  openSQL_.clear();
  prepared_ = false;
}

bool TVelarSQL::InternalPrepareExecute(const std::string& SQL) {
  execSQLText_ = SQL;
  execPrepared_ = true;
  return true;
}

bool TVelarSQL::InternalBindExecVariables(host::TStrings* /*List*/) {
  execVariables_.Bound = true;
  return true;
}

// A driver drops its own statement handle and then calls this.
void TVelarSQL::InternalUnprepareExecute() {
  execSQLText_.clear();
  execPrepared_ = false;
}

// Leaves the set as a new statement has it, buffers released.
void TVelarSQL::InternalClearVariables(TVelarVariables& Variables) {
  Variables.Buffer.Dispose();
  Variables.OutBuffer.Dispose();
  for (TVelarFieldDesc& item : Variables.Items)
    item = TVelarFieldDesc{};
  Variables.BufferSize = 0;
  Variables.Count = 0;
  Variables.OutBufferSize = 0;
  Variables.OutCount = 0;
  Variables.Bound = false;
}

// The slot of every field is computed here once, so that reading a field by
// number costs no walk over the fields before it.
void TVelarSQL::InternalAllocOpenBuffer() {
  oldImage_ = nullptr;
  allocatedRows_ = fetchRows_;
  fetchBuffer_.Allocate(static_cast<std::size_t>(recordSize_) *
                        static_cast<std::size_t>(allocatedRows_));
  recordBuffer_.Allocate(static_cast<std::size_t>(recordSize_));
  oldRecordBuffer_.Allocate(static_cast<std::size_t>(recordSize_));
  nullIndicators_.Allocate(static_cast<std::size_t>(fieldCount_));
  oldNullIndicators_.Allocate(static_cast<std::size_t>(fieldCount_));
  std::int32_t offset = 0;
  for (int i = 0; i < fieldCount_; ++i) {
    fieldOffsets_[i] = offset;
    offset += fields_[i].Size;
  }
}

void TVelarSQL::SettleOldImage() {
  if (oldImage_ == nullptr) return;
  if (recordSize_ > 0)
    std::memcpy(oldRecordBuffer_.Data(), oldImage_, static_cast<std::size_t>(recordSize_));
  oldImage_ = nullptr;
}

// After this every field selector selects nothing, as FieldCount is 0.
void TVelarSQL::InternalFreeOpenBuffer() {
  oldImage_ = nullptr;
  if (blobManager_) blobManager_->Clear();
  oldNullIndicators_.Dispose();
  nullIndicators_.Dispose();
  oldRecordBuffer_.Dispose();
  recordBuffer_.Dispose();
  fetchBuffer_.Dispose();
  allocatedRows_ = 0;
  recordSize_ = 0;
  fieldCount_ = 0;
}

}  // namespace velar
