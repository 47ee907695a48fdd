// TVelarSQL: the driver-independent statement component.
//
// One statement carries two sides at once: a query that is prepared and
// opened as a cursor (the open side), and a statement that is prepared and
// executed without a cursor (the execute side), each with its own text,
// prepared flag and host variables. This part holds the link to the session,
// the checks it forwards there, and the frames that unprepare either side,
// which the session runs when it disconnects. The rest of the statement
// protocol (preparing, binding, opening, executing, navigation and field
// access) joins with the statement layer, in the same virtual order.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>

#include "base/VlrMessages.h"
#include "base/VlrSession.h"
#include "base/VlrTypes.h"
#include "host/component.h"

namespace velar {

class TVelarSQL : public host::TComponent {
 public:
  explicit TVelarSQL(host::TComponent* AOwner);
  // Runs the destroy frame if the driver's destructor has not.
  ~TVelarSQL() override;

  // ---- Session link. -------------------------------------------------------
  // The linked session. Without one it raises "The session property is not
  // linked to a session", except at design time, where it answers nullptr so
  // that the property can be shown empty.
  TVelarSession* GetSession() const;
  // Moves the statement to Value's registry (or to none); setting the same
  // session again moves it to the end of that session's list.
  void SetSession(TVelarSession* Value);
  bool IsSessionAssigned() const { return session_ != nullptr; }

  // The linked session's Check, with the same arguments.
  bool Check(void* Context, int Param1, int Param2, bool WantExceptions);
  // Raises through the linked session, so that its LastError holds the text.
  template <class E = EVelarException>
  requires std::derived_from<E, host::Exception>
  [[noreturn]] void RaiseLastError(const std::string& Message) {
    RequireSession()->RaiseLastError<E>(Message);
  }

  // ---- Unpreparing. --------------------------------------------------------
  // Closes the cursor, unprepares the query if it is prepared, and clears the
  // open side's host variables.
  void UnprepareOpen();
  // Unprepares the execute side if it is prepared and clears its variables.
  void UnprepareExecute();

  // ---- State. ----------------------------------------------------------------
  bool ReadOnly() const { return readOnly_; }
  bool Prepared() const { return prepared_; }
  bool ExecPrepared() const { return execPrepared_; }
  bool Opened() const { return opened_; }
  const std::string& TableName() const { return tableName_; }
  std::int32_t FieldCount() const { return fieldCount_; }
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

  // ---- Virtual operations, in the relative order of the statement protocol.
 protected:
  // Forgets the cursor position; the buffers and ReadOnly stay.
  virtual void InternalClose();
  // Frees the open side's buffers and forgets its text and prepared state.
  virtual void InternalUnprepareOpen();
  // Forgets the execute side's text and prepared state.
  virtual void InternalUnprepareExecute();
  // Frees a variable set's buffers and empties it.
  virtual void InternalClearVariables(TVelarVariables& Variables);

 protected:
  // Frees the row and fetch buffers and forgets the row layout.
  void InternalFreeOpenBuffer();
  // The destroy frame: unprepare both sides, then leave the session. A
  // driver's destructor calls it first, while its overrides can still run;
  // later calls do nothing. Failures are swallowed, as nobody can receive
  // them from a destructor and the session link must be undone regardless.
  void BeforeDestruction() noexcept;
  // The linked session, also at design time: for callers that cannot work
  // without one.
  TVelarSession* RequireSession() const;

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

  TVelarSession* session_ = nullptr;
  bool destroyFrameDone_ = false;
};

}  // namespace velar
