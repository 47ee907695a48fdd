/*
 * sqldef.h: type codes, outcome codes, option values and the entry points of
 * the client library. Callers load the library at run time and bind each entry
 * point by name with the matching function-pointer type below; nothing here
 * needs linking.
 *
 * Calling forms. In the short form every dbpp_ entry takes the SQLCA first and
 * then its own arguments. In the legacy form the address of a legacy context
 * record is inserted as the second argument of every dbpp_ entry; the other
 * entries are the same in both forms. The *_fn types give the short form and
 * the *_legacy_fn types the legacy form. Prototypes are declared for the short
 * form, or for the legacy form when DBLIB_LEGACY_FORM is defined.
 *
 * Plain C, usable from C and C++.
 */
#ifndef DBLIB_SQLDEF_H
#define DBLIB_SQLDEF_H

#include <stdint.h>

#include "dblib/include/sqlca.h"
#include "dblib/include/sqlda.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Type codes (sqltype). Bit 0 marks a column or value that may be NULL. ---- */
#define DBT_NULLABLE 1
#define DBT_TYPE_MASK 0x7FFE     /* sqltype & DBT_TYPE_MASK gives the type without bit 0 */
#define DBT_DATE 384             /* date as text "yyyy-mm-dd" */
#define DBT_TIME 388             /* time as text "hh:nn:ss" */
#define DBT_TIMESTAMP_STRUCT 390 /* the 14-byte struct dbt_timestamp below */
#define DBT_TIMESTAMP 392        /* timestamp as text */
#define DBT_VARCHAR 448          /* 16-bit length, then the characters */
#define DBT_FIXCHAR 452          /* characters padded with blanks, no terminator */
#define DBT_LONGVARCHAR 456      /* long text column */
#define DBT_STRING 460           /* characters and a terminating zero byte */
#define DBT_DOUBLE 480           /* 8-byte IEEE double */
#define DBT_FLOAT 482            /* 4-byte IEEE float */
#define DBT_DECIMAL 484          /* described length is precision | scale << 8 */
#define DBT_INT 496              /* 32-bit signed integer */
#define DBT_SMALLINT 500         /* 16-bit signed integer */
#define DBT_BINARY 524           /* 16-bit length, then the bytes */
#define DBT_LONGBINARY 528       /* long binary column */
#define DBT_VARIABLE 600         /* sqldata is the terminated name of an SQL variable */
#define DBT_TINYINT 604          /* 8-bit unsigned integer */
#define DBT_BIGINT 608           /* 64-bit signed integer */
#define DBT_UNSINT 612           /* 32-bit unsigned integer */
#define DBT_UNSSMALLINT 616      /* 16-bit unsigned integer */
#define DBT_UNSBIGINT 620        /* 64-bit unsigned integer */
#define DBT_BIT 624              /* one byte, 0 or 1 */

/* Longest value a described long column reports, and the usual chunk of a long value. */
#define DBT_MAX_SHORT_LENGTH 32767
#define DBT_LONG_CHUNK 32765

/* The 14-byte timestamp record of type 390 (little-endian, no padding). */
#pragma pack(push, 1)
struct dbt_timestamp {
  int16_t year;
  uint8_t month;       /* 0 = January */
  uint8_t day_of_week; /* 0 = Sunday */
  int16_t day_of_year; /* 0 = 1 January */
  uint8_t day;         /* 1-based */
  uint8_t hour;
  uint8_t minute;
  uint8_t second;
  int32_t microsecond;
};
#pragma pack(pop)

/* Indicator bits set by describing the input of a procedure call. */
#define DBIND_PARAM_OUT 0x8000 /* the parameter returns a value */
#define DBIND_PARAM_IN 0x4000  /* with DBIND_PARAM_OUT: the parameter is INOUT */

