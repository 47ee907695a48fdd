// TAsaSQL: the statement of the ASA driver, and its blob stream.
//
// It fills in the base statement's steps for the ASA client library: it
// prepares a query and decides whether its result shape is known then or
// only after each open, describes result columns into field descriptors and
// a cursor SQLDA that receives several rows per fetch, binds host variables
// (long values through temporary server variables), declares and opens a
// named cursor, fetches in blocks, changes the current row through the
// cursor, executes statements with input and output variables, and encodes
// every field type in the row buffer. All calls go through the session's
// SQLCA and are judged by the session's Check with the statement's
// WantExceptions.
#pragma once

#include <cstdint>
#include <string>

#include "asa/VlrAsaSessionPublic.h"
#include "base/VlrBase.h"
#include "host/datetime.h"

namespace host {
class TPropertyTable;
}

namespace velar {

struct TAsaProcs;

// The ASA timestamp record of type 390: 14 bytes, little-endian, no
// padding; the same layout as the client library's dbt_timestamp.
#pragma pack(push, 1)
struct TAsaTimeStamp {
  std::int16_t year;
  std::uint8_t month;        // 0 = January
  std::uint8_t day_of_week;  // 0 = Sunday
  std::int16_t day_of_year;  // 0 = 1 January
  std::uint8_t day;          // 1-based
  std::uint8_t hour;
  std::uint8_t minute;
  std::uint8_t second;
  std::int32_t microsecond;
};
#pragma pack(pop)

// The date and time of a record (microseconds, day of week and day of year
// are not read); 0 when the fields form no valid date and time.
host::TDateTime GetAsaTimeStamp(const TAsaTimeStamp& Stamp);
// Fills every field of the record from a date and time; a value that is no
// valid date leaves the fields written so far.
void PutAsaTimeStamp(TAsaTimeStamp& Stamp, host::TDateTime Value);

class TAsaSQL;

// A long value of the current row, loaded from the server in pieces on
// first need unless the application wrote one.
class TAsaBlobStream : public TVelarBlobStream {
 public:
  using TVelarBlobStream::TVelarBlobStream;
  ~TAsaBlobStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  // What was written locally; otherwise the current row's value, loaded
  // again from the server (0 when that fails or the value is empty).
  std::int32_t GetBlobSize() override;

  // The largest piece one call delivers: a binary host variable's bytes.
  static constexpr std::int32_t kPieceSize = 32767;
};

class TAsaSQL : public TVelarSQL {
 public:
  explicit TAsaSQL(host::TComponent* AOwner);
  ~TAsaSQL() override;

  // The published properties with their declared stream defaults.
  static const host::TPropertyTable& Properties();

  // ---- Virtual operations, in the base's order. -----------------------------
 protected:
  // Description is the SQLDA; see the type table in VlrAsaSQLDescribe.cpp.
  bool InternalSetFieldDef(int Index, void* Description, TVelarFieldDesc& Field,
                           int LongSize) override;
  bool InternalPrepareOpen(const std::string& SQL) override;
  bool InternalDescribePrepare() override;
  bool InternalBindOpenVariables(host::TStrings* List) override;
  bool InternalOpen(bool ReadMode) override;
  bool InternalDescribeOpen(bool ReadMode) override;
  void InternalClose() override;
  void InternalUnprepareOpen() override;
  bool InternalPrepareExecute(const std::string& SQL) override;
  bool InternalBindExecVariables(host::TStrings* List) override;
  bool InternalExecute(host::TStrings* List) override;
  void InternalUnprepareExecute() override;
  int InternalGetVariableLength(TVelarFieldTypes FieldType) override;
  int InternalGetVariableExtType(TVelarFieldTypes FieldType) override;
  // Statement points at a 16-bit statement number, Descriptor at the
  // sqlda* that receives the descriptor.
  bool InternalBindVariables(void* Statement, TVelarVariables& Variables, void* Descriptor,
                             host::TStrings* List) override;
  bool InternalBindOutVariables(void* Statement, TVelarVariables& Variables, void* Descriptor,
                                host::TStrings* List) override;
  TVelarBlobStream* InternalCreateBlobStream(const std::string& FieldName) override;

