// The library's entry points in the short calling form. The exported
// functions of each built library (dblib/entry) forward here, dropping the
// legacy context where their form has one.
#pragma once

#include "dblib/include/sqldef.h"

namespace dblib::api {

unsigned init(sqlca* ca);
unsigned fini(sqlca* ca);
unsigned string_connect(sqlca* ca, const char* parms);
unsigned string_disconnect(sqlca* ca, const char* parms);
unsigned start_engine(sqlca* ca, const char* parms);
unsigned stop_engine(sqlca* ca, const char* parms);
unsigned start_database(sqlca* ca, const char* parms);
unsigned stop_database(sqlca* ca, const char* parms);
unsigned short find_engine(sqlca* ca, const char* name);
unsigned ping_server(sqlca* ca, const char* parms, unsigned connect_to_db);
unsigned is_working(sqlca* ca);
int cancel_request(sqlca* ca);
void register_callback(sqlca* ca, int index, dblib_callback callback);
unsigned locate_servers(sqlca* ca, dblib_locate_callback callback, void* user_data);
char* error_message(sqlca* ca, char* buffer, int max);
sqlda* allocate_sqlda(unsigned count, bool indicators, const char* entry_point);
void release_sqlda(sqlda* descriptor, const char* entry_point);
unsigned version_check(unsigned version, unsigned newest);
void backup(sqlca* ca, int operation, int file, unsigned long page, sqlda* descriptor);

void commit(sqlca* ca);
void rollback(sqlca* ca);
void prepare(sqlca* ca, int16_t* statement, const char* sql, sqlda* descriptor);
void drop_statement(sqlca* ca, int16_t* statement);
void execute_into(sqlca* ca, int16_t* statement, sqlda* input, sqlda* output);
void execute_immediate(sqlca* ca, const char* sql);
void describe(sqlca* ca, int16_t* statement, sqlda* descriptor, unsigned what);
void set_option(sqlca* ca, const char* option, sqlda* descriptor);
void get_option(sqlca* ca, const char* option, sqlda* descriptor);

// Cursors (cursor_api.cpp).
void declare_cursor(sqlca* ca, const char* cursor, int16_t* statement, unsigned options);
void open_cursor(sqlca* ca, const char* cursor, sqlda* input, unsigned options);
void close_cursor(sqlca* ca, const char* cursor);
void describe_cursor(sqlca* ca, const char* cursor, sqlda* descriptor, unsigned what);
void fetch(sqlca* ca, const char* cursor, unsigned orientation, int32_t offset, sqlda* descriptor,
           unsigned width);
void get_data(sqlca* ca, const char* cursor, unsigned column, int32_t offset, sqlda* descriptor);
void update(sqlca* ca, const char* cursor, sqlda* input);
void delete_row(sqlca* ca, const char* cursor);
void put_into(sqlca* ca, const char* cursor, sqlda* input, sqlda* output);
void explain(sqlca* ca, const char* cursor, sqlda* descriptor);
void resume(sqlca* ca, const char* cursor);

// Test control.
void test_trace(int on);
int test_trace_text(char* buffer, int max);
void test_inject(const char* entry_point, int code, const char* message);
void test_clear();
int test_create_database(const char* file);
void test_stop_all();

}  // namespace dblib::api
