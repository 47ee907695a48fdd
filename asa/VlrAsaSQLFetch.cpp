// Moving through the rows of an open cursor: block fetches and the position
// bookkeeping every move keeps.
#include <algorithm>
#include <cstring>

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"

namespace velar {

void TAsaSQL::CheckOpened() {
  if (!Opened()) RaiseLastError<EAsaException>(VlrLoadStr(VELAR_ERR_CURS_NOT_OPENED));
}

void TAsaSQL::CheckWritable() {
  CheckOpened();
  if (ReadOnly()) RaiseLastError<EAsaException>(VlrLoadStr(VELAR_ERR_CURS_READ_ONLY));
}

// Every fetch starts from a zeroed block, so that columns the library does
// not write read as zeros. The rows delivered are bounded by the block, so
// that a count the library reports after an error can never index past it.
bool TAsaSQL::FetchBlock(std::uint16_t Orientation, std::int32_t Offset, std::uint16_t Width,
                         std::uint32_t Mark) {
  SettleOldImage();
  if (recordSize_ > 0 && fetchRows_ > 0)
    std::memset(fetchBuffer_.Data(), 0,
                static_cast<std::size_t>(recordSize_) * static_cast<std::size_t>(fetchRows_));
  Procs().dbpp_fetch_array(Ca(), cursorName_, Orientation, Offset, cursorSqlda_, 0, fetchOptions_,
                           Width);
  Check(nullptr, 0, 0, WantExceptions());
  if (ReleasedSince(Mark)) return false;
  const std::int32_t code = GetLastErrorCode();
  bufferRows_ = code == DBE_NOT_FOUND ? 0 : std::clamp<std::int32_t>(SQLCOUNT(Ca()), 0, Width);
  // A move that was refused (cancelled, say) leaves the cursor on the hole.
  if (code >= 0) onDeletedRow_ = false;
  return true;
}

// The row of the block the cursor stands on becomes the current row, as
// fetched; its long values are read afresh.
void TAsaSQL::LoadCurrentRow() {
  if (recordSize_ > 0) {
    // The old image stays in the block until the block is written again.
    const std::uint8_t* row = fetchBuffer_.Data() + static_cast<std::size_t>(bufferIndex_) *
                                                        static_cast<std::size_t>(recordSize_);
    std::memcpy(recordBuffer_.Data(), row, static_cast<std::size_t>(recordSize_));
    DeferOldImage(row);
  }
  if (fieldCount_ > 0) {
    const sqlvar* entries = cursorSqlda_->sqlvar + bufferIndex_ * fieldCount_;
    std::uint8_t* nulls = nullIndicators_.Data();
    for (int i = 0; i < fieldCount_; ++i)
      nulls[i] = bufferRows_ == 0 || (entries[i].sqlind != nullptr && *entries[i].sqlind < 0);
    std::memcpy(oldNullIndicators_.Data(), nulls, static_cast<std::size_t>(fieldCount_));
  }
  BlobManager()->ResetBlobs();
}

bool TAsaSQL::First() {
  CheckOpened();
  const std::uint32_t mark = ReleaseMark();
  if (!FetchBlock(DBFETCH_ABSOLUTE, 1, static_cast<std::uint16_t>(fetchRows_), mark)) return false;
  bof_ = eof_ = GetLastErrorCode() == DBE_NOT_FOUND;
  bufferIndex_ = 0;
  rowNo_ = bufferRows_ > 0 ? 0 : -1;
  LoadCurrentRow();
  return bufferRows_ > 0;
}

// The row number is the count the open reported, less one: the rows are
// not counted on the way.
bool TAsaSQL::Last() {
  CheckOpened();
  const std::uint32_t mark = ReleaseMark();
  if (!FetchBlock(DBFETCH_ABSOLUTE, -1, 1, mark)) return false;
  bof_ = eof_ = GetLastErrorCode() == DBE_NOT_FOUND;
  if (bufferRows_ > 0) {
    bufferIndex_ = bufferRows_ - 1;
    rowNo_ = recordCount_ - 1;
  }
  LoadCurrentRow();
  return bufferRows_ > 0;
}

// Served from the block until its last row; then the next block. The row
// count grows with the rows seen, and at the end it is set to them, the
// position one past the last row. The row after a deleted one takes the
// deleted row's number.
bool TAsaSQL::Next() {
  CheckOpened();
  const bool fromDeletedRow = onDeletedRow_;
  if (bufferIndex_ < bufferRows_ - 1) {
    ++bufferIndex_;
  } else {
    const std::uint32_t mark = ReleaseMark();
    if (!FetchBlock(DBFETCH_RELATIVE, 1, static_cast<std::uint16_t>(fetchRows_), mark))
      return false;
    eof_ = GetLastErrorCode() == DBE_NOT_FOUND;
    if (bufferRows_ > 0) bof_ = false;
    bufferIndex_ = 0;
  }
  if (bufferRows_ > 0) {
    if (!fromDeletedRow) ++rowNo_;
    if (rowNo_ > recordCount_ - 1) recordCount_ = rowNo_ + 1;
  } else if (eof_) {
    if (recordCount_ - 1 > rowNo_) recordCount_ = rowNo_ + 1;
    rowNo_ = recordCount_;
  }
  LoadCurrentRow();
  return bufferRows_ > 0;
}

// Served backwards inside the block; at its start, one row before it. The
// library's cursor stands on the last row the previous fetch delivered, so
// the row before the block lies as many rows back as the block holds (one
// back after a fetch that delivered none).
bool TAsaSQL::Prev() {
  CheckOpened();
  if (bufferIndex_ > 0) {
    --bufferIndex_;
  } else {
    const std::uint32_t mark = ReleaseMark();
    const std::int32_t back = bufferRows_ > 0 ? bufferRows_ : 1;
    if (!FetchBlock(DBFETCH_RELATIVE, -back, 1, mark)) return false;
    bof_ = GetLastErrorCode() == DBE_NOT_FOUND;
    if (bufferRows_ > 0) {
      eof_ = false;
      bufferIndex_ = bufferRows_ - 1;
    }
  }
  rowNo_ = bufferRows_ > 0 ? rowNo_ - 1 : -1;
  LoadCurrentRow();
  return bufferRows_ > 0;
}

// Row numbers are 0-based, the library's positions 1-based; anything
// before the first row asks for position 0, before it.
bool TAsaSQL::Seek(int Row) {
  CheckOpened();
  const std::uint32_t mark = ReleaseMark();
  const std::int32_t position = std::max(Row + 1, 0);
  if (!FetchBlock(DBFETCH_ABSOLUTE, position, 1, mark)) return false;
  bof_ = eof_ = GetLastErrorCode() == DBE_NOT_FOUND;
  if (bufferRows_ > 0) {
    bufferIndex_ = bufferRows_ - 1;
    rowNo_ = position - 1;
  }
  LoadCurrentRow();
  return bufferRows_ > 0;
}

}  // namespace velar
