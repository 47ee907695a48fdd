// TDataSet: opening and closing, states, data events, the field list and the
// component-model bindings. The window of record buffers is in
// dataset_window.cpp, editing in dataset_edit.cpp, calculated fields and
// searching in dataset_search.cpp.
#include "host/application.h"
#include "host/dataset.h"

#include <algorithm>
#include <cstring>

#include "host/db_link.h"
#include "host/db_notify.h"
#include "host/fields.h"
#include "host/fields_defs.h"
#include "host/os.h"
#include "host/strings.h"

namespace host {

// ------------------------------------------------------------------ TFields

TField* TFields::Fields(int Index) const {
  if (Index < 0 || Index >= Count()) DatabaseError(LoadResString(SFieldIndexError), dataSet_);
  return list_[static_cast<std::size_t>(Index)];
}

TField* TFields::FindField(std::string_view FieldName) const {
  for (TField* field : list_)
    if (AnsiSameText(field->FieldName(), FieldName)) return field;
  return nullptr;
}

TField* TFields::FieldByName(std::string_view FieldName) const {
  TField* field = FindField(FieldName);
  if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {FieldName}, dataSet_);
  return field;
}

int TFields::IndexOf(const TField* Field) const {
  auto found = std::find(list_.begin(), list_.end(), Field);
  return found == list_.end() ? -1 : static_cast<int>(found - list_.begin());
}

// ------------------------------------------------------------ construction

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), fieldDefs_(std::make_unique<TFieldDefs>(this)), fields_(this) {}

// A driver has closed the data set in its own destructor (see the header);
// what is left is the base's own: its fields and its data sources. Should a
// driver have failed to close, its buffers cannot be freed from here, and
// nothing below reaches the driver.
TDataSet::~TDataSet() {
  Destroying();
  state_ = dsInactive;
  internalOpenComplete_ = false;
  buffers_.clear();
  while (!fields_.list_.empty())
    delete fields_.list_.back();
  std::vector<TDataSource*> sources;
  sources.swap(dataSources_);
  for (TDataSource* source : sources) {
    source->dataSet_ = nullptr;
    source->UpdateState();
  }
}

// ------------------------------------------------- the protocol's defaults

void TDataSet::ClearCalcFields(TRecordBuffer /*Buffer*/) {}

// The window goes first, while the driver can still free its buffers; the
// driver's InternalClose then sees the default-fields flag of this opening.
void TDataSet::CloseCursor() {
  internalOpenComplete_ = false;
  FreeBuffers();
  calcBuffer_ = nullptr;
  InternalClose();
  defaultFields_ = false;
}

bool TDataSet::GetCanModify() {
  return true;
}

TDataSource* TDataSet::GetDataSource() {
  return nullptr;
}

int TDataSet::GetRecordCount() {
  return -1;
}

int TDataSet::GetRecNo() {
  return -1;
}

void TDataSet::InternalRefresh() {}

void TDataSet::OpenCursor(bool InfoQuery) {
  if (InfoQuery)
    InternalInitFieldDefs();
  else
    DoInternalOpen();
}

void TDataSet::SetRecNo(int /*Value*/) {}

void TDataSet::InternalHandleException() {
  Application->HandleException(this);
}

bool TDataSet::BookmarkValid(const TBookmark& /*Bookmark*/) {
  return false;
}

// Without a driver's knowledge only emptiness and sameness can be told.
int TDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
  if (Bookmark1.empty() || Bookmark2.empty()) {
    if (Bookmark1.empty() == Bookmark2.empty()) return 0;
    return Bookmark1.empty() ? 1 : -1;
  }
  int order = Bookmark1.compare(Bookmark2);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* /*Field*/, TBlobStreamMode /*Mode*/) {
  return nullptr;
}

bool TDataSet::GetCurrentRecord(TRecordBuffer /*Buffer*/) {
  return false;
}

// The same characters; Src and Dest may be the same buffer.
int TDataSet::Translate(const char* Src, char* Dest, bool /*ToOem*/) {
  std::size_t length = std::strlen(Src);
  if (Src != Dest) std::memmove(Dest, Src, length + 1);
  return static_cast<int>(length);
}

void TDataSet::InternalCancel() {}

void TDataSet::InternalEdit() {}

void TDataSet::InternalInsert() {}

