#include "base/VlrBlob.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/VlrMessages.h"
#include "base/VlrSQL.h"
#include "host/sysutils.h"

namespace velar {

// ---------------------------------------------------------------- stream

TVelarBlobStream::TVelarBlobStream(TVelarBlobManager* Manager, const std::string& FieldName)
    : fieldName_(FieldName) {
  if (Manager != nullptr) Manager->AddBlob(this);
}

// The manager must never list a stream that is gone.
TVelarBlobStream::~TVelarBlobStream() {
  if (manager_ != nullptr) manager_->RemoveBlob(this);
}

// Every caller appends, but a write elsewhere still stays inside the block:
// the data grows to cover it, a gap after the old end reading as zeros. The
// sizes are 32-bit, so a write that would pass that limit is refused.
std::int64_t TVelarBlobStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0 || position_ < 0) return 0;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  if (position_ > kLimit - Count) return 0;
  const std::int64_t end = position_ + Count;
  const std::int64_t newSize = std::max<std::int64_t>(size_, end);
  auto* grown =
      static_cast<std::uint8_t*>(std::realloc(memory_.get(), static_cast<std::size_t>(newSize)));
  if (grown == nullptr) return 0;
  (void)memory_.release();
  memory_.reset(grown);
  if (position_ > size_) std::memset(grown + size_, 0, static_cast<std::size_t>(position_ - size_));
  std::memcpy(grown + position_, Buffer, static_cast<std::size_t>(Count));
  size_ = static_cast<std::int32_t>(newSize);
  position_ = end;
  modified_ = true;
  return Count;
}

// From the end means from GetBlobSize, so the size a driver reports for a
// value still in the database counts, not only what was written here.
std::int64_t TVelarBlobStream::Seek(std::int64_t Offset, host::TSeekOrigin Origin) {
  switch (Origin) {
    case host::soFromBeginning:
      position_ = Offset;
      break;
    case host::soFromCurrent:
      position_ += Offset;
      break;
    case host::soFromEnd:
      position_ = Offset + GetBlobSize();
      break;
  }
  return position_;
}

// Written data counts only while it is marked written: after ResetBlobs the
// bytes are kept but the stream reports nothing of its own.
std::int32_t TVelarBlobStream::GetBlobSize() {
  return memory_ != nullptr && modified_ ? size_ : 0;
}

void TVelarBlobStream::Clear() {
  memory_.reset();
  size_ = 0;
  position_ = 0;
  modified_ = false;
}

int TVelarBlobStream::GetFieldNo() const {
  if (manager_ == nullptr || manager_->SQL() == nullptr) return -1;
  return manager_->SQL()->IndexOfField(fieldName_);
}

int TVelarBlobStream::GetFieldExtType() const {
  const int field = GetFieldNo();
  return field < 0 ? -1 : manager_->SQL()->Fields(field).ExtType;
}

// --------------------------------------------------------------- manager

TVelarBlobManager::TVelarBlobManager(TVelarSQL* SQL) : sql_(SQL) {}

TVelarBlobManager::~TVelarBlobManager() {
  Clear();
}

void TVelarBlobManager::AddBlob(TVelarBlobStream* Blob) {
  if (Blob == nullptr) return;
  blobs_.push_back(Blob);
  Blob->manager_ = this;
}

void TVelarBlobManager::RemoveBlob(TVelarBlobStream* Blob) {
  const auto found = std::find(blobs_.begin(), blobs_.end(), Blob);
  if (found == blobs_.end()) return;
  blobs_.erase(found);
  Blob->manager_ = nullptr;
}

// Each stream leaves the list in its destructor, so the list shrinks by one
// with every delete.
void TVelarBlobManager::Clear() {
  while (!blobs_.empty())
    delete blobs_.back();
}

void TVelarBlobManager::ClearBlobs() {
  for (TVelarBlobStream* blob : blobs_)
    blob->Clear();
}

// Called on every move to another row, so it does no more than it must.
void TVelarBlobManager::ResetBlobs() {
  for (TVelarBlobStream* blob : blobs_) {
    blob->Seek(0, host::soFromBeginning);
    blob->modified_ = false;
  }
}

TVelarBlobStream* TVelarBlobManager::GetBlob(std::int16_t Index) const {
  if (Index < 0 || Index >= Count()) host::RaiseListIndexError(Index);
  return BlobByName(blobs_[static_cast<std::size_t>(Index)]->FieldName());
}

// Raised directly: the manager may belong to a statement without a session.
TVelarBlobStream* TVelarBlobManager::BlobByName(std::string_view Name) const {
  for (TVelarBlobStream* blob : blobs_)
    if (host::AnsiCompareText(blob->FieldName(), Name) == 0) return blob;
  throw EVelarException(host::Format(VlrLoadStr(VELAR_ERR_BLOB_REQUIRED), Name));
}

}  // namespace velar
