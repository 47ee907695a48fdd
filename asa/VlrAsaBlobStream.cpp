// The ASA blob stream: a long value of the current row, loaded in pieces.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"

namespace velar {

TAsaBlobStream::~TAsaBlobStream() = default;

namespace {

// Resizes Block (a malloc'd block owned by a unique_ptr) to Size bytes, at
// least one, keeping its content; false, with Block as it was, when there is
// no memory for it.
// Blocks up to kDirectBlock grow as the heap gives; beyond it a block
// takes at least kMappedBlock, the size from which the C library maps a block
// of its own whatever its threshold has risen to.
constexpr std::int64_t kDirectBlock = std::int64_t{1} << 20;
constexpr std::int64_t kMappedBlock = std::int64_t{32} << 20;

template <class TOwnedBlock>
bool Regrow(TOwnedBlock& Block, std::int64_t Size) {
  auto* grown = static_cast<std::uint8_t*>(
      std::realloc(Block.get(), static_cast<std::size_t>(std::max<std::int64_t>(Size, 1))));
  if (grown == nullptr) return false;
  (void)Block.release();
  Block.reset(grown);
  return true;
}

}  // namespace

// Written data is never replaced by a load. Otherwise the value is loaded
// afresh on every call (the stream may have been kept from another row):
// piece after piece from the offset reached so far while the library says
// more follows, and only a load that ended cleanly becomes the stream's
// data. Failures raise nothing; the value then reads as empty.
std::int32_t TAsaBlobStream::GetBlobSize() {
  const std::int32_t written = TVelarBlobStream::GetBlobSize();
  if (written > 0) return written;
  Clear();
  auto* sql = Manager() != nullptr ? dynamic_cast<TAsaSQL*>(Manager()->SQL()) : nullptr;
  const int column = GetFieldNo();
  if (sql == nullptr || column < 0 || !sql->Opened() || !sql->IsSessionAssigned()) return 0;

  TAsaDescriptor descriptor(1);
  descriptor->sqld = descriptor->sqln;
  // The first piece comes through a buffer of its own; every later piece is
  // written by the library straight behind the bytes gathered so far, its
  // length word over their last two bytes, which are put back after.
  std::unique_ptr<std::uint8_t[]> piece(new std::uint8_t[kPieceSize]());
  sqlvar& entry = descriptor->sqlvar[0];
  entry.sqltype = DBT_BINARY;
  entry.sqllen = kPieceSize;
  TBlock accumulated;
  std::int64_t capacity = 0;
  std::int64_t total = 0;
  std::int32_t offset = 0;
  std::int32_t code = 0;
  sqlca* ca = sql->Ca();
  do {
    // Room for a whole piece behind the bytes so far. The block grows by
    // half its size at a time rather than by a piece, and past a mebibyte it
    // takes kMappedBlock of address space at once: the C library maps a block
    // that large and grows it by remapping, so the bytes gathered are never
    // copied again, and only the pages written become resident. It is cut
    // to the value's size at the end. An empty value still gets its block
    // (of one byte), as a loaded value always has one.
    if (accumulated == nullptr || total + kPieceSize > capacity) {
      std::int64_t grown = std::max<std::int64_t>(total + kPieceSize, capacity + capacity / 2);
      if (grown > kDirectBlock) grown = std::max(grown, kMappedBlock);
      if (!Regrow(accumulated, grown)) {
        code = DBE_NO_MEMORY;
        break;
      }
      capacity = grown;
    }
    const bool direct = total >= 2;
    std::uint8_t* head = direct ? accumulated.get() + total - 2 : piece.get();
    std::uint8_t saved[2];
    if (direct) std::memcpy(saved, head, sizeof saved);
    entry.sqldata = head;
    AsaLibrary.Procs.dbpp_get_data(ca, sql->CursorName(), static_cast<std::uint16_t>(column + 1),
                                   offset, descriptor.get(), 0);
    code = ca->sqlcode;
    std::uint16_t length = 0;
    if (code == 0 || code == DBE_TRUNCATED) std::memcpy(&length, head, sizeof length);
    if (direct) {
      std::memcpy(head, saved, sizeof saved);
    } else if (code == 0 || code == DBE_TRUNCATED) {
      std::memcpy(accumulated.get() + total, piece.get() + 2,
                  std::min<std::size_t>(length, kPieceSize - 2));
    }
    if (code != 0 && code != DBE_TRUNCATED) break;
    // A piece that says more follows must move the offset on, and no piece
    // holds more than its entry's room.
    if ((code == DBE_TRUNCATED && length == 0) || length > kPieceSize - 2) {
      code = DBE_ERROR;
      break;
    }
    if (total + length > std::numeric_limits<std::int32_t>::max()) {
      code = DBE_ERROR;
      break;
    }
    total += length;
    offset += length;
  } while (code == DBE_TRUNCATED);
  if (code != 0 || !Regrow(accumulated, total)) return 0;
  memory_ = std::move(accumulated);
  size_ = static_cast<std::int32_t>(total);
  return size_;
}

// Loads the value first when nothing is held.
std::int64_t TAsaBlobStream::Read(void* Buffer, std::int64_t Count) {
  if (memory_ == nullptr) GetBlobSize();
  if (memory_ == nullptr || Count <= 0 || position_ < 0 || position_ >= size_) return 0;
  const std::int64_t n = std::min<std::int64_t>(Count, size_ - position_);
  std::memcpy(Buffer, memory_.get() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

}  // namespace velar
