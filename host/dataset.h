// TDataSet: the record-set component that data-aware controls browse and
// edit, and the protocol a driver fills in to give it records.
//
// How it works. The data set keeps a window of record buffers (as many as
// the largest BufferCount its data links ask for, at least one) plus a spare;
// every fetch reads into the first unused buffer, which is the spare when the
// window is full, and the buffers then rotate by pointer, so no record is
// ever copied. It knows how many slots are filled, which is active, and on
// which slot the driver's cursor stands (or that this is unknown, after
// CursorPosChanged; UpdateCursorPos brings the cursor back through
// InternalSetToRecord, InternalFirst or InternalLast as the buffer's bookmark
// flag says). MoveBy steps inside the window without calling the driver and
// fetches at its edges; First and Last empty the window, position the driver
// and fill it forward or backward; Resync re-reads the driver's current
// record and fills around it. Insert opens a slot at the active record,
// Append after the last. Every change of record or field is a data event to
// the data sources and their links, whose windows are offsets into the same
// ring; DisableControls holds the events back until EnableControls.
//
// The protocol. A driver derives from TDataSet and overrides the operations
// under "The protocol", in that order. Record buffers are char* blocks the
// driver allocates and lays out; a bookmark is BookmarkSize bytes it stamps
// into a buffer. GetRecord(buffer, mode, check) reads the record before,
// after or at the driver's cursor and answers grOK, grBOF or grEOF, leaving
// the cursor on the record read (or on the crack before the first / after the
// last). The driver's GetFieldData and SetFieldData choose the buffer of the
// current state: ActiveBuffer in browse, edit and insert, CalcBuffer in
// dsCalcFields; SetFieldData ends with DataEvent(deFieldChange, field) unless
// the state is dsCalcFields or dsNewValue.
//
// A driver closes the data set in its own destructor (Destroying(), then
// Close()): once the driver's part is gone, the base destructor can no longer
// reach the overrides that free the record buffers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/component.h"
#include "host/db.h"
#include "host/stream.h"
#include "host/variant.h"

namespace host {

class TDataLink;
class TDataSource;
class TField;
class TFieldDefs;
class TStrings;

// A data set's fields in their order. The fields are components with owners
// of their own; the list only refers to them.
class TFields {
 public:
  int Count() const { return static_cast<int>(list_.size()); }
  // The field at Index; EDatabaseError "Field index out of range" outside.
  TField* Fields(int Index) const;
  TField* operator[](int Index) const { return Fields(Index); }
  // The field of that name (without case), or nullptr.
  TField* FindField(std::string_view FieldName) const;
  // The same; EDatabaseError "Field 'X' not found" when there is none.
  TField* FieldByName(std::string_view FieldName) const;
  int IndexOf(const TField* Field) const;

  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

 private:
  friend class TDataSet;
  friend class TField;
  explicit TFields(TDataSet* DataSet) : dataSet_(DataSet) {}

  TDataSet* dataSet_;
  std::vector<TField*> list_;
};

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  // ==================================================== the protocol
  //
  // Virtual order (a contract for drivers): ClearCalcFields, CloseCursor,
  // GetCanModify, GetDataSource, GetRecordCount, GetRecNo, InternalRefresh,
  // OpenCursor, SetRecNo, AllocRecordBuffer, FreeRecordBuffer,
  // GetBookmarkData, GetBookmarkFlag, GetFieldData, GetRecord,
  // GetRecordSize, InternalAddRecord, InternalClose, InternalDelete,
  // InternalFirst, InternalGotoBookmark, InternalHandleException,
  // InternalInitFieldDefs, InternalInitRecord, InternalLast, InternalOpen,
  // InternalPost, InternalSetToRecord, IsCursorOpen, SetBookmarkFlag,
  // SetBookmarkData, SetFieldData, BookmarkValid, CompareBookmarks,
  // CreateBlobStream, GetCurrentRecord, Locate, Lookup, Translate, then
  // InternalCancel, InternalEdit, InternalInsert, DataEvent, GetFieldClass;
  // after those of TComponent.

 protected:
  // Empties the calculated-field area of Buffer (base: nothing).
  virtual void ClearCalcFields(TRecordBuffer Buffer);
  // Frees the window and calls InternalClose. An override calls this first.
  virtual void CloseCursor();
  // Whether records may change (base: true). An override asks this first.
  virtual bool GetCanModify();

