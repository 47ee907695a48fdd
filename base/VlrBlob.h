// Blob streams and the blob manager.
//
// Long fields (ntMemo, ntBlob) keep their data outside the row buffer, in one
// stream per field named after it. TVelarBlobStream holds what the
// application wrote; a driver's subclass supplies Read and, through
// GetBlobSize, the value still in the database. TVelarBlobManager is the
// statement's list of its streams and owns them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/stream.h"

namespace velar {

class TVelarSQL;
class TVelarBlobManager;

class TVelarBlobStream : public host::TStream {
 public:
  // Registers with Manager when one is given.
  TVelarBlobStream(TVelarBlobManager* Manager, const std::string& FieldName);
  // Leaves the manager's list first.
  ~TVelarBlobStream() override;
  TVelarBlobStream(const TVelarBlobStream&) = delete;
  TVelarBlobStream& operator=(const TVelarBlobStream&) = delete;

  // ---- Virtual operations: the stream's SetSize (not overridden), Read
  // (the driver's), Write, Seek; then GetBlobSize.
  std::int64_t Read(void* Buffer, std::int64_t Count) override = 0;
  // Writes at the position (callers append), growing the data to cover it;
  // marks the stream Modified. Returns 0 and changes nothing when the block
  // cannot grow or the position lies before the start.
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  // From the beginning, the position or the end (GetBlobSize); any other
  // origin leaves the position. The position is not clamped.
  std::int64_t Seek(std::int64_t Offset, host::TSeekOrigin Origin) override;
  // The bytes written locally while Modified; 0 otherwise. A driver reports
  // the length of the database value when nothing was written.
  virtual std::int32_t GetBlobSize();

  // Discards the data: no memory, size and position 0, not Modified.
  void Clear();
  // The number of the field this stream belongs to in its statement, or -1
  // without a manager or such a field; and that field's driver type (or -1).
  int GetFieldNo() const;
  int GetFieldExtType() const;

  TVelarBlobManager* Manager() const { return manager_; }
  const std::string& FieldName() const { return fieldName_; }
  // The bytes held in Memory (the stream's own size is GetBlobSize's).
  std::int32_t DataSize() const { return size_; }
  const std::uint8_t* Memory() const { return memory_.get(); }
  bool Modified() const { return modified_; }

 protected:
  struct TFreeDeleter {
    void operator()(std::uint8_t* Block) const { std::free(Block); }
  };
  using TBlock = std::unique_ptr<std::uint8_t, TFreeDeleter>;

  // Drivers that load a value set these directly: a block from malloc of
  // size_ bytes, the position, and whether it counts as written.
  TBlock memory_;
  std::int32_t size_ = 0;
  std::int64_t position_ = 0;
  bool modified_ = false;

 private:
  friend class TVelarBlobManager;  // AddBlob, RemoveBlob, ResetBlobs

  TVelarBlobManager* manager_ = nullptr;
  std::string fieldName_;
};

class TVelarBlobManager : public host::TObject {
 public:
  explicit TVelarBlobManager(TVelarSQL* SQL);
  // Frees every stream.
  ~TVelarBlobManager() override;
  TVelarBlobManager(const TVelarBlobManager&) = delete;
  TVelarBlobManager& operator=(const TVelarBlobManager&) = delete;

  void AddBlob(TVelarBlobStream* Blob);
  void RemoveBlob(TVelarBlobStream* Blob);
  int Count() const { return static_cast<int>(blobs_.size()); }
  // Frees the streams, the last one first.
  void Clear();
  // Discards every stream's data; the streams stay.
  void ClearBlobs();
  // Rewinds every stream and marks it unchanged, keeping its data: the
  // driver calls it when it moves to another row.
  void ResetBlobs();
  // The stream at Index, found again by its field name.
  TVelarBlobStream* GetBlob(std::int16_t Index) const;
  // The first stream of that field name, ignoring case; raises
  // EVelarException "Field "%s" is not a blob." directly when there is none.
  TVelarBlobStream* BlobByName(std::string_view Name) const;

  TVelarSQL* SQL() const { return sql_; }

 private:
  TVelarSQL* sql_;
  std::vector<TVelarBlobStream*> blobs_;  // owned
};

}  // namespace velar
