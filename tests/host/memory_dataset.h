// An in-memory data set for the record-set tests: a table of rows written
// against TDataSet's protocol alone, the way a driver writes it, that records
// every driver call in a trace so that tests can check what the framework
// asked of its driver and in what order. Data links that trace their events
// into the same list show how driver calls and data events interleave.
//
// Record buffer: [row data R][calculated fields C][row id 4][flag 1][3 spare]
// [null flags N]. A bookmark is the row's id, which stays valid while rows
// before it come and go. Blob and memo values live beside the row; while a
// record is edited, values written through a blob stream wait in the data set
// until the post.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/db_link.h"
#include "host/fields.h"
#include "host/fields_defs.h"
#include "host/stream.h"
#include "host/typinfo.h"

namespace dbtest {

using host::TDataSet;
using host::TField;
using host::TRecordBuffer;
using host::Variant;

// Everything the driver was asked and every event a tracing link saw, in
// order.
using TTrace = std::vector<std::string>;

class TMemoryDataSet : public TDataSet {
 public:
  struct TColumn {
    std::string Name;
    host::TFieldType Type;
    int Size = 0;
  };

  explicit TMemoryDataSet(host::TComponent* Owner = nullptr) : TDataSet(Owner) {}
  ~TMemoryDataSet() override {
    Destroying();
    Close();
  }

  static const host::TPropertyTable& Properties() {
    static const host::TPropertyTable table(
        TDataSet::Properties(),
        {
            host::BoolProp("Active", &TDataSet::Active, &TDataSet::SetActive, false),
            host::BoolProp("AutoCalcFields", &TDataSet::AutoCalcFields,
                           &TDataSet::SetAutoCalcFields, true),
            host::PersistentProp("FieldDefs", &TDataSet::FieldDefs),
            host::BoolProp("ReadOnly", &TMemoryDataSet::ReadOnly, &TMemoryDataSet::SetReadOnly,
                           false),
            host::EventProp("AfterScroll", &TDataSet::AfterScroll),
            host::EventProp("OnCalcFields", &TDataSet::OnCalcFields),
        });
    return table;
  }

  // The columns, as field definitions numbered from 1.
  void SetColumns(const std::vector<TColumn>& Columns) {
    FieldDefs()->Clear();
    for (const TColumn& column : Columns)
      FieldDefs()->Add(column.Name, column.Type, column.Size);
    rows_.clear();
  }

  // A row stored directly, values in column order (Null for none).
  void AddRow(std::initializer_list<Variant> Values) {
    ComputeRowLayout();
    TRow row = NewRow();
    std::size_t column = 0;
    for (const Variant& value : Values) {
      if (column >= columns_.size()) break;
      StoreValue(row, column++, value);
    }
    rows_.push_back(std::move(row));
  }

  TTrace& Trace() { return *trace_; }
  // Shares another trace, so that several data sets and links write one list.
  void ShareTrace(TTrace* Trace) { trace_ = Trace; }
  // The ids of the rows in table order.
  std::vector<int> RowIds() const {
    std::vector<int> ids;
    for (const TRow& row : rows_)
      ids.push_back(row.Id);
    return ids;
  }
  // The stored value of a column of the row with that id, as text.
  std::string StoredText(int Id, const std::string& Column) const {
    const TRow* row = FindRow(Id);
    std::size_t column = ColumnIndex(Column);
    if (row == nullptr || row->Nulls[column] != 0) return "<null>";
    return DecodeText(*row, column);
  }
  int Allocations() const { return allocations_; }
  int LiveBuffers() const { return liveBuffers_; }

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  // Translate converts to upper case on the way to the "driver" and to lower
  // case on the way back, so that both directions show.
  bool Converting = false;
  // The next post or delete fails with this message, as a driver's would.
  std::string FailNextChange;
  // Records nothing in the trace (whose strings would allocate).
  bool Quiet = false;

  // Lets tests compare bookmarks and records directly.
  using TDataSet::CursorPosChanged;

 protected:
  // ------------------------------------------------------- the protocol
  void ClearCalcFields(TRecordBuffer Buffer) override {
    std::memset(Buffer + recordSize_, 0, static_cast<std::size_t>(CalcFieldsSize()));
  }
  bool GetCanModify() override { return TDataSet::GetCanModify() && !readOnly_; }

