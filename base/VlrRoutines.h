// Free routines shared by the base and the drivers: connect-string building,
// field-list parsing, file-name trimming, owned memory blocks, client-library
// entry-point fallbacks and reading a file's product version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace velar {

// ----------------------------------------------------------- text building

// Appends Value to S, preceded by Separator when S already holds something.
// An empty Value still adds the separator: a positional list keeps its slot.
void VlrConcateField(std::string& S, std::string_view Separator, std::string_view Value);
// As VlrConcateField, but an empty Value adds nothing at all, so optional parts
// of a connect string leave no stray separators.
void VlrConcateEmptyField(std::string& S, std::string_view Separator, std::string_view Value);

// The next name of a ";"-separated field list, blanks trimmed. Pos is 1-based;
// it is left just past the ";" that ended the name, or past the end of the
// list, so that calls while Pos <= Fields.size() walk the list. A Pos below 1
// starts at the beginning; one beyond the end gives an empty name.
std::string VlrExtractFieldName(std::string_view Fields, int& Pos);

// The file name without its extension: text before the last ".", unless a
// directory separator ("/" or "\") or a drive colon comes after that dot, in
// which case the name is returned whole.
std::string VlrExtractFilePrefix(std::string_view FileName);

// ---------------------------------------------------------- memory blocks

// A zero-filled block that VlrDisposeMem releases; a Size of 0 gives none.
void* VlrAllocMem(std::size_t Size);
// Releases a block from VlrAllocMem (Size must be the size it was allocated
// with). Used by VlrDisposeMem; call that instead.
void VlrFreeMem(void* Block, std::size_t Size) noexcept;

// Frees the block Pointer holds, if any, and clears Pointer, so that an owner
// can release on every path without tracking whether it still holds one.
template <class T>
void VlrDisposeMem(T*& Pointer, std::size_t Size) noexcept {
  if (Pointer == nullptr) return;
  VlrFreeMem(const_cast<void*>(static_cast<const void*>(Pointer)), Size);
  Pointer = nullptr;
}

// An owned byte block that releases itself through VlrDisposeMem when its
// owner goes away, so that buffers are freed on every path.
class TVelarMemBlock {
 public:
  TVelarMemBlock() = default;
  TVelarMemBlock(const TVelarMemBlock&) = delete;
  TVelarMemBlock& operator=(const TVelarMemBlock&) = delete;
  TVelarMemBlock(TVelarMemBlock&& Other) noexcept;
  TVelarMemBlock& operator=(TVelarMemBlock&& Other) noexcept;
  ~TVelarMemBlock() { Dispose(); }

  // Replaces the block with a zero-filled one of Size bytes (none for 0).
  void Allocate(std::size_t Size);
  // Frees the block; Data() is null afterwards.
  void Dispose() noexcept;
  // Zero-fills the block in place.
  void Zero() noexcept;

  std::uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// ------------------------------------------- client-library entry points

// The fallback for a missing entry point: raises EVelarException with
// "Function not supported by this version of the Database Interface library.",
// so calling an entry point an old library lacks reports the library as too
// old instead of crashing.
[[noreturn]] void VlrDummyProc();
// The quiet fallback: returns 0 and raises nothing.
int VlrDummyProcNoExcept() noexcept;

namespace detail {
template <class Proc>
struct VlrFallback;
template <class R, class... Args>
struct VlrFallback<R (*)(Args...)> {
  static R Raise(Args...) { VlrDummyProc(); }
  static R Quiet(Args...) noexcept {
    if constexpr (!std::is_void_v<R>) return R{};
  }
};
}  // namespace detail

// Fallbacks with the signature of the entry point they stand in for, so that a
// missing entry is never called through a pointer of another type:
//   VlrInternalAssignProcAddress(Procs.commit, Found, VlrDummyProcFor<TCommitProc>);
template <class Proc>
inline constexpr Proc VlrDummyProcFor = &detail::VlrFallback<Proc>::Raise;
template <class Proc>
inline constexpr Proc VlrDummyProcNoExceptFor = &detail::VlrFallback<Proc>::Quiet;

// Stores the address found in the library when there is one, otherwise the
// fallback (nullptr leaves an optional entry point unbound).
template <class Proc>
requires std::is_pointer_v<Proc> && std::is_function_v<std::remove_pointer_t<Proc>>
void VlrInternalAssignProcAddress(Proc& Target, void* Found, std::type_identity_t<Proc> Fallback) {
  Target = Found != nullptr ? reinterpret_cast<Proc>(Found) : Fallback;
}

// ---------------------------------------------------------------- versions

// Reads the product version of a file's version block (a PE file's resources
// or an ELF file's section .vs_version_info). The fixed part gives all four
// numbers; when its major number is 0 the "ProductVersion" text of the first
// translation overrides each number that is followed by a "." in that text.
// Returns false when the file has no readable block, its fixed part, or (with
// major 0) its translation or ProductVersion text; the numbers read so far are
// then kept. A part of the text that is not a number from 0 to 65535 raises
// host::EConvertError.
bool VlrGetProductVersion(const std::string& FileName, std::uint16_t& Major, std::uint16_t& Minor,
                          std::uint16_t& Release, std::uint16_t& Build);

}  // namespace velar