// A field change marks the record modified, recalculates the calculated
// fields and runs the field's OnChange; then the event goes to the data
// sources, unless controls are disabled, in which case EnableControls sends
// one change for all.
void TDataSet::DataEvent(TDataEvent Event, std::intptr_t Info) {
  switch (Event) {
    case deFieldChange: {
      auto* field = reinterpret_cast<TField*>(Info);
      if (field != nullptr && field->FieldKind() == fkData) modified_ = true;
      UpdateCalcFields();
      if (field != nullptr && field->OnChange) field->OnChange(field);
      break;
    }
    case dePropertyChange:
      fieldDefs_->SetUpdated(false);
      break;
    default:
      break;
  }
  if (disableCount_ == 0) {
    detail::ForEachListed(dataSources_,
                          [Event, Info](TDataSource* Source) { Source->DataEvent(Event, Info); });
  } else if ((Event == deUpdateState && state_ == dsInactive) || Event == deLayoutChange) {
    enableEvent_ = deLayoutChange;
  }
}

TFieldFactory TDataSet::GetFieldClass(TFieldType Type) {
  return DefaultFieldClass(Type);
}

// ------------------------------------------------------- opening, closing

// A failed opening closes the cursor again, so that the data set is closed
// and the driver holds nothing; the failure is passed on.
void TDataSet::SetActive(bool Value) {
  if (ComponentState().Contains(csReading)) {
    streamedActive_ = Value;
    return;
  }
  if (Active() == Value) return;
  if (Value) {
    Fire(BeforeOpen);
    try {
      OpenCursor(false);
      SetState(dsBrowse);
    } catch (...) {
      // Links that heard of the opening (one of them may be what failed)
      // hear of the closing; the opening's own failure is the one the
      // caller needs to see.
      try {
        SetState(dsInactive);
      } catch (...) {
        state_ = dsInactive;
      }
      try {
        CloseCursor();
      } catch (...) {
      }
      throw;
    }
    Fire(AfterOpen);
    if (!IsEmpty()) DoAfterScroll();
    return;
  }
  bool quiet = ComponentState().Contains(csDestroying);
  if (!quiet) Fire(BeforeClose);
  SetState(dsInactive);
  CloseCursor();
  if (!quiet) Fire(AfterClose);
}

// Fields exist only when declared (persistent) or made now from the
// definitions, which the driver's InternalOpen decides with DefaultFields.
void TDataSet::DoInternalOpen() {
  defaultFields_ = FieldCount() == 0;
  InternalOpen();
  fieldDefs_->SetUpdated(true);
  internalOpenComplete_ = true;
  UpdateBufferCount();
  bof_ = true;
}

// The definitions of an open cursor come from it; otherwise the cursor is
// opened for them alone and closed again.
void TDataSet::InitFieldDefs() {
  if (IsCursorOpen()) {
    InternalInitFieldDefs();
    return;
  }
  try {
    OpenCursor(true);
  } catch (...) {
    try {
      CloseCursor();
    } catch (...) {
      // The first failure is the one to report.
    }
    throw;
  }
  CloseCursor();
}

void TDataSet::Fire(const TDataSetNotifyEvent& Event) {
  if (Event) Event(this);
}

void TDataSet::DoBeforeScroll() {
  Fire(BeforeScroll);
}

void TDataSet::DoAfterScroll() {
  Fire(AfterScroll);
}

// ------------------------------------------------------------------ states

void TDataSet::SetState(TDataSetState Value) {
  if (state_ == Value) return;
  state_ = Value;
  modified_ = false;
  DataEvent(deUpdateState, 0);
}

// A temporary state tells nobody and leaves the modified flag alone: reading
// an old value in the middle of an edit must not make the edit look
// unchanged, or CheckBrowseMode would cancel it.
TDataSetState TDataSet::SetTempState(TDataSetState Value) {
  TDataSetState saved = state_;
  state_ = Value;
  ++disableCount_;
  return saved;
}

void TDataSet::RestoreState(TDataSetState Value) {
  if (disableCount_ > 0) --disableCount_;
  state_ = Value;
}

void TDataSet::CheckActive() const {
  if (state_ == dsInactive) DatabaseError(LoadResString(SDataSetClosed), this);
}

// At design time a property change simply closes the data set, as the
// designer shows the change at once.
void TDataSet::CheckInactive() const {
  if (state_ == dsInactive) return;
  if (ComponentState().Contains(csDesigning)) {
    const_cast<TDataSet*>(this)->Close();
    return;
  }
  DatabaseError(LoadResString(SDataSetOpen), this);
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = deDataSetChange;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ != 0) return;
  if (disableState_ != state_) DataEvent(deUpdateState, 0);
  if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
}

// Follows the masters from DataSource; a chain that comes back here would
// make every move of this data set move itself.
bool TDataSet::IsLinkedTo(TDataSource* DataSource) {
  for (int steps = 0; DataSource != nullptr && steps < 10000; ++steps) {
    TDataSet* dataSet = DataSource->DataSet();
    if (dataSet == nullptr) return false;
    if (dataSet == this) return true;
    DataSource = dataSet->GetDataSource();
  }
  return false;
}