 public:
  int GetRecordCount() override {
    CheckActive();
    return static_cast<int>(rows_.size());
  }
  int GetRecNo() override {
    CheckActive();
    TRecordBuffer buffer = State() == host::dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (buffer == nullptr || IsEmpty()) return 0;
    return IndexOfId(IdOf(buffer)) + 1;
  }
  void SetRecNo(int Value) override {
    CheckBrowseMode();
    if (Value == RecNo()) return;
    DoBeforeScroll();
    Log("SetRecNo ", Value);
    cursor_ = std::clamp(Value - 1, 0, static_cast<int>(rows_.size()) - 1);
    Resync(host::rmCenter);
    DoAfterScroll();
  }

 protected:
  void InternalRefresh() override { Log("InternalRefresh"); }

  TRecordBuffer AllocRecordBuffer() override {
    ++allocations_;
    ++liveBuffers_;
    return new char[static_cast<std::size_t>(bufferSize_)]();
  }
  void FreeRecordBuffer(TRecordBuffer& Buffer) override {
    delete[] Buffer;
    Buffer = nullptr;
    --liveBuffers_;
  }
  void GetBookmarkData(TRecordBuffer Buffer, void* Data) override {
    std::memcpy(Data, Buffer + BookmarkOffset(), 4);
  }
  host::TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override {
    return static_cast<host::TBookmarkFlag>(Buffer[BookmarkOffset() + 4]);
  }

 public:
  bool GetFieldData(TField* Field, void* Buffer) override {
    TRecordBuffer record = StateBuffer();
    if (record == nullptr) return false;
    auto size = static_cast<std::size_t>(Field->DataSize());
    if (Field->FieldNo() > 0) {
      auto column = static_cast<std::size_t>(Field->FieldNo() - 1);
      if (State() == host::dsOldValue) {
        const TRow* row = FindRow(IdOf(record));
        if (row == nullptr || row->Nulls[column] != 0) return false;
        if (Buffer != nullptr) std::memcpy(Buffer, row->Data.data() + offsets_[column], size);
        return true;
      }
      if (record[NullOffset() + column] != 0) return false;
      if (Buffer != nullptr) std::memcpy(Buffer, record + offsets_[column], size);
      return true;
    }
    if (State() != host::dsBrowse && State() != host::dsEdit && State() != host::dsInsert &&
        State() != host::dsCalcFields)
      return false;
    TRecordBuffer slot = record + recordSize_ + Field->Offset();
    if (slot[0] == 0) return false;
    if (Buffer != nullptr) std::memcpy(Buffer, slot + 1, size);
    return true;
  }