/* ---- Outcome codes (sqlcode). ---- */
#define DBE_OK 0
#define DBE_NOT_FOUND 100           /* no (more) rows */
#define DBE_TRUNCATED 101           /* a value was cut to fit its host variable */
#define DBE_START_STOP_DENIED (-75) /* stop refused while connections remain */
#define DBE_DATABASE_NAME_NOT_UNIQUE (-77)
#define DBE_UNABLE_TO_START_DATABASE (-82)
#define DBE_DATABASE_NOT_FOUND (-83)
#define DBE_CONNECTION_PARSE_ERROR (-95)
#define DBE_ENGINE_ALREADY_RUNNING (-96)
#define DBE_ENGINE_NOT_RUNNING (-100)
#define DBE_NOT_CONNECTED (-101)
#define DBE_INVALID_LOGON (-103)
#define DBE_ITEM_EXISTS (-110)       /* a procedure of that name already exists */
#define DBE_INVALID_STATEMENT (-130) /* unknown or dropped statement number */
#define DBE_SYNTAX_ERROR (-131)
#define DBE_NOT_IMPLEMENTED (-134)
#define DBE_TABLE_NOT_FOUND (-141)
#define DBE_COLUMN_NOT_FOUND (-143)
#define DBE_WRONG_PARAMETER_COUNT (-154) /* more arguments than the procedure has parameters */
#define DBE_INVALID_HOST_VARIABLE (-155) /* unusable SQLDA entry: type, length, data */
#define DBE_CONVERSION_ERROR (-157)
#define DBE_VALUE_OUT_OF_RANGE (-158)
#define DBE_SQLDA_TOO_SMALL (-160)
#define DBE_CURSOR_NOT_DECLARED (-170)
#define DBE_CURSOR_ALREADY_OPEN (-172)
#define DBE_CURSOR_NOT_OPEN (-180)
#define DBE_NO_INDICATOR (-181)  /* NULL value for an entry without an indicator */
#define DBE_TOO_MANY_ROWS (-185) /* a single-row execute found several rows */
#define DBE_PRIMARY_KEY_NOT_UNIQUE (-193)
#define DBE_NO_PRIMARY_KEY_VALUE (-194) /* foreign key without a matching row */
#define DBE_COLUMN_CANNOT_BE_NULL (-195)
#define DBE_NO_CURRENT_ROW (-197)
#define DBE_INVALID_OPTION (-200)
#define DBE_INVALID_OPTION_SETTING (-201)
#define DBE_LOCKED (-210)
#define DBE_VARIABLE_NOT_FOUND (-260)
#define DBE_VARIABLE_EXISTS (-261)
#define DBE_PROCEDURE_NOT_FOUND (-265)
#define DBE_DOUBLE_REQUEST (-298) /* a request while another runs on the same SQLCA */
#define DBE_INTERRUPTED (-299)
#define DBE_ERROR (-300) /* general run-time error */
#define DBE_DISK_FULL (-304)
#define DBE_CONNECTION_TERMINATED (-308)
#define DBE_NO_MEMORY (-309)
#define DBE_CURSOR_READ_ONLY (-633)     /* positioned change on a cursor that cannot change rows */
#define DBE_DATABASE_FILE_IN_USE (-816) /* the file already runs as a database */
#define DBE_SQLCA_NOT_INITIALIZED (-1001)
#define DBE_BAD_ARGUMENT (-1002)      /* null pointer, bad number or missing buffer */
#define DBE_BACKUP_STATE (-1003)      /* backup call out of order */
#define DBE_ALREADY_CONNECTED (-1004) /* the SQLCA already holds a connection */

/* ---- Cursor options, fetch orientations, describe requests. ---- */
#define DBCUR_READ_ONLY 0x0002
#define DBCUR_NO_SCROLL 0x0004
#define DBCUR_SCROLL 0x0080
#define DBCUR_UPDATE 0x1000
#define DBFETCH_ABSOLUTE 1
#define DBFETCH_RELATIVE 2
#define DBDESC_OUTPUT 1      /* result columns or output parameters */
#define DBDESC_INPUT 2       /* input host variables */
#define DBDESC_FIXED_SHAPE 9 /* SQLCOUNT 1 when the result shape is known at prepare */

