// TAsaDataset: posting, deleting and adding records through the statement's
// cursor, each followed by a fresh run of the query; searching the rows.
#include <cstring>

#include "asa/dataset/VlrAsaDataset.h"
#include "asa/dataset/VlrAsaDatasetSQL.h"

namespace velar {

namespace {

// Runs a change through the cursor; a client-library refusal becomes the
// framework's database error with the same message, so that the
// framework's error events and handlers see it.
template <class Change>
void AsDatabaseError(Change&& Run) {
  try {
    Run();
  } catch (const EAsaException& e) {
    throw host::EDatabaseError(e.Message);
  }
}

// Runs the change, then Refresh whether or not the change went through, then
// lets the change's failure go on.
template <class Change, class Refresh>
void ChangeThenRefresh(Change&& Run, Refresh&& Refreshing) {
  try {
    Run();
  } catch (...) {
    Refreshing();
    throw;
  }
  Refreshing();
}

TVelarLocateOptions LocateOptionsOf(host::TLocateOptions Options) {
  const bool caseless = (Options & host::loCaseInsensitive) != 0;
  const bool partial = (Options & host::loPartialKey) != 0;
  if (caseless && partial) return {nloCaseInsensitive, nloPartialKey};
  if (caseless) return {nloCaseInsensitive};
  if (partial) return {nloPartialKey};
  return {};
}

}  // namespace

void TAsaDataset::RecordToStatement(host::TRecordBuffer Buffer) {
  std::memcpy(statement_->WritableRecordBuffer(), Buffer,
              static_cast<std::size_t>(statement_->RecordSize()));
  std::memcpy(statement_->WritableNullIndicators(), Buffer + nullOffset_,
              static_cast<std::size_t>(statement_->GetFieldCount()));
}

// The statement stands on the edited record's row (the framework put it
// there), so that only the columns that differ from the row as fetched are
// written. A record appended after the last one ends on the last row of the
// query run again.
void TAsaDataset::InternalPost() {
  host::TRecordBuffer buffer = ActiveBuffer();
  RestoreBlobs();
  RecordToStatement(buffer);
  const bool inserting = State() == host::dsInsert;
  ChangeThenRefresh(
      [&] {
        AsDatabaseError([&] {
          if (inserting)
            statement_->Append();
          else
            statement_->Modify();
        });
        keptBlobs_.clear();
      },
      [&] {
        InternalRefresh();
        if (GetBookmarkFlag(buffer) == host::bfEOF || statement_->Eof()) statement_->Last();
      });
}

// Deleting the last row leaves the statement past the end of the new
// result; it steps back onto the new last row.
void TAsaDataset::InternalDelete() {
  ChangeThenRefresh([&] { AsDatabaseError([&] { statement_->Delete(); }); },
                    [&] {
                      InternalRefresh();
                      if (statement_->Eof()) statement_->Last();
                    });
}

// The row is always appended, wherever the framework meant to insert it.
// The record is gone from the window afterwards either way, and so are the
// long values kept for it.
void TAsaDataset::InternalAddRecord(host::TRecordBuffer Buffer, bool /*Append*/) {
  RestoreBlobs();
  RecordToStatement(Buffer);
  ChangeThenRefresh([&] { statement_->Append(); },
                    [&] {
                      keptBlobs_.clear();
                      InternalRefresh();
                      statement_->Last();
                    });
}

// -------------------------------------------------------------- searching

// A search that finds nothing leaves the statement where the search ended,
// so the framework is told that the statement moved away from its records.
bool TAsaDataset::Locate(const std::string& KeyFields, const host::Variant& KeyValues,
                         host::TLocateOptions Options) {
  DoBeforeScroll();
  CheckBrowseMode();
  CursorPosChanged();
  statement_->First();
  if (!statement_->Find(KeyFields, {KeyValues}, LocateOptionsOf(Options))) return false;
  statement_->Seek(statement_->RowNo());
  Resync(host::rmExact | host::rmCenter);
  DoAfterScroll();
  return true;
}

// The row found is read into the spare buffer, where the fields read it in
// the calculated-fields state.
host::Variant TAsaDataset::Lookup(const std::string& KeyFields, const host::Variant& KeyValues,
                                  const std::string& ResultFields) {
  CheckBrowseMode();
  CursorPosChanged();
  statement_->First();
  if (!statement_->Find(KeyFields, {KeyValues}, {})) return host::Null();
  host::TRecordBuffer buffer = TempBuffer();
  std::memcpy(buffer, statement_->RecordBuffer(),
              static_cast<std::size_t>(statement_->RecordSize()));
  std::memcpy(buffer + nullOffset_, statement_->NullIndicators(),
              static_cast<std::size_t>(statement_->GetFieldCount()));
  TTempStateScope state(*this, host::dsCalcFields);
  CalculateFields(buffer);
  return GetFieldValue(ResultFields);
}

}  // namespace velar
