// Data-aware controls as objects: what a screen would show and how a user's
// typing and clicking reach the data set, without a screen. An edit shows
// and edits one field of the active record; a grid shows a window of records
// and moves the data set when a row is chosen.
#pragma once

#include <string>
#include <vector>

#include "host/component.h"
#include "host/db_link.h"

namespace host {

class TField;
class TPropertyTable;

// A data link to one field of the active record: the link of controls that
// show a single value.
class TFieldDataLink : public TDataLink {
 public:
  TFieldDataLink();
  ~TFieldDataLink() override;

  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& Value);
  // The field while the data set is open; nullptr otherwise.
  TField* Field() const { return field_; }
  // The link may change the field now (neither it nor the field nor the data
  // set is read-only).
  bool CanModify() const;
  // Puts the data set into edit mode when the field can change; answers
  // whether it is being edited.
  bool Edit();
  // The control's text changed; UpdateData will write it to the field.
  void Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }
  // Shows the field's value again, dropping the control's change.
  void Reset();

  // The value to show changed; the control should take the focus; the link
  // went into or out of edit mode; the data set opened or closed; the
  // control's change is to be written (to the field).
  TNotifyEvent OnDataChange;
  TNotifyEvent OnFocusRequest;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnActiveChange;
  TNotifyEvent OnUpdateData;

 protected:
  void ActiveChanged() override;
  void FocusControl(TField** Field) override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

 private:
  void UpdateField();
  void SetField(TField* Value);

  std::string fieldName_;
  TField* field_ = nullptr;
  bool modified_ = false;
};

// An edit bound to one field.
class TDBEdit : public TComponent {
 public:
  explicit TDBEdit(TComponent* AOwner);
  ~TDBEdit() override;

  // Published: DataField, DataSource, ReadOnly (False).
  static const TPropertyTable& Properties();

  TDataSource* DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource* Value) { link_.SetDataSource(Value); }
  const std::string& DataField() const { return link_.FieldName(); }
  void SetDataField(const std::string& Value) { link_.SetFieldName(Value); }
  bool ReadOnly() const { return link_.ReadOnly(); }
  void SetReadOnly(bool Value) { link_.SetReadOnly(Value); }
  TField* Field() const { return link_.Field(); }

  // What the edit shows: the field's display text, or its edit text while
  // the edit has the focus or holds typing not yet written.
  const std::string& Text() const { return text_; }
  bool Focused() const { return focused_; }
  // Taking the focus shows the edit text; leaving it writes what was typed
  // to the field (an error leaves the focus where it is and is raised).
  void SetFocused(bool Value);
  // The user types Value over the text: the data set goes into edit mode
  // when it may; false (and nothing changes) when the field cannot be
  // edited.
  bool TypeText(const std::string& Value);
  // Escape: the field's value is shown again.
  void Reset() { link_.Reset(); }
  // Writes what was typed to the field now.
  void UpdateRecord() { link_.UpdateRecord(); }
  bool Modified() const { return link_.IsModified(); }

 private:
  void ShowField();

  TFieldDataLink link_;
  std::string text_;
  bool focused_ = false;
};

// A grid over a window of RowCount records: the visible fields as columns,
// the active record's row marked.
class TDBGrid : public TComponent {
 public:
  explicit TDBGrid(TComponent* AOwner);
  ~TDBGrid() override;

  // Published: DataSource, ReadOnly (False), RowCount (5).
  static const TPropertyTable& Properties();

  TDataSource* DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource* Value) { link_.SetDataSource(Value); }
  bool ReadOnly() const { return link_.ReadOnly(); }
  void SetReadOnly(bool Value) { link_.SetReadOnly(Value); }
  // How many records the grid shows at most; the data set's window grows to
  // hold them.
  int RowCount() const { return link_.BufferCount(); }
  void SetRowCount(int Value) { link_.SetBufferCount(Value); }

  // The visible fields, left to right.
  std::vector<TField*> Columns() const;
  // How many rows hold records now.
  int VisibleRows() const { return link_.RecordCount(); }
  // The row of the active record.
  int Row() const { return link_.ActiveRecord(); }
  // The display text of a column's field in a row.
  std::string Cell(int Row, int Column);
  // Every visible row's cells, top to bottom.
  std::vector<std::vector<std::string>> Rows();
  // The user clicks a row: the data set moves to its record.
  void SelectRow(int Row);
  // The user types into the active row's cell: the data set goes into edit
  // mode when it may and the field takes the text; false when it cannot.
  bool EditCell(int Column, const std::string& Text);

  // What the grid has been told since it was made: every repaint of all
  // rows, and every scroll with its distance, for those who watch it work.
  int Repaints() const { return repaints_; }
  const std::vector<int>& Scrolls() const { return scrolls_; }

 private:
  class TGridDataLink : public TDataLink {
   public:
    explicit TGridDataLink(TDBGrid& Grid) : grid_(Grid) {}

   protected:
    void DataSetChanged() override { ++grid_.repaints_; }
    void DataSetScrolled(int Distance) override { grid_.scrolls_.push_back(Distance); }
    void RecordChanged(TField* /*Field*/) override { ++grid_.repaints_; }

   private:
    TDBGrid& grid_;
  };

  TGridDataLink link_;
  int repaints_ = 0;
  std::vector<int> scrolls_;
};

}  // namespace host
