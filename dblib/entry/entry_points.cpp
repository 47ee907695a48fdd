// The exported entry points. This file is built once per library with
// DBLIB_FORM_VERSION set: 7 gives the short calling form (every dbpp_ entry
// takes the SQLCA, then its own arguments); 6 and 5 the legacy form (the
// legacy context address is the second argument of every dbpp_ entry; any
// pointer is accepted there). Generation 5 lacks db_version_check,
// db_string_ping_server, db_locate_servers and dbpp_explain, as an old
// library would.
#if DBLIB_FORM_VERSION != 7
#define DBLIB_LEGACY_FORM 1
#endif

#include "dblib/core/api.h"
#include "dblib/include/sqldef.h"

#define DBLIB_EXPORT extern "C" __attribute__((visibility("default")))

#ifdef DBLIB_LEGACY_FORM
#define LEGACY_CONTEXT , void* /*legacy_context*/
#else
#define LEGACY_CONTEXT
#endif

using namespace dblib;

DBLIB_EXPORT void dbpp_commit(sqlca* ca LEGACY_CONTEXT, unsigned int) {
  api::commit(ca);
}

DBLIB_EXPORT void dbpp_rollback(sqlca* ca LEGACY_CONTEXT, unsigned int) {
  api::rollback(ca);
}

DBLIB_EXPORT void dbpp_prepare(sqlca* ca LEGACY_CONTEXT, const char*, const char*,
                               int16_t* statement, const char* sql, sqlda* descriptor,
                               unsigned short) {
  api::prepare(ca, statement, sql, descriptor);
}

DBLIB_EXPORT void dbpp_dropstmt(sqlca* ca LEGACY_CONTEXT, const char*, const char*,
                                int16_t* statement) {
  api::drop_statement(ca, statement);
}

DBLIB_EXPORT void dbpp_execute_into(sqlca* ca LEGACY_CONTEXT, const char*, const char*,
                                    int16_t* statement, sqlda* input, sqlda* output) {
  api::execute_into(ca, statement, input, output);
}

DBLIB_EXPORT void dbpp_execute_imm(sqlca* ca LEGACY_CONTEXT, const char* sql, unsigned short) {
  api::execute_immediate(ca, sql);
}

DBLIB_EXPORT void dbpp_describe(sqlca* ca LEGACY_CONTEXT, const char*, const char*,
                                int16_t* statement, sqlda* descriptor, unsigned short what) {
  api::describe(ca, statement, descriptor, what);
}

DBLIB_EXPORT void dbpp_describe_cursor(sqlca* ca LEGACY_CONTEXT, const char* cursor,
                                       sqlda* descriptor, unsigned short what) {
  api::describe_cursor(ca, cursor, descriptor, what);
}

DBLIB_EXPORT void dbpp_declare(sqlca* ca LEGACY_CONTEXT, const char* cursor, const char*,
                               const char*, int16_t* statement, unsigned short options) {
  api::declare_cursor(ca, cursor, statement, options);
}

DBLIB_EXPORT void dbpp_open(sqlca* ca LEGACY_CONTEXT, const char* cursor, const char*, const char*,
                            int16_t*, sqlda* input, int16_t, int16_t, unsigned short options) {
  api::open_cursor(ca, cursor, input, options);
}

#if DBLIB_FORM_VERSION >= 6
DBLIB_EXPORT void dbpp_explain(sqlca* ca LEGACY_CONTEXT, const char* cursor, unsigned short,
                               sqlda* descriptor) {
  api::explain(ca, cursor, descriptor);
}
#endif

DBLIB_EXPORT void dbpp_fetch_array(sqlca* ca LEGACY_CONTEXT, const char* cursor,
                                   unsigned short orientation, int32_t offset, sqlda* descriptor,
                                   int16_t, unsigned short, unsigned short width) {
  api::fetch(ca, cursor, orientation, offset, descriptor, width);
}

DBLIB_EXPORT void dbpp_get_data(sqlca* ca LEGACY_CONTEXT, const char* cursor, unsigned short column,
                                int32_t offset, sqlda* descriptor, unsigned short) {
  api::get_data(ca, cursor, column, offset, descriptor);
}

DBLIB_EXPORT void dbpp_put_into(sqlca* ca LEGACY_CONTEXT, const char* cursor, sqlda* input,
                                sqlda* output) {
  api::put_into(ca, cursor, input, output);
}

DBLIB_EXPORT void dbpp_update(sqlca* ca LEGACY_CONTEXT, const char* cursor, sqlda* input) {
  api::update(ca, cursor, input);
}

DBLIB_EXPORT void dbpp_delete(sqlca* ca LEGACY_CONTEXT, const char* cursor, const void*,
                              const void*) {
  api::delete_row(ca, cursor);
}