 public:
  // The master source, for data sets that follow one (base: nullptr).
  virtual TDataSource* GetDataSource();
  // The number of records, or -1 when the driver cannot say (base).
  virtual int GetRecordCount();
  // The active record's number from 1, or -1 when unknown (base).
  virtual int GetRecNo();

 protected:
  // Brings the driver's records up to date (base: nothing).
  virtual void InternalRefresh();
  // Opens the driver's cursor: for InfoQuery only the field definitions
  // (InternalInitFieldDefs), otherwise InternalOpen and the window. An
  // override opens its cursor first and then calls this.
  virtual void OpenCursor(bool InfoQuery);

 public:
  // Moves to the record numbered Value from 1 (base: nothing).
  virtual void SetRecNo(int Value);

 protected:
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  // Frees Buffer and sets it to nullptr.
  virtual void FreeRecordBuffer(TRecordBuffer& Buffer) = 0;
  // Copies BookmarkSize bytes of Buffer's bookmark to Data.
  virtual void GetBookmarkData(TRecordBuffer Buffer, void* Data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) = 0;

 public:
  // Reads Field's value from the current state's buffer into Buffer (or, for
  // nullptr, only tells whether it has one); false when it has none.
  virtual bool GetFieldData(TField* Field, void* Buffer) = 0;

