#include "base/VlrSQL.h"

namespace velar {

// Creating a statement does no database work and links no session.
TVelarSQL::TVelarSQL(host::TComponent* AOwner) : host::TComponent(AOwner) {}

// A driver runs the frame from its own destructor; when it has not, the base
// steps still release the buffers and undo the session link, so the session
// never keeps a pointer to a statement that is gone.
TVelarSQL::~TVelarSQL() {
  BeforeDestruction();
}

// Unprepare first, while the session link still lets the driver's steps reach
// the client library; only then leave the session.
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

// ------------------------------------------------------------- unpreparing

// Closing comes first so that a driver never unprepares under an open cursor.
void TVelarSQL::UnprepareOpen() {
  InternalClose();
  if (prepared_) InternalUnprepareOpen();
  InternalClearVariables(openVariables_);
}

// The variables go even when nothing was prepared: values may have been set
// for a preparation that failed.
void TVelarSQL::UnprepareExecute() {
  if (execPrepared_) InternalUnprepareExecute();
  InternalClearVariables(execVariables_);
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

// After this every field selector selects nothing, as FieldCount is 0.
void TVelarSQL::InternalFreeOpenBuffer() {
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
