// Row search: forward from the current row for the first row whose fields
// equal key values, compared slot by slot in the row buffer.
#include <cstring>
#include <vector>

#include "base/VlrSQL.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// One listed field: where its slot lies in the row and in the key.
struct TKeyField {
  int Field;
  int RowOffset;
  int KeyOffset;
  int Size;
};

// A slot read as text ends at its terminator or at its end, so that a slot
// without a terminator (a number, a full text) is never read past.
std::size_t TextLength(const std::uint8_t* Slot, int Size) {
  return ::strnlen(reinterpret_cast<const char*>(Slot), static_cast<std::size_t>(Size));
}

}  // namespace

// The key values are encoded once by the driver into a buffer laid out like
// the listed fields; each row then costs one comparison per field and no
// allocation. A failed search goes back to the row it started from.
bool TVelarSQL::Find(std::string_view FieldNames, TVelarValues Values,
                     TVelarLocateOptions Options) {
  if (!opened_) RaiseMessage(VELAR_ERR_CURS_NOT_OPENED);

  // The values: the elements given, or those of a first element that is an
  // array of variants.
  const bool inArray =
      !Values.empty() && Values.front().Type() == (host::varArray | host::varVariant);
  const int low = inArray ? host::VarArrayLowBound(Values.front()) : 0;
  const int valueCount =
      inArray ? host::VarArrayHighBound(Values.front()) - low + 1 : static_cast<int>(Values.size());

  std::vector<TKeyField> keys;
  std::vector<std::uint8_t> key;
  for (int position = 1; position <= static_cast<int>(FieldNames.size());) {
    const std::string name = VlrExtractFieldName(FieldNames, position);
    const int field = IndexOfField(name);
    if (field < 0) RaiseLastError(host::Format(VlrLoadStr(VELAR_ERR_FIELD_NOT_FOUND), name));
    const TVelarFieldDesc& desc = fields_[field];
    const TKeyField slot{field, fieldOffsets_[field], static_cast<int>(key.size()), desc.Size};
    key.resize(key.size() + static_cast<std::size_t>(std::max(desc.Size, 0)), 0);
    const int k = static_cast<int>(keys.size());
    if (k < valueCount) {
      const host::Variant value = inArray ? host::VarArrayGet(Values.front(), low + k)
                                          : Values[static_cast<std::size_t>(k)];
      PutFieldData(key.data(), slot.KeyOffset, desc.Size, desc.FieldType, value, nullptr);
    }
    keys.push_back(slot);
  }
  if (keys.empty()) return false;

  const bool partial = Options.Contains(nloPartialKey);
  const bool ignoreCase = Options.Contains(nloCaseInsensitive);
  TVelarSession* session = RequireSession();
  const auto matches = [&](const TKeyField& Slot) {
    const std::uint8_t* f = recordBuffer_.Data() + Slot.RowOffset;
    const std::uint8_t* k = key.data() + Slot.KeyOffset;
    const auto* fText = reinterpret_cast<const char*>(f);
    const auto* kText = reinterpret_cast<const char*>(k);
    if (!partial) {
      if (Slot.Size <= 0) return true;
      return ignoreCase
                 ? session->TranslateLICompChar(fText, kText, static_cast<std::size_t>(Slot.Size))
                 : std::memcmp(f, k, static_cast<std::size_t>(Slot.Size)) == 0;
    }
    // The field's text begins with the key's (an empty key matches nothing).
    const std::size_t keyLength = TextLength(k, Slot.Size);
    if (keyLength == 0) return false;
    if (keyLength <= TextLength(f, Slot.Size) && std::memcmp(f, k, keyLength) == 0) return true;
    return ignoreCase && session->TranslateLICompChar(fText, kText, keyLength);
  };

  const std::int32_t start = rowNo_;
  bool found = false;
  while (!eof_) {
    found = true;
    for (const TKeyField& slot : keys) {
      if (!matches(slot)) {
        found = false;
        break;
      }
    }
    if (found || !Next()) break;
  }
  if (!found) Seek(start);
  return found;
}

}  // namespace velar