 protected:
  host::TGetResult GetRecord(TRecordBuffer Buffer, host::TGetMode GetMode, bool) override {
    static const char* const kModes[] = {"current", "next", "prior"};
    auto count = static_cast<int>(rows_.size());
    host::TGetResult result = host::grOK;
    switch (GetMode) {
      case host::gmNext:
        if (cursor_ + 1 < count) {
          ++cursor_;
        } else {
          cursor_ = count;
          result = host::grEOF;
        }
        break;
      case host::gmPrior:
        if (cursor_ - 1 >= 0 && count > 0) {
          cursor_ = std::min(cursor_ - 1, count - 1);
        } else {
          cursor_ = -1;
          result = host::grBOF;
        }
        break;
      case host::gmCurrent:
        if (cursor_ < 0)
          result = host::grBOF;
        else if (cursor_ >= count)
          result = host::grEOF;
        break;
    }
    if (result != host::grOK) {
      Log("GetRecord(", kModes[GetMode], ") -> ", result == host::grBOF ? "BOF" : "EOF");
      return result;
    }
    const TRow& row = rows_[static_cast<std::size_t>(cursor_)];
    Log("GetRecord(", kModes[GetMode], ") -> ", row.Id);
    std::memcpy(Buffer, row.Data.data(), row.Data.size());
    std::memcpy(Buffer + NullOffset(), row.Nulls.data(), row.Nulls.size());
    std::memcpy(Buffer + BookmarkOffset(), &row.Id, 4);
    Buffer[BookmarkOffset() + 4] = host::bfCurrent;
    GetCalcFields(Buffer);
    return host::grOK;
  }
  int GetRecordSize() override { return recordSize_; }
  void InternalAddRecord(TRecordBuffer Buffer, bool Append) override {
    Fail("InternalAddRecord");
    TRow row = RowFrom(Buffer);
    int at = Append ? static_cast<int>(rows_.size())
                    : std::clamp(cursor_, 0, static_cast<int>(rows_.size()));
    Log("InternalAddRecord ", row.Id, " at ", at);
    rows_.insert(rows_.begin() + at, std::move(row));
    cursor_ = at;
  }
  void InternalClose() override {
    Log("InternalClose");
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    opened_ = false;
    pendingBlobs_.clear();
  }
  void InternalDelete() override {
    Fail("InternalDelete");
    if (cursor_ < 0 || cursor_ >= static_cast<int>(rows_.size())) host::DatabaseError("No row");
    Log("InternalDelete ", rows_[static_cast<std::size_t>(cursor_)].Id);
    rows_.erase(rows_.begin() + cursor_);
  }
  void InternalFirst() override {
    Log("InternalFirst");
    cursor_ = -1;
  }
  void InternalGotoBookmark(const void* Bookmark) override {
    int id = 0;
    std::memcpy(&id, Bookmark, 4);
    Log("InternalGotoBookmark ", id);
    cursor_ = IndexOfId(id);
    if (cursor_ < 0) cursor_ = static_cast<int>(rows_.size()) + 1;
  }
  void InternalInitFieldDefs() override { Log("InternalInitFieldDefs"); }
  void InternalInitRecord(TRecordBuffer Buffer) override {
    std::memset(Buffer, 0, static_cast<std::size_t>(recordSize_));
    std::memset(Buffer + NullOffset(), 1, columns_.size());
  }
  void InternalLast() override {
    Log("InternalLast");
    cursor_ = static_cast<int>(rows_.size());
  }
  void InternalOpen() override {
    Log("InternalOpen");
    InternalInitFieldDefs();
    ComputeRowLayout();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    SetBookmarkSize(4);
    bufferSize_ = NullOffset() + static_cast<int>(columns_.size());
    cursor_ = -1;
    opened_ = true;
  }
  // An insert goes before the record its bookmark names (or at the end);
  // an edit replaces the row the cursor stands on.
  void InternalPost() override {
    Fail("InternalPost");
    TRecordBuffer buffer = ActiveBuffer();
    if (State() == host::dsInsert) {
      TRow row = RowFrom(buffer);
      int at = static_cast<int>(rows_.size());
      if (GetBookmarkFlag(buffer) == host::bfInserted) at = std::max(IndexOfId(IdOf(buffer)), 0);
      if (GetBookmarkFlag(buffer) == host::bfBOF) at = 0;
      Log("InternalPost insert ", row.Id, " at ", at);
      rows_.insert(rows_.begin() + at, std::move(row));
      cursor_ = at;
    } else {
      TRow& row = rows_.at(static_cast<std::size_t>(cursor_));
      Log("InternalPost edit ", row.Id);
      std::memcpy(row.Data.data(), buffer, row.Data.size());
      std::memcpy(row.Nulls.data(), buffer + NullOffset(), row.Nulls.size());
      for (auto& [column, value] : pendingBlobs_)
        row.Blobs[column] = value;
    }
    pendingBlobs_.clear();
  }
  void InternalSetToRecord(TRecordBuffer Buffer) override {
    Log("InternalSetToRecord ", IdOf(Buffer));
    cursor_ = IndexOfId(IdOf(Buffer));
    if (cursor_ < 0) cursor_ = static_cast<int>(rows_.size());
  }
  bool IsCursorOpen() override { return opened_; }
  void SetBookmarkFlag(TRecordBuffer Buffer, host::TBookmarkFlag Value) override {
    Buffer[BookmarkOffset() + 4] = static_cast<char>(Value);
  }
  void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override {
    std::memcpy(Buffer + BookmarkOffset(), Data, 4);
  }
  void SetFieldData(TField* Field, const void* Buffer) override {
    TRecordBuffer record = StateBuffer();
    if (record == nullptr) host::DatabaseError("No record to write to", this);
    auto size = static_cast<std::size_t>(Field->DataSize());
    if (Field->FieldNo() > 0) {
      auto column = static_cast<std::size_t>(Field->FieldNo() - 1);
      if (Buffer != nullptr) std::memcpy(record + offsets_[column], Buffer, size);
      record[NullOffset() + column] = Buffer == nullptr ? 1 : 0;
    } else {
      TRecordBuffer slot = record + recordSize_ + Field->Offset();
      slot[0] = Buffer == nullptr ? 0 : 1;
      if (Buffer != nullptr) std::memcpy(slot + 1, Buffer, size);
    }
    if (State() != host::dsCalcFields && State() != host::dsNewValue)
      DataEvent(host::deFieldChange, reinterpret_cast<std::intptr_t>(Field));
  }

