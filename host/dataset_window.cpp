// The window of record buffers: filling it through the driver, moving in
// it, and re-reading it; bookmarks.
#include <algorithm>

#include "host/dataset.h"
#include "host/db_link.h"

namespace host {

TRecordBuffer TDataSet::ActiveBuffer() const {
  return buffers_.empty() ? nullptr : buffers_[static_cast<std::size_t>(activeRecord_)];
}

// The first slot not holding a record: the spare when the window is full.
TRecordBuffer TDataSet::TempBuffer() const {
  return buffers_.empty() ? nullptr : buffers_[static_cast<std::size_t>(recordCount_)];
}

// ------------------------------------------------------------ the buffers

// Growing allocates and reads the records that now fit, after the last and
// then before the first; shrinking first drops records before the active one
// (telling the links, whose windows start that much earlier) and then those
// after it, so that the active record stays.
void TDataSet::SetBufferCount(int Value) {
  if (Value == bufferCount_) return;
  bool hadRecords = recordCount_ > 0;
  if (Value < bufferCount_ && recordCount_ > 0) {
    int excess = activeRecord_ - (Value - 1);
    if (excess > 0) {
      for (int i = 0; i < excess; ++i)
        MoveBuffer(0, static_cast<int>(buffers_.size()) - 1);
      activeRecord_ -= excess;
      recordCount_ -= excess;
      currentRecord_ = currentRecord_ >= excess ? currentRecord_ - excess : -1;
      for (TDataLink* link : DataLinks())
        link->firstRecord_ = std::max(0, link->firstRecord_ - excess);
    }
    recordCount_ = std::min(recordCount_, Value);
    if (currentRecord_ >= Value) currentRecord_ = -1;
  }
  auto wanted = static_cast<std::size_t>(Value) + 1;
  while (buffers_.size() > wanted) {
    TRecordBuffer buffer = buffers_.back();
    buffers_.pop_back();
    FreeRecordBuffer(buffer);
  }
  while (buffers_.size() < wanted)
    buffers_.push_back(AllocRecordBuffer());
  bool growing = Value > bufferCount_;
  bufferCount_ = Value;
  if (!growing) return;
  GetNextRecords();
  if (hadRecords && recordCount_ < bufferCount_) GetPriorRecords();
}

void TDataSet::FreeBuffers() {
  while (!buffers_.empty()) {
    TRecordBuffer buffer = buffers_.back();
    buffers_.pop_back();
    FreeRecordBuffer(buffer);
  }
  bufferCount_ = 0;
  ClearBuffers();
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

// One record read into an empty window: it is the active one and the
// cursor stands on it.
void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

// Moves the buffer at CurIndex to NewIndex, shifting those between by one:
// the rotation that lets a fetch into the spare become a window slot.
void TDataSet::MoveBuffer(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  auto begin = buffers_.begin();
  if (CurIndex < NewIndex)
    std::rotate(begin + CurIndex, begin + CurIndex + 1, begin + NewIndex + 1);
  else
    std::rotate(begin + NewIndex, begin + CurIndex, begin + CurIndex + 1);
}

// Puts the driver's cursor on the record of slot Index, by its bookmark or
// at the end its flag names.
void TDataSet::SetCurrentRecord(int Index) {
  if (currentRecord_ == Index) return;
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(Index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  currentRecord_ = Index;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

// Reads the record after the last slot's into the first free buffer; a full
// window rotates by one, dropping its first record.
bool TDataSet::GetNextRecord() {
  if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
  bool found = GetRecord(buffers_[static_cast<std::size_t>(recordCount_)], gmNext, true) == grOK;
  if (!found) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0)
    ActivateBuffers();
  else if (recordCount_ < bufferCount_)
    ++recordCount_;
  else
    MoveBuffer(0, recordCount_);
  currentRecord_ = recordCount_ - 1;
  return true;
}

// Reads the record before the first slot's and puts it first; a full window
// drops its last record, a growing one keeps the active record where it is.
bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  bool found = GetRecord(buffers_[static_cast<std::size_t>(recordCount_)], gmPrior, true) == grOK;
  if (!found) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int read = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord())
    ++read;
  return read;
}

int TDataSet::GetPriorRecords() {
  int read = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord())
    ++read;
  return read;
}

// ------------------------------------------------------------- moving

void TDataSet::First() {
  FillFromEnd(true);
}

void TDataSet::Last() {
  FillFromEnd(false);
}

// The driver goes to the end and the window fills from there; the links see
// one change whether or not the driver failed on the way.
void TDataSet::FillFromEnd(bool FromFirst) {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    if (FromFirst) {
      InternalFirst();
      GetNextRecord();
      GetNextRecords();
    } else {
      InternalLast();
      GetPriorRecord();
      GetPriorRecords();
    }
  } catch (...) {
    (FromFirst ? bof_ : eof_) = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  (FromFirst ? bof_ : eof_) = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

// Inside the window a move is a change of the active slot; at its edges one
// record is read. The links hear of a scroll by the distance the window
// moved, or of a change when it grew.
int TDataSet::MoveBy(int Distance) {
  CheckBrowseMode();
  DoBeforeScroll();
  int moved = 0;
  if ((Distance > 0 && !eof_) || (Distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    int oldCount = recordCount_;
    int scrolled = 0;
    auto notify = [&] {
      if (recordCount_ != oldCount)
        DataEvent(deDataSetChange, 0);
      else
        DataEvent(deDataSetScroll, scrolled);
    };
    try {
      while (Distance > 0) {
        if (activeRecord_ < recordCount_ - 1) {
          ++activeRecord_;
        } else {
          bool full = recordCount_ >= bufferCount_;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          if (full)
            --scrolled;
          else
            ++activeRecord_;
        }
        --Distance;
        ++moved;
      }
      while (Distance < 0) {
        if (activeRecord_ > 0) {
          --activeRecord_;
        } else {
          bool full = recordCount_ >= bufferCount_;
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          if (full)
            ++scrolled;
          else
            --activeRecord_;
        }
        ++Distance;
        ++moved;
      }
    } catch (...) {
      notify();
      throw;
    }
    notify();
  }
  DoAfterScroll();
  return moved;
}

// Re-reads the driver's current record (with rmExact it must still be
// there; otherwise the nearest record serves) and fills the window around
// it: centred, or with the active record at its old place.
void TDataSet::Resync(TResyncMode Mode) {
  CheckActive();
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(recordCount_)];
  if ((Mode & rmExact) != 0) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK)
      DatabaseError(LoadResString(SRecordNotFound), this);
  } else if (GetRecord(spare, gmCurrent, false) != grOK &&
             GetRecord(spare, gmNext, false) != grOK && GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int before = (Mode & rmCenter) != 0 ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  try {
    while (before > 0 && GetPriorRecord())
      --before;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange, 0);
    throw;
  }
  DataEvent(deDataSetChange, 0);
}

// ------------------------------------------------------------- bookmarks

bool TDataSet::BookmarkAvailable() {
  return (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
  if (!BookmarkAvailable() || bookmarkSize_ <= 0) return TBookmark();
  TBookmark bookmark(static_cast<std::size_t>(bookmarkSize_), '\0');
  GetBookmarkData(ActiveBuffer(), bookmark.data());
  return bookmark;
}

// A bookmark of another size is not one of this data set's; the driver would
// read past it.
void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
  if (Bookmark.empty()) return;
  if (static_cast<int>(Bookmark.size()) != bookmarkSize_)
    DatabaseError(LoadResString(SBookmarkNotFound), this);
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(Bookmark.data());
  Resync(rmExact | rmCenter);
  DoAfterScroll();
}

}  // namespace host
