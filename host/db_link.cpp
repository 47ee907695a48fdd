#include "host/db_link.h"

#include <algorithm>

#include "host/dataset.h"
#include "host/db_notify.h"
#include "host/typinfo.h"

namespace host {

namespace {

bool IsEditState(TDataSetState State) {
  return State == dsEdit || State == dsInsert || State == dsSetKey;
}

}  // namespace

// -------------------------------------------------------------- TDataSource

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

// The links lose their source and see an inactive data set; the data set
// forgets the source.
TDataSource::~TDataSource() {
  Destroying();
  while (!dataLinks_.empty())
    dataLinks_.back()->SetDataSource(nullptr);
  if (dataSet_ != nullptr) {
    dataSet_->RemoveDataSource(this);
    dataSet_ = nullptr;
  }
}

const TPropertyTable& TDataSource::Properties() {
  static const TPropertyTable table(
      TComponent::Properties(),
      {
          BoolProp("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit, true),
          ComponentProp("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet),
          BoolProp("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled, true),
          EventProp("OnDataChange", &TDataSource::OnDataChange),
          EventProp("OnStateChange", &TDataSource::OnStateChange),
          EventProp("OnUpdateData", &TDataSource::OnUpdateData),
      });
  return table;
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (Value == dataSet_) return;
  if (Value != nullptr && IsLinkedTo(Value)) DatabaseError(LoadResString(SCircularDataLink), this);
  if (dataSet_ != nullptr) dataSet_->RemoveDataSource(this);
  dataSet_ = Value;
  if (Value != nullptr) Value->AddDataSource(this);
  UpdateState();
}

void TDataSource::SetEnabled(bool Value) {
  enabled_ = Value;
  UpdateState();
}

// Following DataSet's masters comes back to this source: attaching DataSet
// would make a circle.
bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
  for (int steps = 0; DataSet != nullptr && steps < 10000; ++steps) {
    TDataSource* master = DataSet->GetDataSource();
    if (master == nullptr) return false;
    if (master == this) return true;
    DataSet = master->DataSet();
  }
  return false;
}

void TDataSource::Edit() {
  if (autoEdit_ && state_ == dsBrowse && dataSet_ != nullptr) dataSet_->Edit();
}

// State changes come as deUpdateState and are taken from the data set; other
// events reach the links and this source's own handlers only while active.
void TDataSource::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (state_ == dsInactive) return;
  NotifyDataLinks(Event, Info);
  switch (Event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(Info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

// Links with a window of several records (grids) hear first, so that a
// control bound to one field sees a grid already moved. A link that leaves
// while others are told is skipped.
void TDataSource::NotifyDataLinks(TDataEvent Event, std::intptr_t Info) {
  for (bool wide : {true, false})
    detail::ForEachListed(dataLinks_, [=](TDataLink* Link) {
      if ((Link->bufferCount_ > 1) == wide) Link->DataEvent(Event, Info);
    });
}

void TDataSource::AddDataLink(TDataLink* Link) {
  dataLinks_.push_back(Link);
  if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* Link) {
  dataLinks_.erase(std::remove(dataLinks_.begin(), dataLinks_.end(), Link), dataLinks_.end());
  if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
}

void TDataSource::UpdateState() {
  SetState(enabled_ && dataSet_ != nullptr ? dataSet_->State() : dsInactive);
}

// A data set that opens has new data to show as well as a new state.
void TDataSource::SetState(TDataSetState Value) {
  if (state_ == Value) return;
  TDataSetState prior = state_;
  state_ = Value;
  NotifyDataLinks(deUpdateState, 0);
  if (ComponentState().Contains(csDestroying)) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

// ---------------------------------------------------------------- TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  SetDataSource(nullptr);
}

void TDataLink::ActiveChanged() {}

void TDataLink::CheckBrowseMode() {}

void TDataLink::DataSetChanged() {
  RecordChanged(nullptr);
}

void TDataLink::DataSetScrolled(int /*Distance*/) {
  DataSetChanged();
}

void TDataLink::FocusControl(TField** /*Field*/) {}

void TDataLink::EditingChanged() {}

void TDataLink::LayoutChanged() {
  DataSetChanged();
}

void TDataLink::RecordChanged(TField* /*Field*/) {}

void TDataLink::UpdateData() {}

void TDataLink::SetDataSource(TDataSource* Value) {
  if (Value == dataSource_) return;
  if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
  dataSource_ = Value;
  if (Value != nullptr) Value->AddDataLink(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const {
  return dataSource_ != nullptr ? dataSource_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool Value) {
  readOnly_ = Value;
  UpdateState();
}

int TDataLink::ActiveRecord() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || dataSource_->State() == dsSetKey) return 0;
  return dataSet->activeRecord_ - firstRecord_;
}

// Only a slot that holds a record can be made active.
void TDataLink::SetActiveRecord(int Value) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || dataSource_->State() == dsSetKey) return;
  int slot = Value + firstRecord_;
  if (slot < 0 || slot >= std::max(dataSet->recordCount_, 1)) RaiseListIndexError(Value);
  dataSet->activeRecord_ = slot;
}

void TDataLink::SetBufferCount(int Value) {
  Value = std::max(Value, 1);
  if (Value == bufferCount_) return;
  bufferCount_ = Value;
  if (TDataSet* dataSet = DataSet()) dataSet->UpdateBufferCount();
  if (active_) UpdateRange(0);
}

// The filled part of the link's window.
int TDataLink::RecordCount() const {
  TDataSet* dataSet = DataSet();
  if (!active_ || dataSet == nullptr) return 0;
  return std::clamp(dataSet->recordCount_ - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Edit() {
  if (!readOnly_ && dataSource_ != nullptr) dataSource_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

void TDataLink::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(Info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      int moved = 0;
      if (dataSource_->State() != dsSetKey)
        moved = UpdateRange(Event == deDataSetScroll ? static_cast<int>(Info) : 0);
      if (Event == deDataSetChange)
        DataSetChanged();
      else if (Event == deDataSetScroll)
        DataSetScrolled(moved);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(Info));
      break;
    default:
      break;
  }
}

void TDataLink::UpdateState() {
  bool active = dataSource_ != nullptr && dataSource_->State() != dsInactive;
  SetActive(active);
  SetEditing(active && IsEditState(dataSource_->State()) && !readOnly_);
}

void TDataLink::SetActive(bool Value) {
  if (active_ == Value) return;
  active_ = Value;
  if (Value)
    UpdateRange(0);
  else
    firstRecord_ = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
  if (editing_ == Value) return;
  editing_ = Value;
  EditingChanged();
}

// The window follows the data set's by Shift (its scroll), then moves as
// little as keeps the active record in it; it is kept full where the data
// set's window allows. Answers how far it moved to keep the active record.
int TDataLink::UpdateRange(int Shift) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return 0;
  int active = dataSet->activeRecord_;
  int first = firstRecord_ + Shift;
  int last = first + bufferCount_ - 1;
  int moved = 0;
  if (active > last)
    moved = active - last;
  else if (active < first)
    moved = active - first;
  first += moved;
  first = std::min(first, std::max(0, dataSet->recordCount_ - bufferCount_));
  firstRecord_ = std::max(first, 0);
  return moved;
}

namespace {

const bool kDataSourceRegistered = [] {
  RegisterClass<TDataSource>();
  return true;
}();

}  // namespace

}  // namespace host
