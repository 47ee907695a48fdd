// The session's OEM/ANSI conversion: statements send their text through it,
// and row search compares through it.
#include <cstring>

#include "base/VlrSession.h"
#include "host/os.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// Copies at most MaxLength characters of an OEM text into Scratch as ANSI
// text with its terminator. The scratch buffer only grows, so comparing row
// after row allocates once.
const char* OemCopyToAnsi(const char* Text, std::size_t MaxLength, std::vector<char>& Scratch) {
  const std::size_t length = ::strnlen(Text, MaxLength);
  if (Scratch.size() < length + 1) Scratch.resize(length + 1);
  host::OemToCharBuff(Text, Scratch.data(), length);
  Scratch[length] = '\0';
  return Scratch.data();
}

}  // namespace

// With OEMConvert off the library and the program share one code page, and
// Dest is not written at all (callers may rely on it holding its own text).
void TVelarSession::TranslateChar(const char* Source, char* Dest, std::size_t Length, bool ToOem) {
  if (!oemConvert_ || Source == nullptr || Dest == nullptr || Length == 0) return;
  if (ToOem)
    host::CharToOemBuff(Source, Dest, Length);
  else
    host::OemToCharBuff(Source, Dest, Length);
}

// Compares on converted copies so that neither caller's buffer changes; only
// the characters up to each terminator are converted, the rest cannot take
// part in the comparison. A null text compares as empty.
bool TVelarSession::TranslateLICompChar(const char* S1, const char* S2, std::size_t MaxLength) {
  const char* left = S1 != nullptr ? S1 : "";
  const char* right = S2 != nullptr ? S2 : "";
  if (oemConvert_) {
    left = OemCopyToAnsi(left, MaxLength, compareLeft_);
    right = OemCopyToAnsi(right, MaxLength, compareRight_);
  }
  return host::AnsiStrLIComp(left, right, MaxLength) == 0;
}

}  // namespace velar