 protected:
  virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) = 0;
  // Bytes of record data (without calculated fields and bookmark).
  virtual int GetRecordSize() = 0;
  // Stores Buffer as a new record (InsertRecord, AppendRecord).
  virtual void InternalAddRecord(TRecordBuffer Buffer, bool Append) = 0;
  virtual void InternalClose() = 0;
  virtual void InternalDelete() = 0;
  // Puts the cursor before the first record.
  virtual void InternalFirst() = 0;
  virtual void InternalGotoBookmark(const void* Bookmark) = 0;
  // Reports the exception being handled without passing it on; the base
  // hands it to Application->HandleException.
  virtual void InternalHandleException();
  virtual void InternalInitFieldDefs() = 0;
  // Makes Buffer an empty new record.
  virtual void InternalInitRecord(TRecordBuffer Buffer) = 0;
  // Puts the cursor after the last record.
  virtual void InternalLast() = 0;
  virtual void InternalOpen() = 0;
  // Stores the active buffer: as a new record in dsInsert, else as the
  // changed record the cursor stands on.
  virtual void InternalPost() = 0;
  // Puts the cursor on Buffer's record.
  virtual void InternalSetToRecord(TRecordBuffer Buffer) = 0;
  virtual bool IsCursorOpen() = 0;
  virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) = 0;
  virtual void SetBookmarkData(TRecordBuffer Buffer, const void* Data) = 0;
  // Writes Buffer (nullptr: no value) as Field's value into the current
  // state's buffer; see the file comment for the data event that follows.
  virtual void SetFieldData(TField* Field, const void* Buffer) = 0;

 public:
  // Whether Bookmark still names a record (base: false).
  virtual bool BookmarkValid(const TBookmark& Bookmark);
  // -1, 0 or 1 by the bookmarks' order; an empty one comes after any other
  // (base: 0 when equal bytes, else by those rules only).
  virtual int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2);
  // A stream over Field's blob value in the current record (base: nullptr).
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode);
  // Copies the active record's data into Buffer (base: false).
  virtual bool GetCurrentRecord(TRecordBuffer Buffer);
  // Moves to the first record whose KeyFields ("A;B") equal KeyValues (an
  // array for several fields). The base reads every record from the first
  // through the driver; drivers with a faster search override it.
  virtual bool Locate(const std::string& KeyFields, const Variant& KeyValues,
                      TLocateOptions Options);
  // The ResultFields of the first record whose KeyFields equal KeyValues,
  // without moving; Null when there is none. The base reads as Locate does.
  virtual Variant Lookup(const std::string& KeyFields, const Variant& KeyValues,
                         const std::string& ResultFields);
  // Converts zero-terminated Src to or from the driver's character set into
  // Dest (which may be Src) and answers the length; the base copies.
  virtual int Translate(const char* Src, char* Dest, bool ToOem);

 protected:
  // Hooks around Cancel, Edit and Insert/Append (base: nothing).
  virtual void InternalCancel();
  virtual void InternalEdit();
  virtual void InternalInsert();

 public:
  // Tells the data sources (and through them the links) of Event; keeps the
  // modified flag and the calculated fields up to date.
  virtual void DataEvent(TDataEvent Event, std::intptr_t Info);

 protected:
  // The field class for a definition's type (base: DefaultFieldClass).
  virtual TFieldFactory GetFieldClass(TFieldType Type);

 public:
  // ============================================ the application's face
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Active() const { return state_ != dsInactive; }
  // While the component is read from a form file, the value waits for
  // Loaded.
  void SetActive(bool Value);

  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves Distance records forward (or back); answers how many it moved.
  int MoveBy(int Distance);
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return activeRecord_ >= recordCount_; }

  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void Refresh();
  // A new record with the values in field order (Empty leaves a field as
  // OnNewRecord made it), stored at once.
  void InsertRecord(std::initializer_list<Variant> Values);
  void AppendRecord(std::initializer_list<Variant> Values);
  // Sets the fields in order (Empty leaves one alone); the data set must be
  // in edit or insert mode.
  void SetFields(std::initializer_list<Variant> Values);

  // Posts or cancels a pending edit (posts when something changed).
  void CheckBrowseMode();
  // Lets the data links write their pending edits to the fields.
  void UpdateRecord();
  // The driver's cursor may have moved: UpdateCursorPos will put it back.
  void CursorPosChanged() { currentRecord_ = -1; }
  void UpdateCursorPos();
  // Re-reads the window around the driver's current record.
  void Resync(TResyncMode Mode);

  // An empty bookmark when the active record has none (empty data set,
  // inserted record).
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& Bookmark);
  TBookmark Bookmark() { return GetBookmark(); }
  void SetBookmark(const TBookmark& Value) { GotoBookmark(Value); }
  bool BookmarkAvailable();
  int RecNo() { return GetRecNo(); }
  int RecordCount() { return GetRecordCount(); }

  TFields& Fields() { return fields_; }
  int FieldCount() const { return fields_.Count(); }
  TField* FindField(std::string_view FieldName) const { return fields_.FindField(FieldName); }
  TField* FieldByName(std::string_view FieldName) const { return fields_.FieldByName(FieldName); }
  TFieldDefs* FieldDefs() const { return fieldDefs_.get(); }
  // The names of the fields, or of the definitions when there are no fields.
  void GetFieldNames(TStrings* List);
  // The value of one field, or a variant array for several ("A;B").
  Variant GetFieldValue(const std::string& FieldNames);
  void SetFieldValue(const std::string& FieldNames, const Variant& Value);
  Variant FieldValues(const std::string& FieldNames) { return GetFieldValue(FieldNames); }

  // Holds data events back from the data links until the matching
  // EnableControls, which then sends one deDataSetChange (and the state
  // change, if any).
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ != 0; }

  TDataSetState State() const { return state_; }
  // A field of the active record changed since Edit or Insert.
  bool Modified() const { return modified_; }
  bool CanModify() { return GetCanModify(); }
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool Value) { autoCalcFields_ = Value; }
  // The fields were made from the definitions when the data set opened.
  bool DefaultFields() const { return defaultFields_; }
  TDataSource* DataSource() { return GetDataSource(); }
  // True when DataSource leads, through masters, back to this data set.
  bool IsLinkedTo(TDataSource* DataSource);
  // Every buffer's window size: the largest a data link asks for.
  int BufferCount() const { return bufferCount_; }

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;

  // ============================================ the component model
  // Fields read nested in the data set's block belong to its owner.
  TComponent* GetChildOwner() override;
  // The persistent fields (those of the child owner), in field order.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Child, int Order) override;
  // Opens the data set when the form file said Active = True; at design
  // time a failure is reported instead of raised.
  void Loaded() override;

 protected:
  // ============================================ services for drivers
  TRecordBuffer ActiveBuffer() const;
  // A buffer of the same layout, free for scratch work until the next move.
  TRecordBuffer TempBuffer() const;
  // The buffer whose calculated fields are being computed.
  TRecordBuffer CalcBuffer() const { return calcBuffer_; }
  // Enters a state for a moment (calculated fields, old values) without
  // telling anyone; RestoreState returns to the one answered.
  TDataSetState SetTempState(TDataSetState Value);
  void RestoreState(TDataSetState Value);
  void SetState(TDataSetState Value);
  // A temporary state for the scope's lifetime.
  class TTempStateScope {
   public:
    TTempStateScope(TDataSet& DataSet, TDataSetState State)
        : dataSet_(DataSet), saved_(DataSet.SetTempState(State)) {}
    TTempStateScope(const TTempStateScope&) = delete;
    TTempStateScope& operator=(const TTempStateScope&) = delete;
    ~TTempStateScope() { dataSet_.RestoreState(saved_); }

   private:
    TDataSet& dataSet_;
    TDataSetState saved_;
  };

  // EDatabaseError unless open, unless closed.
  void CheckActive() const;
  void CheckInactive() const;

  // Computes the calculated and lookup fields of Buffer (in dsCalcFields),
  // when the data set has any; GetRecord calls it for each record read.
  void GetCalcFields(TRecordBuffer Buffer);
  // Makes Buffer the calculation buffer, clears its calculated fields, looks
  // up the lookup fields and runs OnCalcFields.
  void CalculateFields(TRecordBuffer Buffer);
  // Fields from the definitions, owned by the data set (not written to
  // form files).
  void CreateFields();
  // Ties every field to its definition (field numbers, calculated-field
  // offsets and CalcFieldsSize), or unties them.
  void BindFields(bool Binding);
  // Frees every field.
  void DestroyFields();
  // Fills the definitions: from the open cursor, or by opening it for them.
  void InitFieldDefs();

  int BookmarkSize() const { return bookmarkSize_; }
  void SetBookmarkSize(int Value) { bookmarkSize_ = Value; }
  // Bytes of the calculated-field area: each calculated or lookup field
  // takes a flag byte and DataSize bytes at its Offset.
  int CalcFieldsSize() const { return calcFieldsSize_; }

  void DoBeforeScroll();
  void DoAfterScroll();

 private:
  friend class TDataLink;
  friend class TDataSource;
  friend class TField;
  friend class TFieldDef;
  friend class TFieldDefs;

  // Runs one of the protocol's changing operations with the retry and
  // abort choices of its error event.
  template <class Operation>
  void CheckOperation(Operation&& Run, const TDataSetErrorEvent& ErrorEvent);
  void DoInternalOpen();
  void Fire(const TDataSetNotifyEvent& Event);

  // The window.
  void SetBufferCount(int Value);
  void UpdateBufferCount();
  void FreeBuffers();
  void ClearBuffers();
  // First and Last: the window emptied and filled from one end.
  void FillFromEnd(bool FromFirst);
  void ActivateBuffers();
  void MoveBuffer(int CurIndex, int NewIndex);
  void SetCurrentRecord(int Index);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void InitRecord(TRecordBuffer Buffer);
  void BeginInsertAppend();
  void EndInsertAppend();
  void AddRecord(std::initializer_list<Variant> Values, bool Append);
  void CheckRequiredFields();
  void UpdateCalcFields();
  // Reads records from the first through the driver into TempBuffer until
  // one matches; answers whether one did (the cursor is then on it).
  bool FindRecord(const std::string& KeyFields, const Variant& KeyValues, TLocateOptions Options);

  void AddDataSource(TDataSource* Source);
  void RemoveDataSource(TDataSource* Source);
  // Every data link of every data source.
  std::vector<TDataLink*> DataLinks() const;

  std::unique_ptr<TFieldDefs> fieldDefs_;
  TFields fields_;
  std::vector<TDataSource*> dataSources_;
  std::vector<TRecordBuffer> buffers_;  // bufferCount_ window slots, then the spare
  int bufferCount_ = 0;
  int recordCount_ = 0;     // filled window slots
  int activeRecord_ = 0;    // the active slot
  int currentRecord_ = -1;  // the slot the cursor stands on; -1 unknown
  TRecordBuffer calcBuffer_ = nullptr;
  int bookmarkSize_ = 0;
  int calcFieldsSize_ = 0;
  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  TDataEvent enableEvent_ = deDataSetChange;
  TDataSetState state_ = dsInactive;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool streamedActive_ = false;
  bool autoCalcFields_ = true;
  bool defaultFields_ = false;
  bool internalOpenComplete_ = false;
};

}  // namespace host
