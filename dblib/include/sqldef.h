/*
 * sqldef.h: type codes, outcome codes, option values and the entry points of
 * the client library. Callers load the library at run time and bind each entry
 * point by name with the matching function-pointer type below; nothing here
 * needs linking. What each entry point does, takes and answers is written
 * beside it in entry_point_list.h, the one list of them.
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
#define DBE_USER_NOT_FOUND (-140)    /* REVOKE CONNECT of a user the database lacks */
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
#define DBE_DEADLOCK (-306) /* a wait for a lock that could never end */
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

/* ---- Entry points: types and prototypes, from entry_point_list.h. ---- */

/* Unwraps a parenthesised list of the entry-point list. */
#define DBLIB_UNPAREN(...) __VA_ARGS__

/* Function-pointer types: dbpp_<name>_fn and dbpp_<name>_legacy_fn for the
   two forms of a dbpp_ entry, <name>_fn for the others. */
#define DBLIB_DBPP(name, since, probe, params, args)                                  \
  typedef void (*dbpp_##name##_fn)(struct sqlca * sqlca, DBLIB_UNPAREN params);       \
  typedef void (*dbpp_##name##_legacy_fn)(struct sqlca * sqlca, void* legacy_context, \
                                          DBLIB_UNPAREN params);
#define DBLIB_DB(result, name, since, probe, params, args) typedef result(*name##_fn) params;
#define DBLIB_TEST(result, name, params, args) typedef result(*name##_fn) params;
#include "dblib/include/entry_point_list.h"

/* Prototypes, with the dbpp_ entries in the form this translation unit asks
   for (the legacy one when DBLIB_LEGACY_FORM is defined). */
#ifdef DBLIB_LEGACY_FORM
#define DBLIB_DBPP(name, since, probe, params, args) \
  void dbpp_##name(struct sqlca* sqlca, void* legacy_context, DBLIB_UNPAREN params);
#else
#define DBLIB_DBPP(name, since, probe, params, args) \
  void dbpp_##name(struct sqlca* sqlca, DBLIB_UNPAREN params);
#endif
#define DBLIB_DB(result, name, since, probe, params, args) result name params;
#define DBLIB_TEST(result, name, params, args) result name params;
#include "dblib/include/entry_point_list.h"

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(struct dbt_timestamp) == 14, "timestamp record is 14 bytes");
static_assert(sizeof(struct dblib_legacy_context) == 34, "legacy context is 34 bytes");
#endif

#endif /* DBLIB_SQLDEF_H */
