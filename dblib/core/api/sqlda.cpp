// Allocating and freeing SQLDAs.
#include <cstdlib>
#include <cstring>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"

namespace dblib::api {

namespace {

// Whether an SQLDA carries its own indicators.
enum class Indicators : bool { None = false, OnePerEntry = true };

// One block: header, entries, then one indicator per entry when asked. An
// outcome injected into the entry point makes it fail.
sqlda* allocate(unsigned count, Indicators indicators, const char* entry_point) {
  Request request(nullptr, entry_point, Needs::Nothing);
  if (request.take_injected() || count > 32767) return nullptr;
  size_t entries = count > 0 ? count : 1;
  size_t size = offsetof(sqlda, sqlvar) + entries * sizeof(sqlvar);
  size_t indicator_offset = size;
  if (indicators == Indicators::OnePerEntry) size += entries * sizeof(int16_t);
  void* block = std::calloc(1, size);
  if (block == nullptr) return nullptr;
  sqlda* descriptor = static_cast<sqlda*>(block);
  std::memcpy(descriptor->sqldaid, "SQLDA   ", 8);
  descriptor->sqldabc = static_cast<int32_t>(size);
  descriptor->sqln = static_cast<int16_t>(count);
  descriptor->sqld = 0;
  if (indicators == Indicators::OnePerEntry) {
    int16_t* indicator = reinterpret_cast<int16_t*>(static_cast<char*>(block) + indicator_offset);
    for (unsigned i = 0; i < count; ++i)
      descriptor->sqlvar[i].sqlind = &indicator[i];
  }
  return descriptor;
}

void release(sqlda* descriptor, const char* entry_point) {
  Request request(nullptr, entry_point, Needs::Nothing);
  std::free(descriptor);
}

}  // namespace

sqlda* alloc_sqlda_noind(unsigned count) {
  return allocate(count, Indicators::None, __func__);
}

sqlda* alloc_sqlda(unsigned count) {
  return allocate(count, Indicators::OnePerEntry, __func__);
}

void free_sqlda_noind(sqlda* descriptor) {
  release(descriptor, __func__);
}

void free_sqlda(sqlda* descriptor) {
  release(descriptor, __func__);
}

}  // namespace dblib::api
