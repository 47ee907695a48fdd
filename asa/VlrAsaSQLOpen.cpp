// Preparing, opening, closing and unpreparing a query; preparing,
// executing and unpreparing a statement.
#include <cstdio>
#include <cstdlib>

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"
#include "host/strings.h"

namespace velar {

// ------------------------------------------------------------------- query

// A procedure call may give result sets of different shapes, so a query
// whose shape the library cannot tell at prepare is described after each
// open instead (an unversioned library cannot describe an open cursor).
// Once the library has prepared the statement, a failure on the way drops
// it again and frees what was described, so a failed prepare leaves
// nothing behind.
bool TAsaSQL::InternalPrepareOpen(const std::string& SQL) {
  AsaSession()->InternalLibraryHandleNeeded();
  const std::uint32_t mark = ReleaseMark();
  describeAfterOpen_ = false;
  Procs().dbpp_prepare(Ca(), nullptr, szVelarLibraryName, &stmtNum_, SQL.c_str(),
                       static_cast<sqlda*>(nullptr), 1);
  if (!CheckCall(mark)) return false;
  bool result = false;
  try {
    int ignored = 0;
    if (CountDescribed(&stmtNum_, DBDESC_FIXED_SHAPE, mark, ignored)) {
      describeAfterOpen_ = SQLCOUNT(Ca()) == 0 && AsaLibrary.Generation != agUnversioned;
      result =
          (describeAfterOpen_ || InternalDescribePrepare()) && TVelarSQL::InternalPrepareOpen(SQL);
    }
  } catch (...) {
    DropOpenStatement();
    throw;
  }
  if (!result) DropOpenStatement();
  return result;
}

// Also after a lost connection: the descriptor and buffers are memory, and
// dropping on a connection that is gone only fails quietly.
void TAsaSQL::DropOpenStatement() {
  const sqlca saved = *Ca();
  Procs().dbpp_dropstmt(Ca(), nullptr, szVelarLibraryName, &stmtNum_);
  *Ca() = saved;
  FreeSqlda(cursorSqlda_);
  InternalFreeOpenBuffer();
}

// The query side sends no long values ahead: it passes no list.
bool TAsaSQL::InternalBindOpenVariables(host::TStrings* List) {
  FreeSqlda(openBindSqlda_);
  if (!InternalBindVariables(&stmtNum_, openVariables_, &openBindSqlda_, List)) return false;
  return TVelarSQL::InternalBindOpenVariables(List);
}

void TAsaSQL::FormatCursorName(int Number) {
  std::snprintf(cursorName_, sizeof cursorName_, "%s-%d", szVelarLibraryName, Number);
}

// Declares and opens a cursor under a name of its own, trying the next
// number while the library says the name is taken, then stands on the
// first row. A failed open leaves no cursor marked open; one that opened
// but could not be described is closed again.
bool TAsaSQL::InternalOpen(bool ReadMode) {
  const std::uint32_t mark = ReleaseMark();
  cursorOptions_ = static_cast<std::uint16_t>((ReadMode ? DBCUR_READ_ONLY : DBCUR_UPDATE) |
                                              (UniDirectional() ? DBCUR_NO_SCROLL : DBCUR_SCROLL));
  fetchOptions_ = 0;
  if (BeforeOpen) BeforeOpen(this);
  TAsaSession* session = AsaSession();
  int number = stmtNum_;
  do {
    FormatCursorName(number);
    Procs().dbpp_declare(Ca(), cursorName_, nullptr, szVelarLibraryName, &stmtNum_, cursorOptions_);
    Procs().dbpp_open(Ca(), cursorName_, nullptr, szVelarLibraryName, &stmtNum_, openBindSqlda_,
                      static_cast<std::int16_t>(MaxFetchCount()), 0, cursorOptions_);
    Check(nullptr, 0, 0, false);
    if (ReleasedSince(mark)) return Abandon();
    ++number;
  } while (session->LastErrorCode() == DBE_CURSOR_ALREADY_OPEN);
  recordCount_ = std::abs(SQLCOUNT(Ca()));
  if (!CheckCall(mark)) return false;

  bool result = false;
  if (!describeAfterOpen_) {
    fetchRows_ = !ReadMode || HasLongField() ? 1 : allocatedRows_;
    result = TVelarSQL::InternalOpen(ReadMode) && Next();
  } else {
    bool described = false;
    try {
      described = InternalDescribeOpen(ReadMode);
    } catch (...) {
      if (!ReleasedSince(mark)) Procs().dbpp_close(Ca(), cursorName_);
      throw;
    }
    if (!described) {
      if (!ReleasedSince(mark)) Procs().dbpp_close(Ca(), cursorName_);
      return false;
    }
    result = TVelarSQL::InternalOpen(ReadMode) && Next();
  }
  if (result && AfterOpen) AfterOpen(this);
  return result;
}

// The outcome of closing is not judged: the cursor is gone either way.
void TAsaSQL::InternalClose() {
  if (Opened()) Procs().dbpp_close(Ca(), cursorName_);
  onDeletedRow_ = false;
  TVelarSQL::InternalClose();
}

// BeforeClose and AfterClose mark the end of a prepared query, not of each
// cursor.
void TAsaSQL::InternalUnprepareOpen() {
  FreeSqlda(cursorSqlda_);
  FreeSqlda(openBindSqlda_);
  if (!Prepared()) {
    TVelarSQL::InternalUnprepareOpen();
    return;
  }
  if (BeforeClose) BeforeClose(this);
  Procs().dbpp_dropstmt(Ca(), nullptr, szVelarLibraryName, &stmtNum_);
  TVelarSQL::InternalUnprepareOpen();
  if (AfterClose) AfterClose(this);
}

// --------------------------------------------------------------- execute

bool TAsaSQL::InternalPrepareExecute(const std::string& SQL) {
  AsaSession()->InternalLibraryHandleNeeded();
  const std::uint32_t mark = ReleaseMark();
  Procs().dbpp_prepare(Ca(), nullptr, szVelarLibraryName, &execStmtNum_, SQL.c_str(),
                       static_cast<sqlda*>(nullptr), 1);
  if (!CheckCall(mark)) return false;
  return TVelarSQL::InternalPrepareExecute(SQL);
}

// Long values sent ahead for a binding that then failed are dropped at
// once: the execution that would drop them will not run.
bool TAsaSQL::InternalBindExecVariables(host::TStrings* List) {
  const std::uint32_t mark = ReleaseMark();
  FreeSqlda(execBindSqlda_);
  FreeSqlda(execOutSqlda_);
  bool bound = false;
  try {
    bound = InternalBindVariables(&execStmtNum_, execVariables_, &execBindSqlda_, List) &&
            InternalBindOutVariables(&execStmtNum_, execVariables_, &execOutSqlda_, List);
  } catch (...) {
    if (!ReleasedSince(mark)) DropBlobVariables(List);
    throw;
  }
  if (!bound) {
    if (!ReleasedSince(mark)) DropBlobVariables(List);
    return false;
  }
  return TVelarSQL::InternalBindExecVariables(List);
}

// The server variables that carried long values are dropped before the
// outcome is judged, so that an exception cannot leave them behind (the
// next execution could not create them again).
bool TAsaSQL::InternalExecute(host::TStrings* List) {
  const std::uint32_t mark = ReleaseMark();
  Procs().dbpp_execute_into(Ca(), nullptr, szVelarLibraryName, &execStmtNum_, execBindSqlda_,
                            execOutSqlda_);
  SetRowsProcessed(SQLCOUNT(Ca()));
  DropBlobVariables(List);
  const bool result = CheckCall(mark);
  if (result) AutoCommit();
  return result;
}

void TAsaSQL::InternalUnprepareExecute() {
  FreeSqlda(execBindSqlda_);
  FreeSqlda(execOutSqlda_);
  if (ExecPrepared()) Procs().dbpp_dropstmt(Ca(), nullptr, szVelarLibraryName, &execStmtNum_);
  TVelarSQL::InternalUnprepareExecute();
}

// A change is committed at once when the session commits automatically
// and no user transaction is open.
void TAsaSQL::AutoCommit() {
  TAsaSession* session = AsaSession();
  if (session->AutoCommit() && !session->InTransaction()) session->Commit();
}

}  // namespace velar
