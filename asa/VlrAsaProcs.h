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

// The entry points in the order they are looked up.
struct TAsaProcs {
  TAsaDbppProc<dbpp_commit_fn, dbpp_commit_legacy_fn> dbpp_commit;
  TAsaDbppProc<dbpp_rollback_fn, dbpp_rollback_legacy_fn> dbpp_rollback;
  TAsaDbppProc<dbpp_prepare_fn, dbpp_prepare_legacy_fn> dbpp_prepare;
  TAsaDbppProc<dbpp_dropstmt_fn, dbpp_dropstmt_legacy_fn> dbpp_dropstmt;
  TAsaDbppProc<dbpp_execute_into_fn, dbpp_execute_into_legacy_fn> dbpp_execute_into;
  TAsaDbppProc<dbpp_execute_imm_fn, dbpp_execute_imm_legacy_fn> dbpp_execute_imm;
  TAsaDbppProc<dbpp_describe_fn, dbpp_describe_legacy_fn> dbpp_describe;
  TAsaDbppProc<dbpp_describe_cursor_fn, dbpp_describe_cursor_legacy_fn> dbpp_describe_cursor;
  TAsaDbppProc<dbpp_declare_fn, dbpp_declare_legacy_fn> dbpp_declare;
  TAsaDbppProc<dbpp_open_fn, dbpp_open_legacy_fn> dbpp_open;
  TAsaDbppProc<dbpp_explain_fn, dbpp_explain_legacy_fn> dbpp_explain;
  TAsaDbppProc<dbpp_fetch_array_fn, dbpp_fetch_array_legacy_fn> dbpp_fetch_array;
  TAsaDbppProc<dbpp_get_data_fn, dbpp_get_data_legacy_fn> dbpp_get_data;
  TAsaDbppProc<dbpp_put_into_fn, dbpp_put_into_legacy_fn> dbpp_put_into;
  TAsaDbppProc<dbpp_update_fn, dbpp_update_legacy_fn> dbpp_update;
  TAsaDbppProc<dbpp_delete_fn, dbpp_delete_legacy_fn> dbpp_delete;
  TAsaDbppProc<dbpp_resume_fn, dbpp_resume_legacy_fn> dbpp_resume;
  TAsaDbppProc<dbpp_close_fn, dbpp_close_legacy_fn> dbpp_close;
  TAsaDbppProc<dbpp_setoption_fn, dbpp_setoption_legacy_fn> dbpp_setoption;
  TAsaDbppProc<dbpp_getoption_fn, dbpp_getoption_legacy_fn> dbpp_getoption;
  db_string_connect_fn db_string_connect = nullptr;
  db_string_disconnect_fn db_string_disconnect = nullptr;
  db_start_engine_fn db_start_engine = nullptr;
  db_start_database_fn db_start_database = nullptr;
  db_stop_engine_fn db_stop_engine = nullptr;
  db_stop_database_fn db_stop_database = nullptr;
  db_cancel_request_fn db_cancel_request = nullptr;
  alloc_sqlda_noind_fn alloc_sqlda_noind = nullptr;
  alloc_sqlda_fn alloc_sqlda = nullptr;
  free_sqlda_noind_fn free_sqlda_noind = nullptr;
  free_sqlda_fn free_sqlda = nullptr;
  sqlerror_message_fn sqlerror_message = nullptr;
  db_find_engine_fn db_find_engine = nullptr;
  db_is_working_fn db_is_working = nullptr;
  db_init_fn db_init = nullptr;
  db_fini_fn db_fini = nullptr;
  db_backup_fn db_backup = nullptr;
  db_string_ping_server_fn db_string_ping_server = nullptr;  // optional
  db_version_check_fn db_version_check = nullptr;            // optional
  db_register_a_callback_fn db_register_a_callback = nullptr;
  db_locate_servers_fn db_locate_servers = nullptr;  // optional, never called
};

// Calls Visit(Name, Entry, Optional) for every entry of Procs in lookup order,
// so that binding, unbinding and inspecting the table share one list.
template <class Procs, class Visitor>
void VisitAsaProcs(Procs& P, Visitor&& Visit) {
  Visit("dbpp_commit", P.dbpp_commit, false);
  Visit("dbpp_rollback", P.dbpp_rollback, false);
  Visit("dbpp_prepare", P.dbpp_prepare, false);
  Visit("dbpp_dropstmt", P.dbpp_dropstmt, false);
  Visit("dbpp_execute_into", P.dbpp_execute_into, false);
  Visit("dbpp_execute_imm", P.dbpp_execute_imm, false);
  Visit("dbpp_describe", P.dbpp_describe, false);
  Visit("dbpp_describe_cursor", P.dbpp_describe_cursor, false);
  Visit("dbpp_declare", P.dbpp_declare, false);
  Visit("dbpp_open", P.dbpp_open, false);
  Visit("dbpp_explain", P.dbpp_explain, false);
  Visit("dbpp_fetch_array", P.dbpp_fetch_array, false);
  Visit("dbpp_get_data", P.dbpp_get_data, false);
  Visit("dbpp_put_into", P.dbpp_put_into, false);
  Visit("dbpp_update", P.dbpp_update, false);
  Visit("dbpp_delete", P.dbpp_delete, false);
  Visit("dbpp_resume", P.dbpp_resume, false);
  Visit("dbpp_close", P.dbpp_close, false);
  Visit("dbpp_setoption", P.dbpp_setoption, false);
  Visit("dbpp_getoption", P.dbpp_getoption, false);
  Visit("db_string_connect", P.db_string_connect, false);
  Visit("db_string_disconnect", P.db_string_disconnect, false);
  Visit("db_start_engine", P.db_start_engine, false);
  Visit("db_start_database", P.db_start_database, false);
  Visit("db_stop_engine", P.db_stop_engine, false);
  Visit("db_stop_database", P.db_stop_database, false);
  Visit("db_cancel_request", P.db_cancel_request, false);
  Visit("alloc_sqlda_noind", P.alloc_sqlda_noind, false);
  Visit("alloc_sqlda", P.alloc_sqlda, false);
  Visit("free_sqlda_noind", P.free_sqlda_noind, false);
  Visit("free_sqlda", P.free_sqlda, false);
  Visit("sqlerror_message", P.sqlerror_message, false);
  Visit("db_find_engine", P.db_find_engine, false);
  Visit("db_is_working", P.db_is_working, false);
  Visit("db_init", P.db_init, false);
  Visit("db_fini", P.db_fini, false);
  Visit("db_backup", P.db_backup, false);
  Visit("db_string_ping_server", P.db_string_ping_server, true);
  Visit("db_version_check", P.db_version_check, true);
  Visit("db_register_a_callback", P.db_register_a_callback, false);
  Visit("db_locate_servers", P.db_locate_servers, true);
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
// process. Only TAsaSession's library steps change it; statements read the
// table, the generation and the context.
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