 public:
  void GetFieldData(const std::uint8_t* Buffer, int Offset, int Size, TVelarFieldTypes FieldType,
                    TVelarBlobStream* Stream, host::Variant& Value) override;
  void PutFieldData(std::uint8_t* Buffer, int Offset, int Size, TVelarFieldTypes FieldType,
                    const host::Variant& Value, TVelarBlobStream* Stream) override;
  bool First() override;
  bool Last() override;
  bool Next() override;
  bool Prev() override;
  bool Seek(int Row) override;
  bool Modify() override;
  bool Append() override;
  bool Delete() override;

  // ---- Operations of the driver's own. --------------------------------------
  // Runs one statement on the session's connection (no cursor or
  // preparation needed); commits after it under AutoCommit.
  bool ExecuteImmediate(const std::string& SQL);
  // The query plan of the open cursor, or an empty string.
  std::string Explain();
  // Moves the cursor of a procedure to its next result set, describes it
  // and stands on its first row.
  bool Resume();

  // ---- State. ------------------------------------------------------------------
  const char* CursorName() const { return cursorName_; }
  std::int16_t StmtNum() const { return stmtNum_; }
  std::int16_t ExecStmtNum() const { return execStmtNum_; }
  bool DescribeAfterOpen() const { return describeAfterOpen_; }
  std::uint16_t CursorOptions() const { return cursorOptions_; }
  std::uint16_t FetchOptions() const { return fetchOptions_; }
  const sqlda* CursorSqlda() const { return cursorSqlda_; }

 private:
  friend class TAsaBlobStream;  // reads the cursor and the session

  // The linked ASA session (raises without one) and its SQLCA.
  TAsaSession* AsaSession() const;
  sqlca* Ca() const { return AsaSession()->SQLCA(); }
  static const TAsaProcs& Procs();
  // Judges the last call with WantExceptions; false also when the call lost
  // the connection and the disconnect released this statement since Mark.
  bool CheckCall(std::uint32_t Mark);
  // Ends a step whose statement was released under it (the connection was
  // lost): raises the session's error when WantExceptions, else false.
  bool Abandon();
  // Descriptors from the library, released through it.
  static sqlda* AllocSqlda(int Entries);
  static void FreeSqlda(sqlda*& Descriptor);

  // Describing (VlrAsaSQLDescribe.cpp).
  static void CopyName(const sqlname& Source, char* Name);
  bool CountDescribed(std::int16_t* Number, std::uint16_t What, std::uint32_t Mark, int& Count);
  void DescribeInto(std::int16_t* Number, std::uint16_t What, int Count, sqlda*& Descriptor);
  void CheckFieldLimit(int Count);
  int RowsPerFetch(int Count) const;
  void LayOutCursor();
  // Undoes a preparation that failed after the statement was prepared.
  void DropOpenStatement();

  // Binding (VlrAsaSQLBind.cpp).
  bool ExecuteDirect(const std::string& SQL, const host::Variant& Value);
  bool UploadBlobVariable(const std::string& Name, const void* Data, std::int32_t Size);
  void DropBlobVariables(host::TStrings* List);
  bool SendLongValue(int FieldNo, host::TStrings& Variables, std::uint32_t Mark);

  // Cursor (VlrAsaSQLFetch.cpp, VlrAsaSQLOpen.cpp).
  void FormatCursorName(int Number);
  // Zeroes the block and fetches into it; false when the statement was
  // released meanwhile (nothing may be touched then).
  bool FetchBlock(std::uint16_t Orientation, std::int32_t Offset, std::uint16_t Width,
                  std::uint32_t Mark);
  void LoadCurrentRow();
  bool HasLongField() const;
  void CheckOpened();
  void CheckWritable();
  void AutoCommit();
  // Whether a long value must come from the stream rather than the row.
  bool NeedsBlobStream(TVelarBlobStream* Stream) const;
  // Text of the row buffer, translated from OEM when the session converts.
  void ReadText(const char* Text, std::size_t Length, host::Variant& Value);

  sqlda* cursorSqlda_ = nullptr;
  sqlda* openBindSqlda_ = nullptr;
  std::int16_t stmtNum_ = 0;
  sqlda* execBindSqlda_ = nullptr;
  sqlda* execOutSqlda_ = nullptr;
  std::int16_t execStmtNum_ = 0;
  bool describeAfterOpen_ = false;
  char cursorName_[31] = {};
  std::uint16_t cursorOptions_ = 0;
  std::uint16_t fetchOptions_ = 0;
  // The current row was deleted through the cursor: the next row takes its
  // number, so the next move forward does not count up.
  bool onDeletedRow_ = false;
  std::string textBuffer_;  // reused for OEM translation of texts read
};

}  // namespace velar
