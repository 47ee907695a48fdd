#include "base/VlrRoutines.h"

#include <cstring>
#include <new>
#include <utility>

#include "base/VlrMessages.h"
#include "host/sysutils.h"

namespace velar {

// ----------------------------------------------------------- text building

// Positional lists keep an empty slot, so the separator goes in regardless of
// the value.
void VlrConcateField(std::string& S, std::string_view Separator, std::string_view Value) {
  if (!S.empty()) S.append(Separator);
  S.append(Value);
}

// Keyed lists skip empty parts entirely.
void VlrConcateEmptyField(std::string& S, std::string_view Separator, std::string_view Value) {
  if (!S.empty() && !Value.empty()) S.append(Separator);
  S.append(Value);
}

// Scans from Pos to the next ";" or the end. Positions outside the list are
// clamped rather than trusted, since callers build them by hand.
std::string VlrExtractFieldName(std::string_view Fields, int& Pos) {
  if (Pos < 1) Pos = 1;
  const std::size_t length = Fields.size();
  std::size_t start = static_cast<std::size_t>(Pos) - 1;
  if (start >= length) return std::string();
  std::size_t stop = Fields.find(';', start);
  if (stop == std::string_view::npos) stop = length;
  std::string name = host::Trim(Fields.substr(start, stop - start));
  Pos = static_cast<int>(stop < length ? stop + 2 : length + 1);
  return name;
}

// Only a dot after the last separator starts an extension, so "dir.x/file"
// keeps its whole name. Both separators count, as names may come from either
// platform.
std::string VlrExtractFilePrefix(std::string_view FileName) {
  std::size_t last = FileName.find_last_of(".\\:/");
  if (last != std::string_view::npos && FileName[last] == '.')
    return std::string(FileName.substr(0, last));
  return std::string(FileName);
}

// ---------------------------------------------------------- memory blocks

// Zero-filled, as every owner expects a fresh buffer to read as empty. The
// block is allocated by size so that freeing it with another size is caught
// by the sanitizers.
void* VlrAllocMem(std::size_t Size) {
  if (Size == 0) return nullptr;
  void* block = ::operator new(Size);
  std::memset(block, 0, Size);
  return block;
}

// The counterpart of VlrAllocMem.
void VlrFreeMem(void* Block, std::size_t Size) noexcept {
  if (Block != nullptr) ::operator delete(Block, Size);
}

// Takes the other block over and leaves the source empty.
TVelarMemBlock::TVelarMemBlock(TVelarMemBlock&& Other) noexcept
    : data_(std::exchange(Other.data_, nullptr)), size_(std::exchange(Other.size_, 0)) {}

// Frees the block held so far, then takes the other one over.
TVelarMemBlock& TVelarMemBlock::operator=(TVelarMemBlock&& Other) noexcept {
  if (this != &Other) {
    Dispose();
    data_ = std::exchange(Other.data_, nullptr);
    size_ = std::exchange(Other.size_, 0);
  }
  return *this;
}

// The old block goes first, so a failed allocation leaves the owner empty
// rather than holding a block of the wrong size.
void TVelarMemBlock::Allocate(std::size_t Size) {
  Dispose();
  data_ = static_cast<std::uint8_t*>(VlrAllocMem(Size));
  size_ = data_ != nullptr ? Size : 0;
}

// Releases through VlrDisposeMem, which clears the pointer.
void TVelarMemBlock::Dispose() noexcept {
  VlrDisposeMem(data_, size_);
  size_ = 0;
}

// Output buffers are cleared before each use without reallocating.
void TVelarMemBlock::Zero() noexcept {
  if (data_ != nullptr) std::memset(data_, 0, size_);
}

// ------------------------------------------- client-library entry points

// Raised directly: the fallback knows no session to record the text in.
void VlrDummyProc() {
  throw EVelarException(VlrLoadStr(VELAR_ERR_LIB_WRONG));
}

// For entry points whose absence the caller treats as "no answer".
int VlrDummyProcNoExcept() noexcept {
  return 0;
}

}  // namespace velar
