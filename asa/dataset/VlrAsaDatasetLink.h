// The two companions of TAsaDataset: the link to its master data source,
// and the stream through which blob and memo fields read and write the
// active record's long values.
#pragma once

#include <cstdint>
#include <string>

#include "base/VlrBlob.h"
#include "host/db.h"
#include "host/db_link.h"
#include "host/stream.h"

namespace host {
class TBlobField;
}  // namespace host

namespace velar {

class TAsaDataset;

// Follows the master: when it opens or moves to another record, an open
// detail is closed and opened again with the master's values.
class TAsaDataLink : public host::TDataLink {
 public:
  explicit TAsaDataLink(TAsaDataset* ADataset);
  ~TAsaDataLink() override;

  TAsaDataset* Dataset() const { return dataset_; }

 protected:
  // In the framework's order: ActiveChanged, CheckBrowseMode, RecordChanged.
  //
  // The master opened (or closed): an open detail follows it.
  void ActiveChanged() override;
  // The master is about to move: a pending edit of the detail is posted.
  void CheckBrowseMode() override;
  // The master's record changed as a whole; a change of one of its fields
  // alone does not move the detail.
  void RecordChanged(host::TField* Field) override;

 private:
  TAsaDataset* dataset_;
};

// The active record's long value, kept by the statement's blob stream of the
// column. A write stream starts the value empty; closing a stream that wrote
// gives the field a value and tells the dataset the field changed, closing a
// write stream that wrote nothing makes the field null. A stream made while
// the dataset has no record (an empty dataset) reads and writes nothing.
class TAsaDatasetBlobStream : public host::TStream {
 public:
  // EInvalidCast when the field's data set is no TAsaDataset.
  TAsaDatasetBlobStream(host::TBlobField* Field, host::TBlobStreamMode Mode);
  TAsaDatasetBlobStream(const TAsaDatasetBlobStream&) = delete;
  TAsaDatasetBlobStream& operator=(const TAsaDatasetBlobStream&) = delete;
  ~TAsaDatasetBlobStream() override;

  // Texts of a transliterating field are converted from and to the OEM code
  // page when the session converts; the caller's bytes are left as given.
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, host::TSeekOrigin Origin) override;
  // Empties the value.
  void Truncate();

  bool Opened() const { return opened_; }

 private:
  // The field changed; a failing notice is reported, not raised.
  void NotifyChanged() noexcept;

  host::TBlobField* field_;
  TAsaDataset* dataset_;
  host::TRecordBuffer buffer_ = nullptr;
  host::TBlobStreamMode mode_;
  int fieldNo_;
  bool opened_ = false;
  TVelarBlobStream* blob_ = nullptr;
  std::string translated_;  // reused for texts converted on the way out
};

}  // namespace velar
