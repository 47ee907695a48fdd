// Data sources and data links: how data-aware objects follow a data set.
//
// A TDataSource component connects a data set to any number of data links.
// A data link (a grid's, an edit's, a detail data set's master link) sees the
// data set's events as calls of its virtual operations, and looks at a window
// of BufferCount records inside the data set's ring: its FirstRecord is the
// offset of that window, kept so that the active record stays inside it.
#pragma once

#include <cstdint>
#include <vector>

#include "host/component.h"
#include "host/db.h"

namespace host {

class TDataLink;
class TDataSet;
class TField;
class TPropertyTable;

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;

  // Published: AutoEdit (True), DataSet, Enabled (True), OnDataChange,
  // OnStateChange, OnUpdateData.
  static const TPropertyTable& Properties();

  TDataSet* DataSet() const { return dataSet_; }
  // EDatabaseError with the circular-link message when Value follows, through
  // its masters, this source.
  void SetDataSet(TDataSet* Value);
  // Whether editing a control puts the data set into edit mode.
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool Value) { autoEdit_ = Value; }
  // A disabled source shows its links an inactive data set.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  // The data set's state as the links see it (dsInactive when disabled).
  TDataSetState State() const { return state_; }
  // True when DataSet leads, through its masters, back to this source.
  bool IsLinkedTo(TDataSet* DataSet) const;
  // Puts the data set into edit mode when AutoEdit allows and it browses.
  void Edit();
  int DataLinkCount() const { return static_cast<int>(dataLinks_.size()); }

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

 private:
  friend class TDataLink;
  friend class TDataSet;

  void DataEvent(TDataEvent Event, std::intptr_t Info);
  void NotifyDataLinks(TDataEvent Event, std::intptr_t Info);
  void AddDataLink(TDataLink* Link);
  void RemoveDataLink(TDataLink* Link);
  void UpdateState();
  void SetState(TDataSetState Value);

  TDataSet* dataSet_ = nullptr;
  std::vector<TDataLink*> dataLinks_;
  TDataSetState state_ = dsInactive;
  bool autoEdit_ = true;
  bool enabled_ = true;
};

class TDataLink : public TPersistent {
 public:
  TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  // Leaves its data source.
  ~TDataLink() override;

 protected:
  // Virtual order (a contract for subclasses): ActiveChanged,
  // CheckBrowseMode, DataSetChanged, DataSetScrolled, FocusControl,
  // EditingChanged, LayoutChanged, RecordChanged, UpdateData; after those
  // of TPersistent.
  //
  // The data set opened or closed (or the source was enabled or disabled).
  virtual void ActiveChanged();
  // The data set is about to leave its record: post pending edits now.
  virtual void CheckBrowseMode();
  // The records changed as a whole (base: RecordChanged(nullptr)).
  virtual void DataSetChanged();
  // The window scrolled by Distance records (base: DataSetChanged).
  virtual void DataSetScrolled(int Distance);
  // A field asks its control to take the focus; Field points at the field
  // and is cleared by the link that takes it.
  virtual void FocusControl(TField** Field);
  virtual void EditingChanged();
  // The fields changed (base: DataSetChanged).
  virtual void LayoutChanged();
  // The active record changed, or one of its fields (Field not nullptr).
  virtual void RecordChanged(TField* Field);
  // Write what the link's control holds to the fields.
  virtual void UpdateData();

 public:
  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const;
  // The data set is open and the source enabled.
  bool Active() const { return active_; }
  // The data set is in edit or insert mode.
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);

  // The active record's place in this link's window.
  int ActiveRecord() const;
  // Makes the record at Value in this link's window the data set's active
  // one for a moment (to read a grid row's fields); restore it afterwards.
  void SetActiveRecord(int Value);
  // How many records the link looks at; the data set's window grows to the
  // largest of its links'.
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int Value);
  // How many records of the link's window are filled.
  int RecordCount() const;
  // Where the link's window starts in the data set's.
  int FirstRecord() const { return firstRecord_; }

  // Puts the data set into edit mode when the source allows; answers whether
  // it is now being edited.
  bool Edit();
  // Runs UpdateData for this link, with its own change notices muted.
  void UpdateRecord();

 private:
  friend class TDataSource;
  friend class TDataSet;

  void DataEvent(TDataEvent Event, std::intptr_t Info);
  void UpdateState();
  void SetActive(bool Value);
  void SetEditing(bool Value);
  // Moves the window so that it holds the active record; answers the move.
  int UpdateRange(int Shift);

  TDataSource* dataSource_ = nullptr;
  int firstRecord_ = 0;
  int bufferCount_ = 1;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
};

}  // namespace host