 public:
  bool BookmarkValid(const host::TBookmark& Bookmark) override {
    if (Bookmark.size() != 4) return false;
    int id = 0;
    std::memcpy(&id, Bookmark.data(), 4);
    return IndexOfId(id) >= 0;
  }
  int CompareBookmarks(const host::TBookmark& Bookmark1,
                       const host::TBookmark& Bookmark2) override {
    if (Bookmark1.empty() || Bookmark2.empty())
      return TDataSet::CompareBookmarks(Bookmark1, Bookmark2);
    int id1 = 0;
    int id2 = 0;
    std::memcpy(&id1, Bookmark1.data(), 4);
    std::memcpy(&id2, Bookmark2.data(), 4);
    int a = IndexOfId(id1);
    int b = IndexOfId(id2);
    return a < b ? -1 : (a > b ? 1 : 0);
  }
  std::unique_ptr<host::TStream> CreateBlobStream(TField* Field,
                                                  host::TBlobStreamMode Mode) override {
    TRecordBuffer record = StateBuffer();
    if (record == nullptr) return nullptr;
    auto column = static_cast<std::size_t>(Field->FieldNo() - 1);
    std::string value;
    auto pending = pendingBlobs_.find(column);
    if (pending != pendingBlobs_.end()) {
      value = pending->second;
    } else if (const TRow* row = FindRow(IdOf(record)); row != nullptr) {
      value = row->Blobs[column];
    }
    return std::make_unique<TBlobStream>(*this, Field, record, column, Mode, std::move(value));
  }
  int Translate(const char* Src, char* Dest, bool ToOem) override {
    int length = TDataSet::Translate(Src, Dest, ToOem);
    if (!Converting) return length;
    Log(ToOem ? "Translate to driver" : "Translate from driver");
    for (int i = 0; i < length; ++i)
      Dest[i] = ToOem ? static_cast<char>(std::toupper(static_cast<unsigned char>(Dest[i])))
                      : static_cast<char>(std::tolower(static_cast<unsigned char>(Dest[i])));
    return length;
  }

 protected:
  void InternalCancel() override {
    Log("InternalCancel");
    pendingBlobs_.clear();
  }
  void InternalEdit() override {
    Fail("InternalEdit");
    Log("InternalEdit");
    pendingBlobs_.clear();
  }
  void InternalInsert() override {
    Log("InternalInsert");
    pendingBlobs_.clear();
  }

 private:
  struct TRow {
    int Id = 0;
    std::vector<char> Data;
    std::vector<char> Nulls;
    std::vector<std::string> Blobs;
  };

  // A stream over a copy of a blob value; closing a stream that wrote puts
  // the value in the record being edited, as a driver's blob stream does.
  class TBlobStream : public host::TStringStream {
   public:
    TBlobStream(TMemoryDataSet& DataSet, TField* Field, TRecordBuffer Record, std::size_t Column,
                host::TBlobStreamMode Mode, std::string Value)
        : host::TStringStream(Mode == host::bmWrite ? std::string() : std::move(Value)),
          dataSet_(DataSet),
          field_(Field),
          record_(Record),
          column_(Column),
          mode_(Mode) {}
    ~TBlobStream() override {
      if (mode_ == host::bmRead || (!written_ && mode_ != host::bmWrite)) return;
      dataSet_.pendingBlobs_[column_] = DataString();
      record_[dataSet_.NullOffset() + column_] = written_ || !DataString().empty() ? 0 : 1;
      if (auto* blob = dynamic_cast<host::TBlobField*>(field_)) blob->SetModified(true);
      dataSet_.DataEvent(host::deFieldChange, reinterpret_cast<std::intptr_t>(field_));
    }
    std::int64_t Write(const void* Buffer, std::int64_t Count) override {
      written_ = true;
      return host::TStringStream::Write(Buffer, Count);
    }

   private:
    TMemoryDataSet& dataSet_;
    TField* field_;
    TRecordBuffer record_;
    std::size_t column_;
    host::TBlobStreamMode mode_;
    bool written_ = false;
  };

