// Changes through the open cursor, statements run directly, the query plan,
// and the next result set of a procedure.
#include <cstdlib>
#include <cstring>

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"
#include "host/strings.h"

namespace velar {

namespace {

// An insert descriptor without indicators, released on every path.
class TAsaInsertDescriptor {
 public:
  explicit TAsaInsertDescriptor(int Entries)
      : descriptor_(AsaLibrary.Procs.alloc_sqlda_noind(static_cast<unsigned>(Entries))) {
    if (descriptor_ == nullptr) throw std::bad_alloc();
  }
  ~TAsaInsertDescriptor() { AsaLibrary.Procs.free_sqlda_noind(descriptor_); }
  TAsaInsertDescriptor(const TAsaInsertDescriptor&) = delete;
  TAsaInsertDescriptor& operator=(const TAsaInsertDescriptor&) = delete;
  sqlda* operator->() const { return descriptor_; }
  sqlda* get() const { return descriptor_; }

 private:
  sqlda* descriptor_;
};

bool IsLong(TVelarFieldTypes Type) {
  return Type == ntMemo || Type == ntBlob;
}

}  // namespace

// Sends the long value of column FieldNo ahead into a server variable named
// after the column and lists the variable. A value that cannot be sent ends
// the change: the row is not written with the value missing, and the
// variables sent for earlier columns are dropped again.
bool TAsaSQL::SendLongValue(int FieldNo, host::TStrings& Variables, std::uint32_t Mark) {
  const TVelarFieldDesc& field = fields_[FieldNo];
  TVelarBlobStream* stream = BlobManager()->BlobByName(field.Name);
  const bool sent = UploadBlobVariable(field.Name, stream->Memory(), stream->DataSize());
  if (ReleasedSince(Mark)) return Abandon();
  if (sent) {
    Variables.Add(field.Name);
    return true;
  }
  DropBlobVariables(&Variables);
  return false;
}

// Writes back the changed columns only; columns left as allocated carry no
// name and the library ignores them. A row with no change costs no library
// call at all. Long values go through server variables, dropped after the
// update whatever its outcome, and before its outcome is judged.
bool TAsaSQL::Modify() {
  CheckWritable();
  const std::uint32_t mark = ReleaseMark();
  bool dirty[VelarMaxItems];
  bool changed = false;
  for (int i = 0; i < fieldCount_; ++i) {
    dirty[i] = IsFieldDirty(i);
    changed = changed || dirty[i];
  }
  if (!changed) return true;

  TAsaDescriptor update(static_cast<unsigned>(fieldCount_));
  update->sqld = update->sqln;
  host::TStringList variables;
  const std::uint8_t* data = recordBuffer_.Data();
  for (int i = 0; i < fieldCount_; ++i) {
    const TVelarFieldDesc& field = fields_[i];
    if (dirty[i]) {
      sqlvar& entry = update->sqlvar[i];
      entry.sqlname = cursorSqlda_->sqlvar[i].sqlname;
      if (IsFieldNull(i)) {
        *entry.sqlind = -1;
      } else {
        *entry.sqlind = 0;
        if (IsLong(field.FieldType)) {
          if (!SendLongValue(i, variables, mark)) return false;
          entry.sqltype = DBT_VARIABLE;
          entry.sqldata = const_cast<char*>(field.Name);
        } else {
          entry.sqltype = cursorSqlda_->sqlvar[i].sqltype;
          entry.sqllen = cursorSqlda_->sqlvar[i].sqllen;
          entry.sqldata = const_cast<std::uint8_t*>(data);
        }
      }
    }
    data += field.Size;
  }

  Procs().dbpp_update(Ca(), cursorName_, update.get());
  DropBlobVariables(&variables);
  const bool result = CheckCall(mark);
  if (result) {
    DropDeferredOldImage();
    if (recordSize_ > 0)
      std::memcpy(oldRecordBuffer_.Data(), recordBuffer_.Data(),
                  static_cast<std::size_t>(recordSize_));
    std::memcpy(oldNullIndicators_.Data(), nullIndicators_.Data(),
                static_cast<std::size_t>(fieldCount_));
    BlobManager()->ResetBlobs();
    AutoCommit();
  }
  return result;
}

// Inserts the current row's values; a null column gets no data and is
// stored as NULL. The library writes the stored row back into the cursor's
// block, which becomes the current row.
bool TAsaSQL::Append() {
  CheckWritable();
  const std::uint32_t mark = ReleaseMark();
  TAsaInsertDescriptor insert(fieldCount_);
  insert->sqld = insert->sqln;
  host::TStringList variables;
  const std::uint8_t* data = recordBuffer_.Data();
  for (int i = 0; i < fieldCount_; ++i) {
    const TVelarFieldDesc& field = fields_[i];
    sqlvar& entry = insert->sqlvar[i];
    entry.sqlname = cursorSqlda_->sqlvar[i].sqlname;
    if (!IsLong(field.FieldType)) {
      entry.sqltype = cursorSqlda_->sqlvar[i].sqltype;
      entry.sqllen = cursorSqlda_->sqlvar[i].sqllen;
    }
    if (!IsFieldNull(i)) {
      if (IsLong(field.FieldType)) {
        if (!SendLongValue(i, variables, mark)) return false;
        entry.sqltype = DBT_VARIABLE;
        entry.sqldata = const_cast<char*>(field.Name);
      } else {
        entry.sqldata = const_cast<std::uint8_t*>(data);
      }
    }
    data += field.Size;
  }

  SettleOldImage();  // the library writes the stored row into the block
  Procs().dbpp_put_into(Ca(), cursorName_, insert.get(), cursorSqlda_);
  DropBlobVariables(&variables);
  LoadCurrentRow();
  // A long value written back only in part (its row slot is short) is no
  // failure: the row was stored, and the value is read through its stream.
  const bool result =
      CheckCall(mark) || (!ReleasedSince(mark) && GetLastErrorCode() == DBE_TRUNCATED);
  if (result) AutoCommit();
  return result;
}

// The position stays on the deleted row; moving off it is the caller's
// business. The rows behind it move up by one: the count drops, and the next
// row takes the deleted row's number.
bool TAsaSQL::Delete() {
  CheckWritable();
  const std::uint32_t mark = ReleaseMark();
  Procs().dbpp_delete(Ca(), cursorName_, nullptr, nullptr);
  const bool result = CheckCall(mark);
  if (result) {
    onDeletedRow_ = true;
    if (recordCount_ > 0) --recordCount_;
    AutoCommit();
  }
  return result;
}

// The text goes as it is, without OEM conversion.
bool TAsaSQL::ExecuteImmediate(const std::string& SQL) {
  AsaSession()->InternalLibraryHandleNeeded();
  const std::uint32_t mark = ReleaseMark();
  Procs().dbpp_execute_imm(Ca(), SQL.c_str(), 2);
  SetRowsProcessed(SQLCOUNT(Ca()));
  const bool result = CheckCall(mark);
  if (result) AutoCommit();
  return result;
}

// The library writes at most 300 bytes of the plan.
std::string TAsaSQL::Explain() {
  std::string plan;
  CheckOpened();
  const std::uint32_t mark = ReleaseMark();
  constexpr int kPlanLength = 300;
  char buffer[kPlanLength + 1] = {};
  TAsaDescriptor descriptor(1);
  descriptor->sqld = descriptor->sqln;
  sqlvar& entry = descriptor->sqlvar[0];
  entry.sqltype = DBT_STRING;
  entry.sqllen = kPlanLength;
  entry.sqldata = buffer;
  Procs().dbpp_explain(Ca(), cursorName_, 0, descriptor.get());
  if (CheckCall(mark)) plan.assign(buffer, ::strnlen(buffer, sizeof buffer));
  return plan;
}

// The next result set may have another shape: it is described afresh and
// the cursor stands on its first row, as after an open.
bool TAsaSQL::Resume() {
  CheckOpened();
  const std::uint32_t mark = ReleaseMark();
  Procs().dbpp_resume(Ca(), cursorName_);
  recordCount_ = std::abs(SQLCOUNT(Ca()));
  if (!CheckCall(mark)) return false;
  bufferIndex_ = 0;
  bufferRows_ = 0;
  rowNo_ = -1;
  bof_ = true;
  eof_ = true;
  return InternalDescribeOpen(ReadOnly()) && Next();
}

}  // namespace velar
