// Editing: Edit, Insert, Append, Post, Cancel, Delete, Refresh, and records
// added in one call; each changing step runs with its error event's retry
// and abort choices.
#include "host/dataset.h"
#include "host/fields.h"

namespace host {

// The error event may ask to fail (the error goes on), to abort (silently)
// or to retry the operation, as often as it likes.
template <class Operation>
void TDataSet::CheckOperation(Operation&& Run, const TDataSetErrorEvent& ErrorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      Run();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (ErrorEvent) ErrorEvent(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (recordCount_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  if (!CanModify()) DatabaseError(LoadResString(SDataSetReadOnly), this);
  Fire(BeforeEdit);
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  Fire(AfterEdit);
}

void TDataSet::InitRecord(TRecordBuffer Buffer) {
  InternalInitRecord(Buffer);
  ClearCalcFields(Buffer);
  SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  if (!CanModify()) DatabaseError(LoadResString(SDataSetReadOnly), this);
  Fire(BeforeInsert);
  DoBeforeScroll();
}

// OnNewRecord fills in defaults; if it fails, the new record is dropped.
void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    Fire(OnNewRecord);
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync(0);
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  Fire(AfterInsert);
  DoAfterScroll();
}

// The new record takes the active slot; its bookmark names the record it
// goes before, so that cancelling returns there and posting knows where.
void TDataSet::Insert() {
  BeginInsertAppend();
  TBookmark before = GetBookmark();
  MoveBuffer(recordCount_, activeRecord_);
  CursorPosChanged();
  TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (recordCount_ == 0 || before.empty())
    SetBookmarkFlag(buffer, bfBOF);
  else
    SetBookmarkData(buffer, before.data());
  if (recordCount_ < bufferCount_) ++recordCount_;
  InternalInsert();
  EndInsertAppend();
}

// The new record goes after the last: the window is refilled with the last
// records before it, and the cursor put after the last record, which is
// where the appended record's flag says it stands.
void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer buffer = buffers_[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  recordCount_ = 1;
  bof_ = false;
  GetPriorRecords();
  InternalLast();
  currentRecord_ = activeRecord_;
  InternalInsert();
  EndInsertAppend();
}

// A required data field without a value stops the post, and its control is
// asked to take the focus.
void TDataSet::CheckRequiredFields() {
  for (TField* field : fields_.list_) {
    if (!field->Required() || field->ReadOnly() || field->FieldKind() != fkData) continue;
    if (!field->IsNull()) continue;
    field->FocusControl();
    DatabaseErrorFmt(SFieldRequired, {field->DisplayName()}, this);
  }
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforePost);
  CheckOperation(
      [this] {
        CheckRequiredFields();
        InternalPost();
      },
      OnPostError);
  SetState(dsBrowse);
  Resync(0);
  Fire(AfterPost);
}

// The record is read again from the driver, so edits in the buffer are gone;
// a cancelled insert returns to the record it was inserted before.
void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforeCancel);
  bool scrolls = state_ == dsInsert;
  if (scrolls) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync(0);
  Fire(AfterCancel);
  if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (recordCount_ == 0) DatabaseError(LoadResString(SDataSetEmpty), this);
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforeDelete);
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  SetState(dsBrowse);
  Resync(0);
  Fire(AfterDelete);
  DoAfterScroll();
}

void TDataSet::Refresh() {
  Fire(BeforeRefresh);
  CheckBrowseMode();
  UpdateCursorPos();
  try {
    InternalRefresh();
  } catch (...) {
    Resync(0);
    throw;
  }
  Resync(0);
  Fire(AfterRefresh);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (state_) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (modified_)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
    DatabaseError(LoadResString(SNotEditing), this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::SetFields(std::initializer_list<Variant> Values) {
  int index = 0;
  for (const Variant& value : Values) {
    TField* field = fields_.Fields(index++);
    if (!value.IsEmpty()) field->SetAsVariant(value);
  }
}

void TDataSet::InsertRecord(std::initializer_list<Variant> Values) {
  AddRecord(Values, false);
}

void TDataSet::AppendRecord(std::initializer_list<Variant> Values) {
  AddRecord(Values, true);
}

// The record is made in the active slot without telling the controls, stored
// by the driver at once, and the window read again around it.
void TDataSet::AddRecord(std::initializer_list<Variant> Values, bool Append) {
  BeginInsertAppend();
  if (!Append) UpdateCursorPos();
  DisableControls();
  try {
    MoveBuffer(recordCount_, activeRecord_);
    try {
      TRecordBuffer buffer = ActiveBuffer();
      InitRecord(buffer);
      state_ = dsInsert;
      try {
        Fire(OnNewRecord);
        Fire(AfterInsert);
        SetFields(Values);
        Fire(BeforePost);
        InternalAddRecord(buffer, Append);
      } catch (...) {
        state_ = dsBrowse;
        modified_ = false;
        throw;
      }
      state_ = dsBrowse;
      modified_ = false;
    } catch (...) {
      CursorPosChanged();
      Resync(0);
      throw;
    }
    CursorPosChanged();
    Resync(0);
    Fire(AfterPost);
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

}  // namespace host