/* ---- db_backup operations. ---- */
#define DBBACKUP_START 1
#define DBBACKUP_OPEN_FILE 2
#define DBBACKUP_READ_PAGE 3
#define DBBACKUP_CLOSE_FILE 4
#define DBBACKUP_END 5

/* ---- Callbacks (db_register_a_callback index). ---- */
#define DBCB_START 0  /* before each request */
#define DBCB_WAIT 1   /* repeatedly while a request runs */
#define DBCB_FINISH 2 /* after each request */
typedef int (*dblib_callback)(struct sqlca* sqlca);

/* ---- Option scope for dbpp_setoption. ---- */
#define DBOPT_PERMANENT 0
#define DBOPT_TEMPORARY 1 /* for this connection only */

/* The legacy context record: pointer-sized addresses, no padding (34 bytes). */
#pragma pack(push, 1)
struct dblib_legacy_context {
  uint32_t reserved0;
  uint8_t reserved1[6];
  void* sqlca_pointer_field;   /* address of the caller's SQLCA-pointer field */
  uint16_t* interface_version; /* address of a 16-bit interface version number */
  uint16_t* interface_version2;
};
#pragma pack(pop)

/* A server found by db_locate_servers. */
struct dblib_server_address {
  const char* name;
  const char* address;
};
typedef int (*dblib_locate_callback)(struct sqlca* sqlca, struct dblib_server_address* server,
                                     void* user_data);

/* ---- Entry points. ---- */

/* The dbpp_ argument lists, after the SQLCA (and in the legacy form the context). */
#define DBLIB_ARGS_commit unsigned int options
#define DBLIB_ARGS_rollback unsigned int options
#define DBLIB_ARGS_prepare                                                             \
  const char *statement_name, const char *module, int16_t *statement, const char *sql, \
      struct sqlda *descriptor, unsigned short options
#define DBLIB_ARGS_dropstmt const char *statement_name, const char *module, int16_t *statement
#define DBLIB_ARGS_execute_into                                                            \
  const char *statement_name, const char *module, int16_t *statement, struct sqlda *input, \
      struct sqlda *output
#define DBLIB_ARGS_execute_imm const char *sql, unsigned short options
#define DBLIB_ARGS_describe                                                                     \
  const char *statement_name, const char *module, int16_t *statement, struct sqlda *descriptor, \
      unsigned short what
#define DBLIB_ARGS_describe_cursor const char *cursor, struct sqlda *descriptor, unsigned short what
#define DBLIB_ARGS_declare                                                                \
  const char *cursor, const char *statement_name, const char *module, int16_t *statement, \
      unsigned short options
#define DBLIB_ARGS_open                                                                   \
  const char *cursor, const char *statement_name, const char *module, int16_t *statement, \
      struct sqlda *input, int16_t width, int16_t reserved, unsigned short options
#define DBLIB_ARGS_explain const char *cursor, unsigned short options, struct sqlda *descriptor
#define DBLIB_ARGS_fetch_array                                                              \
  const char *cursor, unsigned short orientation, int32_t offset, struct sqlda *descriptor, \
      int16_t reserved, unsigned short fetch_options, unsigned short width
#define DBLIB_ARGS_get_data                                                            \
  const char *cursor, unsigned short column, int32_t offset, struct sqlda *descriptor, \
      unsigned short reserved
#define DBLIB_ARGS_put_into const char *cursor, struct sqlda *input, struct sqlda *output
#define DBLIB_ARGS_update const char *cursor, struct sqlda *input
#define DBLIB_ARGS_delete const char *cursor, const void *reserved1, const void *reserved2
#define DBLIB_ARGS_resume const char* cursor
#define DBLIB_ARGS_close const char* cursor
#define DBLIB_ARGS_setoption \
  int scope, const char *user, const char *option, struct sqlda *descriptor
#define DBLIB_ARGS_getoption \
  int scope, const char *user, const char *option, struct sqlda *descriptor

