// TAsaDataset: record buffers, reading records from the statement's moves,
// bookmarks (the row number the record was read from), record numbers and
// counts.
#include <cstring>

#include "asa/dataset/VlrAsaDataset.h"
#include "asa/dataset/VlrAsaDatasetSQL.h"

namespace velar {

namespace {

// A bookmark's row number; false for one too short to hold it (not one of
// this dataset's).
bool RowOf(const host::TBookmark& Bookmark, std::int32_t& Row) {
  if (Bookmark.size() < sizeof Row) return false;
  std::memcpy(&Row, Bookmark.data(), sizeof Row);
  return true;
}

}  // namespace

// ---------------------------------------------------------------- buffers

host::TRecordBuffer TAsaDataset::AllocRecordBuffer() {
  return new char[static_cast<std::size_t>(recordBufferSize_)]();
}

void TAsaDataset::FreeRecordBuffer(host::TRecordBuffer& Buffer) {
  delete[] Buffer;
  Buffer = nullptr;
}

int TAsaDataset::GetRecordSize() {
  return statement_->RecordSize();
}

// A new record has no value in any column; its calculated fields and
// bookmark are the framework's to set.
void TAsaDataset::InternalInitRecord(host::TRecordBuffer Buffer) {
  std::memset(Buffer, 0, static_cast<std::size_t>(statement_->RecordSize()));
  std::memset(Buffer + nullOffset_, 1, static_cast<std::size_t>(statement_->GetFieldCount()));
}

void TAsaDataset::ClearCalcFields(host::TRecordBuffer Buffer) {
  std::memset(Buffer + statement_->RecordSize(), 0, static_cast<std::size_t>(CalcFieldsSize()));
}

// ---------------------------------------------------------------- records

// A failed step forward leaves the statement after the last row, a failed
// step back on the first row; either way the framework no longer relies on
// where the statement stands. A record read is three block copies.
host::TGetResult TAsaDataset::GetRecord(host::TRecordBuffer Buffer, host::TGetMode GetMode,
                                        bool /*DoCheck*/) {
  host::TGetResult result = host::grOK;
  switch (GetMode) {
    case host::gmCurrent:
      if (statement_->Bof())
        result = host::grBOF;
      else if (statement_->Eof())
        result = host::grEOF;
      break;
    case host::gmNext:
      if (!statement_->Next()) {
        result = host::grEOF;
        if (statement_->RowNo() < statement_->RecordCount()) statement_->Prev();
      }
      break;
    case host::gmPrior:
      if (!statement_->Prev()) {
        result = host::grBOF;
        statement_->Next();
      }
      break;
  }
  const auto columns = static_cast<std::size_t>(statement_->GetFieldCount());
  if (result == host::grOK) {
    std::memcpy(Buffer, statement_->RecordBuffer(),
                static_cast<std::size_t>(statement_->RecordSize()));
    const std::int32_t row = statement_->RowNo();
    std::memcpy(Buffer + bookmarkOffset_, &row, sizeof row);
    Buffer[bookmarkOffset_ + 4] = static_cast<char>(host::bfCurrent);
    std::memcpy(Buffer + nullOffset_, statement_->NullIndicators(), columns);
    GetCalcFields(Buffer);
  } else if (statement_->RecordCount() == 0) {
    std::memcpy(Buffer + nullOffset_, statement_->NullIndicators(), columns);
  }
  return result;
}

// The statement ends before the first row, so the next record read is the
// first.
void TAsaDataset::InternalFirst() {
  statement_->First();
  while (statement_->Prev()) {
  }
}

// The statement ends after the last row, so the prior record read is the
// last.
void TAsaDataset::InternalLast() {
  statement_->Last();
  statement_->Next();
}

bool TAsaDataset::GetCurrentRecord(host::TRecordBuffer Buffer) {
  if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != host::bfCurrent) return false;
  UpdateCursorPos();
  if (Buffer == nullptr) return false;
  std::memcpy(Buffer, statement_->RecordBuffer(),
              static_cast<std::size_t>(statement_->RecordSize()));
  return true;
}

// -------------------------------------------------------------- bookmarks

void TAsaDataset::GetBookmarkData(host::TRecordBuffer Buffer, void* Data) {
  std::memcpy(Data, Buffer + bookmarkOffset_, static_cast<std::size_t>(BookmarkSize()));
}

void TAsaDataset::SetBookmarkData(host::TRecordBuffer Buffer, const void* Data) {
  std::memcpy(Buffer + bookmarkOffset_, Data, static_cast<std::size_t>(BookmarkSize()));
}

host::TBookmarkFlag TAsaDataset::GetBookmarkFlag(host::TRecordBuffer Buffer) {
  return static_cast<host::TBookmarkFlag>(Buffer[bookmarkOffset_ + 4]);
}

void TAsaDataset::SetBookmarkFlag(host::TRecordBuffer Buffer, host::TBookmarkFlag Value) {
  Buffer[bookmarkOffset_ + 4] = static_cast<char>(Value);
}

std::int32_t TAsaDataset::BookmarkRow(host::TRecordBuffer Buffer) const {
  std::int32_t row = 0;
  std::memcpy(&row, Buffer + bookmarkOffset_, sizeof row);
  return row;
}

int TAsaDataset::CompareBookmarks(const host::TBookmark& Bookmark1,
                                  const host::TBookmark& Bookmark2) {
  std::int32_t row1 = 0;
  std::int32_t row2 = 0;
  const bool given1 = RowOf(Bookmark1, row1);
  const bool given2 = RowOf(Bookmark2, row2);
  if (given1 && given2) return row1 < row2 ? -1 : (row1 > row2 ? 1 : 0);
  if (given1 == given2) return 0;
  return given1 ? -1 : 1;
}

bool TAsaDataset::BookmarkValid(const host::TBookmark& Bookmark) {
  CheckActive();
  CursorPosChanged();
  std::int32_t row = 0;
  return RowOf(Bookmark, row) && row >= 0 && row < GetRecordCount();
}

void TAsaDataset::InternalGotoBookmark(const void* Bookmark) {
  std::int32_t row = 0;
  std::memcpy(&row, Bookmark, sizeof row);
  statement_->Seek(row);
}

void TAsaDataset::InternalSetToRecord(host::TRecordBuffer Buffer) {
  InternalGotoBookmark(Buffer + bookmarkOffset_);
}

// ---------------------------------------------------- numbers and counts

int TAsaDataset::GetRecordCount() {
  CheckActive();
  return statement_->RecordCount();
}

// An empty dataset has no record to number (its one buffer holds no row);
// the record whose calculated fields are being computed has one even while
// the window is still empty.
int TAsaDataset::GetRecNo() {
  CheckActive();
  if (State() == host::dsCalcFields) return BookmarkRow(CalcBuffer()) + 1;
  if (IsEmpty()) return 0;
  return BookmarkRow(ActiveBuffer()) + 1;
}

// A row number the statement cannot reach leaves the active record where it
// was, and the statement with it.
void TAsaDataset::SetRecNo(int Value) {
  CheckBrowseMode();
  if (Value == GetRecNo()) return;
  DoBeforeScroll();
  if (statement_->Seek(Value - 1)) {
    Resync(host::rmCenter);
    DoAfterScroll();
  } else {
    InternalSetToRecord(ActiveBuffer());
  }
}

}  // namespace velar