// ---------------------------------------------------------------- fields

// Default fields are the data set's own parts: it makes them on opening and
// frees them on closing, and form files never store them.
void TDataSet::CreateFields() {
  for (int i = 0; i < fieldDefs_->Count(); ++i) {
    TField* field = fieldDefs_->Items(i)->CreateField(this);
    field->SetSubComponent(true);
  }
}

namespace {

// Types whose fields hold a fixed number of bytes in the record: a size that
// differs from the definition's would read or write past the value.
bool IsSizedType(TFieldType Type) {
  return Type == ftString || Type == ftBytes;
}

bool TypesMatch(TFieldType FieldType, TFieldType DefType) {
  if (FieldType == DefType) return true;
  return (FieldType == ftInteger && DefType == ftAutoInc) ||
         (FieldType == ftAutoInc && DefType == ftInteger);
}

}  // namespace

// Data fields take the number of their definition, checked for type and
// size; calculated and lookup fields take a slot in the calculated-field
// area: a flag byte, then their data.
void TDataSet::BindFields(bool Binding) {
  calcFieldsSize_ = 0;
  for (TField* field : fields_.list_) {
    if (!Binding) {
      field->Bind(false);
      continue;
    }
    if (field->FieldKind() != fkData) {
      field->fieldNo_ = -1;
      field->offset_ = calcFieldsSize_;
      calcFieldsSize_ += field->GetDataSize() + 1;
    } else {
      TFieldDef* def = fieldDefs_->FindDef(field->FieldName());
      if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, {field->DisplayName()}, this);
      if (!TypesMatch(field->DataType(), def->DataType()))
        DatabaseErrorFmt(SFieldTypeMismatch,
                         {field->DisplayName(), FieldTypeName(field->DataType()),
                          FieldTypeName(def->DataType())},
                         this);
      if (IsSizedType(def->DataType()) && field->Size() != def->Size())
        DatabaseErrorFmt(SFieldSizeMismatch, {field->DisplayName(), field->Size(), def->Size()},
                         this);
      field->fieldNo_ = def->FieldNo();
    }
    field->Bind(true);
  }
}

void TDataSet::DestroyFields() {
  while (!fields_.list_.empty())
    delete fields_.list_.back();
}

void TDataSet::GetFieldNames(TStrings* List) {
  List->BeginUpdate();
  try {
    List->Clear();
    if (FieldCount() > 0) {
      for (TField* field : fields_.list_)
        List->Add(field->FieldName());
    } else {
      fieldDefs_->Update();
      for (int i = 0; i < fieldDefs_->Count(); ++i)
        List->Add(fieldDefs_->Items(i)->Name());
    }
  } catch (...) {
    List->EndUpdate();
    throw;
  }
  List->EndUpdate();
}

// ------------------------------------------------------ component model

TComponent* TDataSet::GetChildOwner() {
  return Owner() != nullptr ? Owner() : this;
}

void TDataSet::GetChildren(const TGetChildProc& Proc, TComponent* /*Root*/) {
  TComponent* owner = GetChildOwner();
  for (TField* field : std::vector<TField*>(fields_.list_))
    if (field->Owner() == owner && !field->IsSubComponent()) Proc(field);
}

void TDataSet::SetChildOrder(TComponent* Child, int Order) {
  auto* field = dynamic_cast<TField*>(Child);
  if (field != nullptr && field->DataSet() == this)
    field->SetIndex(Order);
  else
    TComponent::SetChildOrder(Child, Order);
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (!streamedActive_) return;
  streamedActive_ = false;
  try {
    SetActive(true);
  } catch (...) {
    if (!ComponentState().Contains(csDesigning)) throw;
    InternalHandleException();
  }
}

// --------------------------------------------------------- data sources

std::vector<TDataLink*> TDataSet::DataLinks() const {
  std::vector<TDataLink*> links;
  for (TDataSource* source : dataSources_)
    links.insert(links.end(), source->dataLinks_.begin(), source->dataLinks_.end());
  return links;
}

void TDataSet::AddDataSource(TDataSource* Source) {
  dataSources_.push_back(Source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* Source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), Source),
                     dataSources_.end());
  UpdateBufferCount();
}

// The window is as large as the largest link's; links that see it change
// size are told with a data-set change.
void TDataSet::UpdateBufferCount() {
  if (!internalOpenComplete_) return;
  int wanted = 1;
  for (TDataLink* link : DataLinks())
    wanted = std::max(wanted, link->bufferCount_);
  int old = bufferCount_;
  SetBufferCount(wanted);
  if (old != bufferCount_ && Active()) DataEvent(deDataSetChange, 0);
}

}  // namespace host