/* Function-pointer types of the dbpp_ entries in both forms. */
#define DBLIB_DBPP_TYPES(name)                                                        \
  typedef void (*dbpp_##name##_fn)(struct sqlca * sqlca, DBLIB_ARGS_##name);          \
  typedef void (*dbpp_##name##_legacy_fn)(struct sqlca * sqlca, void* legacy_context, \
                                          DBLIB_ARGS_##name);
DBLIB_DBPP_TYPES(commit)
DBLIB_DBPP_TYPES(rollback)
DBLIB_DBPP_TYPES(prepare)
DBLIB_DBPP_TYPES(dropstmt)
DBLIB_DBPP_TYPES(execute_into)
DBLIB_DBPP_TYPES(execute_imm)
DBLIB_DBPP_TYPES(describe)
DBLIB_DBPP_TYPES(describe_cursor)
DBLIB_DBPP_TYPES(declare)
DBLIB_DBPP_TYPES(open)
DBLIB_DBPP_TYPES(explain)
DBLIB_DBPP_TYPES(fetch_array)
DBLIB_DBPP_TYPES(get_data)
DBLIB_DBPP_TYPES(put_into)
DBLIB_DBPP_TYPES(update)
DBLIB_DBPP_TYPES(delete)
DBLIB_DBPP_TYPES(resume)
DBLIB_DBPP_TYPES(close)
DBLIB_DBPP_TYPES(setoption)
DBLIB_DBPP_TYPES(getoption)

/* Function-pointer types of the other entries (one form). */
typedef unsigned (*db_string_connect_fn)(struct sqlca* sqlca, const char* parms);
typedef unsigned (*db_string_disconnect_fn)(struct sqlca* sqlca, const char* parms);
typedef unsigned (*db_start_engine_fn)(struct sqlca* sqlca, const char* parms);
typedef unsigned (*db_start_database_fn)(struct sqlca* sqlca, const char* parms);
typedef unsigned (*db_stop_engine_fn)(struct sqlca* sqlca, const char* parms);
typedef unsigned (*db_stop_database_fn)(struct sqlca* sqlca, const char* parms);
typedef int (*db_cancel_request_fn)(struct sqlca* sqlca);
typedef struct sqlda* (*alloc_sqlda_noind_fn)(unsigned count);
typedef struct sqlda* (*alloc_sqlda_fn)(unsigned count);
typedef void (*free_sqlda_noind_fn)(struct sqlda* descriptor);
typedef void (*free_sqlda_fn)(struct sqlda* descriptor);
typedef char* (*sqlerror_message_fn)(struct sqlca* sqlca, char* buffer, int max);
typedef unsigned short (*db_find_engine_fn)(struct sqlca* sqlca, const char* name);
typedef unsigned (*db_is_working_fn)(struct sqlca* sqlca);
typedef unsigned (*db_init_fn)(struct sqlca* sqlca);
typedef unsigned (*db_fini_fn)(struct sqlca* sqlca);
typedef void (*db_backup_fn)(struct sqlca* sqlca, int operation, int file_number,
                             unsigned long page_number, struct sqlda* descriptor);
typedef unsigned (*db_string_ping_server_fn)(struct sqlca* sqlca, const char* parms,
                                             unsigned connect_to_db);
typedef unsigned (*db_version_check_fn)(unsigned version);
typedef void (*db_register_a_callback_fn)(struct sqlca* sqlca, int index, dblib_callback callback);
typedef unsigned (*db_locate_servers_fn)(struct sqlca* sqlca, dblib_locate_callback callback,
                                         void* user_data);

/* Prototypes of the dbpp_ entries in the form this translation unit asks for. */
#ifdef DBLIB_LEGACY_FORM
#define DBLIB_DBPP_PROTO(name) \
  void dbpp_##name(struct sqlca* sqlca, void* legacy_context, DBLIB_ARGS_##name);
#else
#define DBLIB_DBPP_PROTO(name) void dbpp_##name(struct sqlca* sqlca, DBLIB_ARGS_##name);
#endif
DBLIB_DBPP_PROTO(commit)
DBLIB_DBPP_PROTO(rollback)
DBLIB_DBPP_PROTO(prepare)
DBLIB_DBPP_PROTO(dropstmt)
DBLIB_DBPP_PROTO(execute_into)
DBLIB_DBPP_PROTO(execute_imm)
DBLIB_DBPP_PROTO(describe)
DBLIB_DBPP_PROTO(describe_cursor)
DBLIB_DBPP_PROTO(declare)
DBLIB_DBPP_PROTO(open)
DBLIB_DBPP_PROTO(explain)
DBLIB_DBPP_PROTO(fetch_array)
DBLIB_DBPP_PROTO(get_data)
DBLIB_DBPP_PROTO(put_into)
DBLIB_DBPP_PROTO(update)
DBLIB_DBPP_PROTO(delete)
DBLIB_DBPP_PROTO(resume)
DBLIB_DBPP_PROTO(close)
DBLIB_DBPP_PROTO(setoption)
DBLIB_DBPP_PROTO(getoption)

unsigned db_string_connect(struct sqlca* sqlca, const char* parms);
unsigned db_string_disconnect(struct sqlca* sqlca, const char* parms);
unsigned db_start_engine(struct sqlca* sqlca, const char* parms);
unsigned db_start_database(struct sqlca* sqlca, const char* parms);
unsigned db_stop_engine(struct sqlca* sqlca, const char* parms);
unsigned db_stop_database(struct sqlca* sqlca, const char* parms);
int db_cancel_request(struct sqlca* sqlca);
struct sqlda* alloc_sqlda_noind(unsigned count);
struct sqlda* alloc_sqlda(unsigned count);
void free_sqlda_noind(struct sqlda* descriptor);
void free_sqlda(struct sqlda* descriptor);
char* sqlerror_message(struct sqlca* sqlca, char* buffer, int max);
unsigned short db_find_engine(struct sqlca* sqlca, const char* name);
unsigned db_is_working(struct sqlca* sqlca);
unsigned db_init(struct sqlca* sqlca);
unsigned db_fini(struct sqlca* sqlca);
void db_backup(struct sqlca* sqlca, int operation, int file_number, unsigned long page_number,
               struct sqlda* descriptor);
unsigned db_string_ping_server(struct sqlca* sqlca, const char* parms, unsigned connect_to_db);
unsigned db_version_check(unsigned version);
void db_register_a_callback(struct sqlca* sqlca, int index, dblib_callback callback);
unsigned db_locate_servers(struct sqlca* sqlca, dblib_locate_callback callback, void* user_data);

/* ---- Test control (exported with the entry points; for test programs). ---- */
/* Record the names of the entry points called, one per line, while on. */
typedef void (*dblib_test_trace_fn)(int on);
typedef int (*dblib_test_trace_text_fn)(char* buffer, int max);
/* The next call of the named entry point does nothing but report sqlcode and
   message (and fails, for entries that return a status). */
typedef void (*dblib_test_inject_fn)(const char* entry_point, int sqlcode, const char* message);
typedef void (*dblib_test_clear_fn)(void);
/* Creates a database file with user DBA, password SQL; 0 or an outcome code. */
typedef int (*dblib_test_create_database_fn)(const char* file);
/* Stops every engine unconditionally. */
typedef void (*dblib_test_stop_all_fn)(void);

void dblib_test_trace(int on);
int dblib_test_trace_text(char* buffer, int max);
void dblib_test_inject(const char* entry_point, int sqlcode, const char* message);
void dblib_test_clear(void);
int dblib_test_create_database(const char* file);
void dblib_test_stop_all(void);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(struct dbt_timestamp) == 14, "timestamp record is 14 bytes");
static_assert(sizeof(struct dblib_legacy_context) == 34, "legacy context is 34 bytes");
#endif

#endif /* DBLIB_SQLDEF_H */