  // Joins text and numbers into one entry; nothing at all when quiet.
  template <class... Parts>
  void Log(const Parts&... Entry) {
    if (Quiet) return;
    std::string entry;
    (AppendPart(entry, Entry), ...);
    trace_->push_back(std::move(entry));
  }
  static void AppendPart(std::string& Entry, const char* Text) { Entry += Text; }
  static void AppendPart(std::string& Entry, int Number) { Entry += std::to_string(Number); }

  void Fail(const char* Step) {
    if (FailNextChange.empty()) return;
    std::string message = std::move(FailNextChange);
    FailNextChange.clear();
    Log(Step, " failed");
    host::DatabaseError(message, this);
  }

  // The buffer of the current state, as every driver chooses it.
  TRecordBuffer StateBuffer() {
    switch (State()) {
      case host::dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
      case host::dsEdit:
      case host::dsInsert:
      case host::dsNewValue:
      case host::dsOldValue:
        return ActiveBuffer();
      case host::dsCalcFields:
        return CalcBuffer();
      default:
        return nullptr;
    }
  }

  int BookmarkOffset() const { return recordSize_ + CalcFieldsSize(); }
  int NullOffset() const { return BookmarkOffset() + 8; }
  static int IdOf(TRecordBuffer Buffer, int Offset) {
    int id = 0;
    std::memcpy(&id, Buffer + Offset, 4);
    return id;
  }
  int IdOf(TRecordBuffer Buffer) const { return IdOf(Buffer, BookmarkOffset()); }

  int IndexOfId(int Id) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].Id == Id) return static_cast<int>(i);
    return -1;
  }
  const TRow* FindRow(int Id) const {
    int index = IndexOfId(Id);
    return index < 0 ? nullptr : &rows_[static_cast<std::size_t>(index)];
  }
  std::size_t ColumnIndex(const std::string& Name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (host::SameText(columns_[i].Name, Name)) return i;
    throw host::EDatabaseError("no column " + Name);
  }

  // The bytes each column's value takes in a field buffer.
  static int DataSizeOf(const TColumn& Column) {
    switch (Column.Type) {
      case host::ftString:
        return Column.Size + 1;
      case host::ftSmallint:
      case host::ftWord:
      case host::ftBoolean:
        return 2;
      case host::ftInteger:
      case host::ftAutoInc:
      case host::ftDate:
      case host::ftTime:
        return 4;
      case host::ftFloat:
      case host::ftCurrency:
      case host::ftDateTime:
        return 8;
      case host::ftBytes:
        return Column.Size;
      default:
        return 0;
    }
  }

  void ComputeRowLayout() {
    columns_.clear();
    offsets_.clear();
    recordSize_ = 0;
    for (int i = 0; i < FieldDefs()->Count(); ++i) {
      host::TFieldDef* def = FieldDefs()->Items(i);
      columns_.push_back({def->Name(), def->DataType(), def->Size()});
      offsets_.push_back(static_cast<std::size_t>(recordSize_));
      recordSize_ += DataSizeOf(columns_.back());
    }
  }

  TRow NewRow() {
    TRow row;
    row.Id = nextId_++;
    row.Data.assign(static_cast<std::size_t>(recordSize_), '\0');
    row.Nulls.assign(columns_.size(), 1);
    row.Blobs.assign(columns_.size(), std::string());
    return row;
  }

  TRow RowFrom(TRecordBuffer Buffer) {
    TRow row = NewRow();
    std::memcpy(row.Data.data(), Buffer, row.Data.size());
    std::memcpy(row.Nulls.data(), Buffer + NullOffset(), row.Nulls.size());
    for (auto& [column, value] : pendingBlobs_)
      row.Blobs[column] = value;
    return row;
  }

  // A value in the column's field-buffer format.
  void StoreValue(TRow& Row, std::size_t Column, const Variant& Value) {
    if (Value.IsNull()) return;
    Row.Nulls[Column] = 0;
    char* at = Row.Data.data() + offsets_[Column];
    const TColumn& column = columns_[Column];
    switch (column.Type) {
      case host::ftString: {
        std::string text = Value.AsString().substr(0, static_cast<std::size_t>(column.Size));
        std::memcpy(at, text.c_str(), text.size() + 1);
        break;
      }
      case host::ftSmallint:
      case host::ftWord:
      case host::ftBoolean: {
        auto value = static_cast<std::int16_t>(
            column.Type == host::ftBoolean ? (Value.AsBoolean() ? 1 : 0) : Value.AsInteger());
        std::memcpy(at, &value, 2);
        break;
      }
      case host::ftInteger:
      case host::ftAutoInc: {
        std::int32_t value = Value.AsInteger();
        std::memcpy(at, &value, 4);
        break;
      }
      case host::ftFloat:
      case host::ftCurrency: {
        double value = Value.AsDouble();
        std::memcpy(at, &value, 8);
        break;
      }
      case host::ftDate:
      case host::ftTime: {
        host::TTimeStamp stamp = host::DateTimeToTimeStamp(Value.AsDateTime());
        std::int32_t value = column.Type == host::ftDate ? stamp.Date : stamp.Time;
        std::memcpy(at, &value, 4);
        break;
      }
      case host::ftDateTime: {
        double value = host::TimeStampToMSecs(host::DateTimeToTimeStamp(Value.AsDateTime()));
        std::memcpy(at, &value, 8);
        break;
      }
      case host::ftBytes: {
        std::string bytes = Value.AsString();
        std::memcpy(at, bytes.data(),
                    std::min(bytes.size(), static_cast<std::size_t>(column.Size)));
        break;
      }
      default:
        Row.Blobs[Column] = Value.AsString();
        break;
    }
  }

  std::string DecodeText(const TRow& Row, std::size_t Column) const {
    const char* at = Row.Data.data() + offsets_[Column];
    switch (columns_[Column].Type) {
      case host::ftString:
        return std::string(at);
      case host::ftInteger: {
        std::int32_t value = 0;
        std::memcpy(&value, at, 4);
        return std::to_string(value);
      }
      case host::ftFloat:
      case host::ftCurrency: {
        double value = 0;
        std::memcpy(&value, at, 8);
        return host::FloatToStr(value);
      }
      case host::ftBoolean: {
        std::int16_t value = 0;
        std::memcpy(&value, at, 2);
        return std::to_string(value);
      }
      case host::ftBlob:
      case host::ftMemo:
        return Row.Blobs[Column];
      default:
        return "<bytes>";
    }
  }

  TTrace ownTrace_;
  TTrace* trace_ = &ownTrace_;
  std::vector<TColumn> columns_;
  std::vector<std::size_t> offsets_;
  std::vector<TRow> rows_;
  std::map<std::size_t, std::string> pendingBlobs_;
  int recordSize_ = 0;
  int bufferSize_ = 0;
  int cursor_ = -1;
  int nextId_ = 1;
  int allocations_ = 0;
  int liveBuffers_ = 0;
  bool opened_ = false;
  bool readOnly_ = false;
};