DBLIB_EXPORT void dbpp_resume(sqlca* ca LEGACY_CONTEXT, const char* cursor) {
  api::resume(ca, cursor);
}

DBLIB_EXPORT void dbpp_close(sqlca* ca LEGACY_CONTEXT, const char* cursor) {
  api::close_cursor(ca, cursor);
}

DBLIB_EXPORT void dbpp_setoption(sqlca* ca LEGACY_CONTEXT, int, const char*, const char* option,
                                 sqlda* descriptor) {
  api::set_option(ca, option, descriptor);
}

DBLIB_EXPORT void dbpp_getoption(sqlca* ca LEGACY_CONTEXT, int, const char*, const char* option,
                                 sqlda* descriptor) {
  api::get_option(ca, option, descriptor);
}

DBLIB_EXPORT unsigned db_string_connect(sqlca* ca, const char* parms) {
  return api::string_connect(ca, parms);
}

DBLIB_EXPORT unsigned db_string_disconnect(sqlca* ca, const char* parms) {
  return api::string_disconnect(ca, parms);
}

DBLIB_EXPORT unsigned db_start_engine(sqlca* ca, const char* parms) {
  return api::start_engine(ca, parms);
}

DBLIB_EXPORT unsigned db_start_database(sqlca* ca, const char* parms) {
  return api::start_database(ca, parms);
}

DBLIB_EXPORT unsigned db_stop_engine(sqlca* ca, const char* parms) {
  return api::stop_engine(ca, parms);
}

DBLIB_EXPORT unsigned db_stop_database(sqlca* ca, const char* parms) {
  return api::stop_database(ca, parms);
}

DBLIB_EXPORT int db_cancel_request(sqlca* ca) {
  return api::cancel_request(ca);
}

DBLIB_EXPORT sqlda* alloc_sqlda_noind(unsigned count) {
  return api::allocate_sqlda(count, false, "alloc_sqlda_noind");
}

DBLIB_EXPORT sqlda* alloc_sqlda(unsigned count) {
  return api::allocate_sqlda(count, true, "alloc_sqlda");
}

DBLIB_EXPORT void free_sqlda_noind(sqlda* descriptor) {
  api::release_sqlda(descriptor, "free_sqlda_noind");
}

DBLIB_EXPORT void free_sqlda(sqlda* descriptor) {
  api::release_sqlda(descriptor, "free_sqlda");
}

DBLIB_EXPORT char* sqlerror_message(sqlca* ca, char* buffer, int max) {
  return api::error_message(ca, buffer, max);
}

DBLIB_EXPORT unsigned short db_find_engine(sqlca* ca, const char* name) {
  return api::find_engine(ca, name);
}

DBLIB_EXPORT unsigned db_is_working(sqlca* ca) {
  return api::is_working(ca);
}

DBLIB_EXPORT unsigned db_init(sqlca* ca) {
  return api::init(ca);
}

DBLIB_EXPORT unsigned db_fini(sqlca* ca) {
  return api::fini(ca);
}

DBLIB_EXPORT void db_backup(sqlca* ca, int operation, int file_number, unsigned long page_number,
                            sqlda* descriptor) {
  api::backup(ca, operation, file_number, page_number, descriptor);
}

DBLIB_EXPORT void db_register_a_callback(sqlca* ca, int index, dblib_callback callback) {
  api::register_callback(ca, index, callback);
}

#if DBLIB_FORM_VERSION >= 6
DBLIB_EXPORT unsigned db_string_ping_server(sqlca* ca, const char* parms, unsigned connect_to_db) {
  return api::ping_server(ca, parms, connect_to_db);
}

DBLIB_EXPORT unsigned db_version_check(unsigned version) {
  return api::version_check(version, DBLIB_FORM_VERSION);
}

DBLIB_EXPORT unsigned db_locate_servers(sqlca* ca, dblib_locate_callback callback,
                                        void* user_data) {
  return api::locate_servers(ca, callback, user_data);
}
#endif

DBLIB_EXPORT void dblib_test_trace(int on) {
  api::test_trace(on);
}
DBLIB_EXPORT int dblib_test_trace_text(char* buffer, int max) {
  return api::test_trace_text(buffer, max);
}
DBLIB_EXPORT void dblib_test_inject(const char* entry_point, int sqlcode, const char* message) {
  api::test_inject(entry_point, sqlcode, message);
}
DBLIB_EXPORT void dblib_test_clear(void) {
  api::test_clear();
}
DBLIB_EXPORT int dblib_test_create_database(const char* file) {
  return api::test_create_database(file);
}
DBLIB_EXPORT void dblib_test_stop_all(void) {
  api::test_stop_all();
}
