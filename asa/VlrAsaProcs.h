// The client library as the driver sees it: the table of its 41 entry points,
// bound by name at run time, and the state one loaded copy of it carries for
// the whole process (handle, reference count, interface generation and the
// legacy call context).
//
// The dbpp_ entries exist in two calling forms. A library of generation 7
// takes the SQLCA and then the entry's own arguments; older ones take the
// address of the legacy context as a second argument. Each dbpp_ entry keeps
// a pointer of either form's type, and calling it picks the form the loaded
// library serves, so no function is ever called through a pointer of another
// type:
//
//   AsaLibrary.Procs.dbpp_commit(Session->SQLCA(), 0u);
#pragma once

#include <cstdint>
#include <new>
#include <utility>

#include "dblib/include/sqldef.h"
#include "host/os.h"

namespace velar {

// Which interface the loaded library serves, found by the probe when a
// session initialises its SQLCA.
enum TAsaLibraryGeneration : std::uint8_t {
  agNone,         // no session has initialised since the library was loaded
  agUnversioned,  // the library has no db_version_check
  agOlder,        // it answers neither version 6 nor (by its name) version 7
  agVersion6,
  agVersion7,  // the short calling form
};

// One dbpp_ entry point, bound in both calling forms; see the file comment.
template <class ShortProc, class LegacyProc>
struct TAsaDbppProc {
  ShortProc Short = nullptr;
  LegacyProc Legacy = nullptr;

  template <class... Args>
  void operator()(sqlca* Ca, Args&&... Arguments) const;
};

// The entry points in the order they are looked up, one member per entry of
// the client library's list (dblib/include/entry_point_list.h), named as the
// library exports it.
struct TAsaProcs {
#define DBLIB_DBPP(name, since, probe, params, args) \
  TAsaDbppProc<dbpp_##name##_fn, dbpp_##name##_legacy_fn> dbpp_##name;
#define DBLIB_DB(result, name, since, probe, params, args) name##_fn name = nullptr;
#include "dblib/include/entry_point_list.h"
};

// Calls Visit(Name, Entry, Optional) for every entry of Procs in lookup order,
// so that binding, unbinding and inspecting the table share one list. An
// optional entry is one the list marks for probing: a library without it
// is still usable, so it stays null rather than raising when called.
template <class Procs, class Visitor>
void VisitAsaProcs(Procs& P, Visitor&& Visit) {
#define DBLIB_DBPP(name, since, probe, params, args) \
  Visit("dbpp_" #name, P.dbpp_##name, probe != 0);
#define DBLIB_DB(result, name, since, probe, params, args) Visit(#name, P.name, probe != 0);
#include "dblib/include/entry_point_list.h"
}

// Whether an entry of the table holds an address (the library's or a
// fallback's).
template <class Proc>
bool IsAsaProcBound(Proc Entry) {
  return Entry != nullptr;
}
template <class ShortProc, class LegacyProc>
bool IsAsaProcBound(const TAsaDbppProc<ShortProc, LegacyProc>& Entry) {
  return Entry.Short != nullptr || Entry.Legacy != nullptr;
}

// Fills the table from a loaded library: a found address is taken, a missing
// optional entry stays null, any other missing entry gets a fallback of its
// own type that raises "Function not supported by this version of the
// Database Interface library.".
void BindAsaProcs(TAsaProcs& Procs, host::TLibraryHandle Handle);

// The state of the one loaded client library, shared by every session of the
// process. Only TAsaSession's library steps change it, and they run under
// the base's library-frame lock, one session at a time; statements read the
// table, the generation and the context without a lock, on any thread, which
// is sound because the steps write them only while the reference count
// shows that no other session calls through them.
struct TAsaLibrary {
  host::TLibraryHandle Handle = nullptr;
  int ReferenceCount = 0;  // sessions holding a reference
  TAsaProcs Procs;
  TAsaLibraryGeneration Generation = agNone;
  // The interface version numbers the legacy context points at: 7, 6, or 4
  // for the unversioned and older generations.
  std::uint16_t InterfaceVersion = 0;
  std::uint16_t InterfaceVersion2 = 0;
  dblib_legacy_context LegacyContext{};
};

extern TAsaLibrary AsaLibrary;

template <class ShortProc, class LegacyProc>
template <class... Args>
void TAsaDbppProc<ShortProc, LegacyProc>::operator()(sqlca* Ca, Args&&... Arguments) const {
  if (AsaLibrary.Generation == agVersion7)
    Short(Ca, std::forward<Args>(Arguments)...);
  else
    Legacy(Ca, &AsaLibrary.LegacyContext, std::forward<Args>(Arguments)...);
}

// A descriptor area from the library's alloc_sqlda, released through its
// free_sqlda on every path. Raises std::bad_alloc when the library has no
// memory for it.
class TAsaDescriptor {
 public:
  explicit TAsaDescriptor(unsigned Entries) : descriptor_(AsaLibrary.Procs.alloc_sqlda(Entries)) {
    if (descriptor_ == nullptr) throw std::bad_alloc();
  }
  ~TAsaDescriptor() { AsaLibrary.Procs.free_sqlda(descriptor_); }
  TAsaDescriptor(const TAsaDescriptor&) = delete;
  TAsaDescriptor& operator=(const TAsaDescriptor&) = delete;

  sqlda* get() const { return descriptor_; }
  sqlda* operator->() const { return descriptor_; }

 private:
  sqlda* descriptor_;
};

}  // namespace velar