// A data link that writes every event it sees into a trace, and can ask for
// a window of several records like a grid.
class TTraceLink : public host::TDataLink {
 public:
  explicit TTraceLink(TTrace& Trace, std::string Name = "link")
      : trace_(Trace), name_(std::move(Name)) {}
  ~TTraceLink() override { SetDataSource(nullptr); }

 protected:
  void ActiveChanged() override { Log("ActiveChanged " + std::string(Active() ? "on" : "off")); }
  void CheckBrowseMode() override { Log("CheckBrowseMode"); }
  void DataSetChanged() override { Log("DataSetChanged"); }
  void DataSetScrolled(int Distance) override {
    Log("DataSetScrolled " + std::to_string(Distance));
  }
  void EditingChanged() override { Log("EditingChanged " + std::string(Editing() ? "on" : "off")); }
  void LayoutChanged() override { Log("LayoutChanged"); }
  void RecordChanged(TField* Field) override {
    Log("RecordChanged " + (Field != nullptr ? Field->FieldName() : std::string("*")));
  }
  void UpdateData() override { Log("UpdateData"); }

 private:
  void Log(const std::string& Entry) { trace_.push_back(name_ + ": " + Entry); }

  TTrace& trace_;
  std::string name_;
};

// The entries of a trace that start with one of the prefixes, in order.
inline TTrace Filtered(const TTrace& Trace, std::initializer_list<std::string> Prefixes) {
  TTrace kept;
  for (const std::string& entry : Trace)
    for (const std::string& prefix : Prefixes)
      if (entry.compare(0, prefix.size(), prefix) == 0) {
        kept.push_back(entry);
        break;
      }
  return kept;
}

}  // namespace dbtest
