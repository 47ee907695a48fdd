/*
 * entry_point_list.h: the one list of the client library's entry points, with
 * the contract of each. Everything that names the entry points one by one
 * is made from this list: the function-pointer types and prototypes of
 * sqldef.h, the library's exported functions, the driver's table of entry
 * points and the test and benchmark loaders. Adding or changing an entry
 * point is an edit here (and its implementation in the library).
 *
 * Use: define the macros you need, then include this file; it undefines
 * them again. Undefined ones expand to nothing. The file has no include
 * guard: it is meant to be included once per use.
 *
 *   DBLIB_DBPP(name, since, probe, params, args)
 *       An entry exported as dbpp_<name>, returning nothing. It takes the
 *       SQLCA first, then (legacy form only) the legacy context address, then
 *       params.
 *   DBLIB_DB(result, name, since, probe, params, args)
 *       Any other entry, exported as <name> with exactly params.
 *   DBLIB_TEST(result, name, params, args)
 *       A test-control function (exported with the entry points, for tests).
 *
 * since  the first library generation that exports the entry (5 or 6).
 * probe  1: a caller tests the entry before use, and a library without it
 *        is still fully usable; 0: a library without it is too old for
 *        what the entry does.
 * params the parenthesised parameter list, types and names.
 * args   the parenthesised names of params, for forwarding a call.
 *
 * The entries are listed in the order a caller looks them up.
 *
 * Threads. Each SQLCA is used by one thread at a time; different SQLCAs may
 * be used on different threads at once, and their requests run side by
 * side. db_cancel_request and db_is_working may be called on an SQLCA from
 * any thread, also while another thread's request runs on it. A request
 * that changes data waits for the database's write lock while another
 * connection's transaction holds it (see dbpp_setoption: blocking,
 * blocking_timeout), firing the wait callback as it waits.
 *
 * Outcomes. Every entry that takes an SQLCA leaves its outcome in sqlcode (0
 * success, negative error, positive warning), sqlstate, sqlerrmc and, where
 * said, SQLCOUNT; sqlerror_message gives the outcome's full text, which
 * never contains a password. Groups of outcomes that many entries share:
 *   [sqlca]   -1001 the SQLCA was not initialised with db_init.
 *   [request] [sqlca]; -298 another request is running on the SQLCA;
 *             -101 the SQLCA holds no connection; -308 its connection was
 *             ended because its engine or database stopped.
 *   [sql]     running SQL: -131 syntax error; -141 table not found; -143
 *             column not found; -193 primary key or unique index not unique;
 *             -194 no primary key value for a foreign key; -195 column cannot
 *             be NULL; -210 locked by another connection (at once when the
 *             option blocking is OFF, else past the option
 *             blocking_timeout); -299 interrupted by db_cancel_request (also
 *             while waiting for a lock); -306 deadlock: the wait for another
 *             connection's lock could never end, or the transaction read
 *             what another connection has changed since (roll back and try
 *             again); -304 disk full; -309 out of memory; -300 any other
 *             failure.
 *   [host]    reading or writing host variables: -155 unusable SQLDA entry
 *             (type, length or data); -157 the value does not convert; -158
 *             out of range for its destination; -181 NULL for an entry
 *             without an indicator; -260 the variable an entry of type 600
 *             names does not exist; warning 101 a value was cut to fit (its
 *             indicator holds the full length, at most 32767).
 * The test-control function dblib_test_inject can make the next call of any
 * entry taking an SQLCA report any outcome instead of doing its work.
 */

#ifndef DBLIB_DBPP
#define DBLIB_DBPP(name, since, probe, params, args)
#endif
#ifndef DBLIB_DB
#define DBLIB_DB(result, name, since, probe, params, args)
#endif
#ifndef DBLIB_TEST
#define DBLIB_TEST(result, name, params, args)
#endif

/* The entries keep their hand layout: a list reads best as a table. */
/* clang-format off */

/*
 * dbpp_commit: makes the connection's changes permanent and ends its
 * transaction; without a transaction it does nothing.
 *   options  not used.
 * Outcomes: 0; [request]; -210, -304, -300.
 */
DBLIB_DBPP(commit, 5, 0, (unsigned int options), (options))

/*
 * dbpp_rollback: undoes the changes of the connection's transaction and
 * ends it; without a transaction it does nothing.
 *   options  not used.
 * Outcomes: 0; [request]; -300.
 */
DBLIB_DBPP(rollback, 5, 0, (unsigned int options), (options))

/*
 * dbpp_prepare: prepares one SQL statement on the connection and numbers it.
 * Host variables are written "?" or ":name"; each occurrence is one entry of
 * the input SQLDA, in order. Besides SQL the library runs CREATE VARIABLE,
 * SET, DROP VARIABLE, SET [TEMPORARY] OPTION, CREATE PROCEDURE, DROP
 * PROCEDURE, CALL, GRANT CONNECT TO name IDENTIFIED BY password and REVOKE
 * CONNECT FROM name itself.
 *   statement_name, module  not used: a statement is known by its number.
 *   statement   receives the number (1 to 32767).
 *   sql         the text: one statement, blanks and a ";" may follow.
 *   descriptor  when not null, receives the result columns as dbpp_describe
 *               with DBDESC_OUTPUT gives them (and SQLCOUNT their count).
 *   options     not used.
 * Outcomes: 0; [request]; -1002 statement or sql is null; -131 also for an
 *   empty text or a second statement; -265 CALL of an unknown procedure;
 *   -154 CALL with more arguments than parameters; -300 more than 32767
 *   statements prepared; [sql].
 * Allocates the prepared statement: dbpp_dropstmt, db_string_disconnect and
 * db_fini free it.
 */
DBLIB_DBPP(prepare, 5, 0,
           (const char* statement_name, const char* module, int16_t* statement, const char* sql,
            struct sqlda* descriptor, unsigned short options),
           (statement_name, module, statement, sql, descriptor, options))

/*
 * dbpp_dropstmt: frees a prepared statement; the cursors declared over it
 * are closed and forgotten. Its number may be given out again.
 *   statement_name, module  not used.
 *   statement  the number dbpp_prepare gave.
 * Outcomes: 0; [request]; -130 no statement of that number.
 */
DBLIB_DBPP(dropstmt, 5, 0, (const char* statement_name, const char* module, int16_t* statement),
           (statement_name, module, statement))

/*
 * dbpp_execute_into: runs a prepared statement once. A statement that
 * changes data begins the connection's transaction when none is open.
 *   statement_name, module  not used.
 *   statement  the number dbpp_prepare gave.
 *   input      one entry per host variable, in order (may be null when the
 *              statement has none).
 *   output     receives the one row a query returns, or the OUT and INOUT
 *              parameters of a CALL, in order; may be null.
 * SQLCOUNT: the rows changed, or 1 for a row returned.
 * Outcomes: 0; 100 a query with an output SQLDA found no row; [request];
 *   -130 no statement of that number; -160 input or output has too few
 *   entries; -185 a query returned more than one row; -261 CREATE VARIABLE
 *   of a name in use; -260 SET or DROP VARIABLE of an unknown name; -110
 *   CREATE PROCEDURE of a name in use; -265 DROP PROCEDURE of an unknown
 *   one; -140 REVOKE CONNECT of an unknown user; -300 REVOKE CONNECT of the
 *   last user; -200, -201 SET OPTION as dbpp_setoption; [sql]; [host].
 */
DBLIB_DBPP(execute_into, 5, 0,
           (const char* statement_name, const char* module, int16_t* statement, struct sqlda* input,
            struct sqlda* output),
           (statement_name, module, statement, input, output))

/*
 * dbpp_execute_imm: prepares and runs each statement of sql in turn, without
 * host variables; it stops at the first that fails.
 *   sql      one or more statements separated by ";".
 *   options  not used.
 * SQLCOUNT: the rows the last statement changed.
 * Outcomes: as dbpp_execute_into; -1002 sql is null; -131 sql is empty.
 */
DBLIB_DBPP(execute_imm, 5, 0, (const char* sql, unsigned short options), (sql, options))

/*
 * dbpp_describe: describes a prepared statement into descriptor. sqld
 * receives the number of entries the description has; only as many as sqln
 * holds are filled, so a descriptor of no entries learns the count.
 *   statement_name, module  not used.
 *   statement   the number dbpp_prepare gave.
 *   descriptor  receives one entry per column: sqltype (bit 0 set when the
 *               column may be NULL), sqllen and sqlname.
 *   what        DBDESC_OUTPUT the result columns (for a CALL its OUT and
 *               INOUT parameters); DBDESC_INPUT the host variables, as
 *               nullable strings (for a CALL an OUT parameter's indicator has
 *               DBIND_PARAM_OUT set, an INOUT one also DBIND_PARAM_IN);
 *               DBDESC_FIXED_SHAPE the result columns, with SQLCOUNT 1 when
 *               their shape is known now and 0 when it varies (a CALL).
 * SQLCOUNT: the number of entries described, or as said for
 *   DBDESC_FIXED_SHAPE.
 * Outcomes: 0; [request]; -130 no statement of that number; -1002
 *   descriptor is null or what is none of the three; [sql].
 */
DBLIB_DBPP(describe, 5, 0,
           (const char* statement_name, const char* module, int16_t* statement,
            struct sqlda* descriptor, unsigned short what),
           (statement_name, module, statement, descriptor, what))

/*
 * dbpp_describe_cursor: describes the result columns of an open cursor's
 * current result set, as dbpp_describe does a statement's.
 *   cursor      the cursor's name.
 *   descriptor  receives the columns.
 *   what        DBDESC_OUTPUT, or DBDESC_FIXED_SHAPE (SQLCOUNT 1).
 * Outcomes: 0; [request]; -170 cursor not declared; -180 cursor not open;
 *   -1002 a bad name, a null descriptor or another what; [sql].
 */
DBLIB_DBPP(describe_cursor, 5, 0,
           (const char* cursor, struct sqlda* descriptor, unsigned short what),
           (cursor, descriptor, what))

/*
 * dbpp_declare: declares a named cursor over a prepared statement, or
 * declares a closed one again. Names compare without regard to case.
 *   cursor      a name of 1 to 128 characters.
 *   statement_name, module  not used.
 *   statement   the number dbpp_prepare gave.
 *   options     DBCUR_ flags: DBCUR_NO_SCROLL reads forward only and keeps no
 *               rows; DBCUR_READ_ONLY never changes rows, while without it a
 *               cursor over exactly one table can (DBCUR_UPDATE and
 *               DBCUR_SCROLL name these defaults).
 * Outcomes: 0; [request]; -1002 a bad name; -130 no statement of that
 *   number; -172 a cursor of that name is open.
 * Allocates the declaration: dbpp_dropstmt of its statement,
 * db_string_disconnect and db_fini free it.
 */
DBLIB_DBPP(declare, 5, 0,
           (const char* cursor, const char* statement_name, const char* module, int16_t* statement,
            unsigned short options),
           (cursor, statement_name, module, statement, options))

/*
 * dbpp_open: opens a declared cursor; it stands before its first row. Over a
 * CALL the cursor reads the procedure's first result set.
 *   cursor      the cursor's name.
 *   statement_name, module, statement  not used: the declaration names it.
 *   input       one entry per host variable of the statement, in order.
 *   width, reserved  not used.
 *   options     when not 0, replaces the declared options.
 * SQLCOUNT: the exact row count when the option row_counts is ON, else 0.
 * Outcomes: 0; [request]; -1002 a bad name; -170 cursor not declared; -172
 *   cursor already open; -160 input has too few entries; -300 the statement
 *   is no query; [sql]; [host].
 * Allocates the open cursor's result set and the rows a scrolling cursor
 * keeps: dbpp_close frees them.
 */
DBLIB_DBPP(open, 5, 0,
           (const char* cursor, const char* statement_name, const char* module, int16_t* statement,
            struct sqlda* input, int16_t width, int16_t reserved, unsigned short options),
           (cursor, statement_name, module, statement, input, width, reserved, options))

/*
 * dbpp_explain: writes the query plan of an open cursor's current result set
 * into entry 0 of descriptor, one line per step, indented by depth. A plan
 * longer than the entry is cut without a warning; the indicator holds its
 * full length.
 *   cursor      the cursor's name.
 *   options     not used.
 *   descriptor  entry 0 receives the text (a character type).
 * Outcomes: 0; [request]; -170; -180; -160 descriptor has no entry; [sql];
 *   [host].
 */
DBLIB_DBPP(explain, 6, 0, (const char* cursor, unsigned short options, struct sqlda* descriptor),
           (cursor, options, descriptor))

/*
 * dbpp_fetch_array: moves an open cursor and delivers up to width rows into
 * consecutive row groups of descriptor (entry r * columns + c is column c of
 * row r). The cursor then stands on the last row delivered; groups left
 * unfilled get indicator -1. A failed fetch leaves the position as it was.
 *   cursor       the cursor's name.
 *   orientation  DBFETCH_ABSOLUTE: offset n is row n, -n the n-th row from
 *                the end, 0 before the first row. DBFETCH_RELATIVE: offset
 *                rows on from the current position (0 reads it again).
 *   offset       as orientation says.
 *   descriptor   at least width * columns entries.
 *   reserved, fetch_options  not used.
 *   width        rows to deliver; 0 is taken as 1.
 * SQLCOUNT: the rows delivered.
 * Outcomes: 0; 100 no row there (the cursor stands before the first or
 *   after the last row; relative 0 on a row deleted through the cursor);
 *   [request]; -170; -180; -1002 a bad name or orientation; -160 descriptor
 *   too small; [sql]; [host].
 */
DBLIB_DBPP(fetch_array, 5, 0,
           (const char* cursor, unsigned short orientation, int32_t offset,
            struct sqlda* descriptor, int16_t reserved, unsigned short fetch_options,
            unsigned short width),
           (cursor, orientation, offset, descriptor, reserved, fetch_options, width))

/*
 * dbpp_get_data: writes a piece of a value of the cursor's current row into
 * entry 0 of descriptor, from a byte offset, so that a long value is read in
 * pieces.
 *   cursor      the cursor's name.
 *   column      the column, 1-based.
 *   offset      the first byte to deliver.
 *   descriptor  entry 0 receives the piece.
 *   reserved    not used.
 * Outcomes: 0 the value's end was delivered; 101 more follows (the indicator
 *   holds the value's full length, at most 32767); [request]; -170; -180;
 *   -143 no such column; -197 the cursor stands on no row; -1002 a bad name
 *   or an offset below 0 or past the value; -160 descriptor has no entry;
 *   [host].
 */
DBLIB_DBPP(get_data, 5, 0,
           (const char* cursor, unsigned short column, int32_t offset, struct sqlda* descriptor,
            unsigned short reserved),
           (cursor, column, offset, descriptor, reserved))

/*
 * dbpp_put_into: inserts a row into the one table an open cursor reads.
 * Input entries are matched to columns by sqlname; an entry without data
 * stores NULL, columns not named get their defaults.
 *   cursor  the cursor's name.
 *   input   the values.
 *   output  when not null, receives the row as stored (defaults, key and
 *           computed columns included).
 * SQLCOUNT: 1.
 * Outcomes: 0; [request]; -170; -180; -633 the cursor cannot change rows
 *   (read-only, or not over exactly one table); -143 an entry names no
 *   column; -160 output too small; [sql]; [host].
 */
DBLIB_DBPP(put_into, 5, 0, (const char* cursor, struct sqlda* input, struct sqlda* output),
           (cursor, input, output))

/*
 * dbpp_update: changes the cursor's current row in its table; the cursor
 * then shows the row as stored. Entries are matched to columns by sqlname;
 * an entry without a name is ignored.
 *   cursor  the cursor's name.
 *   input   the new values.
 * SQLCOUNT: 1.
 * Outcomes: 0; [request]; -170; -180; -197 no current row; -633; -143;
 *   [sql]; [host].
 */
DBLIB_DBPP(update, 5, 0, (const char* cursor, struct sqlda* input), (cursor, input))

/*
 * dbpp_delete: deletes the cursor's current row from its table. The cursor
 * stands in the gap: the next row is one ahead, the previous one behind.
 *   cursor  the cursor's name.
 *   reserved1, reserved2  not used.
 * SQLCOUNT: 1.
 * Outcomes: 0; [request]; -170; -180; -197 no current row; -633; [sql].
 */
DBLIB_DBPP(delete, 5, 0, (const char* cursor, const void* reserved1, const void* reserved2),
           (cursor, reserved1, reserved2))

/*
 * dbpp_resume: moves a cursor over a CALL to the procedure's next result set,
 * running the body up to it; the cursor stands before its first row.
 *   cursor  the cursor's name.
 * SQLCOUNT: the row count, as dbpp_open gives it.
 * Outcomes: 0; 100 no further result set (always for a plain query);
 *   [request]; -170; -180; [sql].
 */
DBLIB_DBPP(resume, 5, 0, (const char* cursor), (cursor))

/*
 * dbpp_close: closes an open cursor; it stays declared and may be opened
 * again.
 *   cursor  the cursor's name.
 * Outcomes: 0; [request]; -1002 a bad name; -170; -180.
 * Frees what dbpp_open allocated.
 */
DBLIB_DBPP(close, 5, 0, (const char* cursor), (cursor))

/*
 * dbpp_setoption: sets a connection option for the rest of the connection.
 * isolation_level (0 to 3), row_counts (ON or OFF), blocking (ON or OFF:
 * whether a change waits for another connection's lock at all; ON at first)
 * and blocking_timeout (milliseconds it waits at most, 0 to 3600000; 0 waits
 * until the lock is free; 5000 at first) are checked; any other name is
 * kept as given, to be read back.
 *   scope, user  not used: every setting lasts as long as the connection.
 *   option       the option's name (case does not matter).
 *   descriptor   entry 0 holds the value, of any host type.
 * Outcomes: 0; [request]; -1002 option is null; -160 descriptor has no
 *   entry; -200 the name is empty; -201 a bad value for a checked option;
 *   [host].
 */
DBLIB_DBPP(setoption, 5, 0,
           (int scope, const char* user, const char* option, struct sqlda* descriptor),
           (scope, user, option, descriptor))

/*
 * dbpp_getoption: writes an option's value, as text, into entry 0 of
 * descriptor.
 *   scope, user  not used.
 *   option       the option's name.
 *   descriptor   entry 0 receives the text.
 * Outcomes: 0; [request]; -1002 option is null; -160; -200 an option that
 *   is neither checked nor was set; [host].
 */
DBLIB_DBPP(getoption, 5, 0,
           (int scope, const char* user, const char* option, struct sqlda* descriptor),
           (scope, user, option, descriptor))

/*
 * db_string_connect: connects the SQLCA to a database. Connection strings
 * are "key=value" pairs separated by ";", keys without regard to case: eng
 * (EngineName), dbf (DatabaseFile), dbn (DatabaseName), uid (UserID), pwd
 * (Password), start, links (CommLinks), con (ConnectionName), autostop,
 * unconditional. A value in braces may hold ";" and blanks; "}}" inside
 * braces stands for "}". Without eng= the first engine started is used,
 * without dbn= and dbf= its first database. With dbf= a database that does
 * not run is started (it stops with its last connection unless autostop=no),
 * and with start= also its engine (named by eng=, else by the file).
 *   sqlca  an SQLCA initialised with db_init and not connected.
 *   parms  the connection string; null is the empty one.
 * Returns 1 when connected, else 0.
 * Outcomes: 0; [sqlca]; -298; -1004 the SQLCA is connected already; -95
 *   the string does not parse (the text names the parameter's position,
 *   never its value); -100 engine not running; -83 database not found; -82
 *   the database cannot start (file missing, no database, or made by an
 *   older library: recreate it with vlrdbinit); -77 database name in use;
 *   -816 the file runs already under another name; -103 user or password
 *   wrong.
 * Allocates the connection: db_string_disconnect and db_fini free it.
 */
DBLIB_DB(unsigned, db_string_connect, 5, 0, (struct sqlca* sqlca, const char* parms),
         (sqlca, parms))

/*
 * db_string_disconnect: ends the SQLCA's connection. Work not committed is
 * rolled back; its statements and cursors are freed; a database the connect
 * started stops with its last connection.
 *   sqlca  a connected SQLCA.
 *   parms  not used.
 * Returns 1 when disconnected, else 0.
 * Outcomes: 0; [sqlca]; -298; -101 not connected.
 */
DBLIB_DB(unsigned, db_string_disconnect, 5, 0, (struct sqlca* sqlca, const char* parms),
         (sqlca, parms))

/*
 * db_start_engine: starts an engine: eng= names it, else the file dbf= names
 * does, else it is "default". With dbf= the database is started on it too;
 * when that fails the engine stops again.
 *   sqlca  an SQLCA initialised with db_init (it need not be connected).
 *   parms  a connection string.
 * Returns 1 on success, else 0.
 * Outcomes: 0; [sqlca]; -95; -96 an engine of that name runs; and for dbf=
 *   those of db_start_database.
 */
DBLIB_DB(unsigned, db_start_engine, 5, 0, (struct sqlca* sqlca, const char* parms), (sqlca, parms))

/*
 * db_start_database: starts the database file dbf= names (under the name dbn=
 * gives, else the file's name) on the engine eng= names; with start= a
 * missing engine is started for it.
 *   sqlca  an SQLCA initialised with db_init.
 *   parms  a connection string.
 * Returns 1 on success, else 0.
 * Outcomes: 0; [sqlca]; -95; -100 engine not running; -82 no file given,
 *   the file is missing, no database or made by an older library; -77 the
 *   name is in use on the engine; -816 the file runs already.
 */
DBLIB_DB(unsigned, db_start_database, 5, 0, (struct sqlca* sqlca, const char* parms),
         (sqlca, parms))

/*
 * db_stop_engine: stops an engine and its databases. It refuses while
 * connections other than the SQLCA's own remain, unless unconditional=yes;
 * then it ends them (their next request answers -308).
 *   sqlca  an SQLCA initialised with db_init.
 *   parms  a connection string: eng= (else the first engine started),
 *          unconditional=.
 * Returns 1 on success, else 0.
 * Outcomes: 0; [sqlca]; -95; -100 engine not running; -75 connections remain.
 */
DBLIB_DB(unsigned, db_stop_engine, 5, 0, (struct sqlca* sqlca, const char* parms), (sqlca, parms))

/*
 * db_stop_database: stops a database as db_stop_engine stops an engine; an
 * engine started by a connect stops with its last database.
 *   sqlca  an SQLCA initialised with db_init.
 *   parms  a connection string: eng=, dbn= or dbf= (else the engine's first
 *          database), unconditional=.
 * Returns 1 on success, else 0.
 * Outcomes: 0; [sqlca]; -95; -100; -83 database not found; -75.
 */
DBLIB_DB(unsigned, db_stop_database, 5, 0, (struct sqlca* sqlca, const char* parms),
         (sqlca, parms))

/*
 * db_cancel_request: asks the request running on the SQLCA to stop; called
 * from inside that request's wait callback or from another thread. The
 * request ends with -299, also when it waits for a lock. It leaves the SQLCA
 * untouched.
 *   sqlca  the SQLCA of the running request.
 * Returns 1 when a request was running, else 0.
 */
DBLIB_DB(int, db_cancel_request, 5, 0, (struct sqlca* sqlca), (sqlca))

/*
 * alloc_sqlda_noind: allocates an SQLDA of count entries without indicators
 * (every sqlind is null): sqldaid "SQLDA", sqldabc its size in bytes, sqln
 * count, sqld 0 and the entries zero.
 *   count  0 to 32767.
 * Returns the SQLDA, or null when count is too large or memory is short.
 * Allocates the SQLDA in one block: free_sqlda_noind frees it.
 */
DBLIB_DB(struct sqlda*, alloc_sqlda_noind, 5, 0, (unsigned count), (count))

/*
 * alloc_sqlda: as alloc_sqlda_noind, with one indicator per entry in the same
 * block (each sqlind points at its own).
 * Allocates the SQLDA in one block: free_sqlda frees it.
 */
DBLIB_DB(struct sqlda*, alloc_sqlda, 5, 0, (unsigned count), (count))

/*
 * free_sqlda_noind: frees an SQLDA of alloc_sqlda_noind; null is ignored. The
 * data the entries point at belongs to the caller and stays.
 */
DBLIB_DB(void, free_sqlda_noind, 5, 0, (struct sqlda* descriptor), (descriptor))

/*
 * free_sqlda: frees an SQLDA of alloc_sqlda with its indicators; null is
 * ignored.
 */
DBLIB_DB(void, free_sqlda, 5, 0, (struct sqlda* descriptor), (descriptor))

/*
 * sqlerror_message: writes the text of the SQLCA's current outcome: the full
 * text of the SQLCA's last outcome when sqlcode still holds it, else the
 * standard text of sqlcode; empty for 0. It leaves the SQLCA untouched.
 *   sqlca   any SQLCA.
 *   buffer  receives the text, cut to max - 1 characters and terminated.
 *   max     the size of buffer.
 * Returns buffer, or null when sqlca or buffer is null or max is below 1.
 */
DBLIB_DB(char*, sqlerror_message, 5, 0, (struct sqlca* sqlca, char* buffer, int max),
         (sqlca, buffer, max))

/*
 * db_find_engine: tells whether an engine runs.
 *   sqlca  any SQLCA.
 *   name   the engine's name; null or empty asks for any engine.
 * Returns 1 when it runs, else 0.
 * Outcomes: 0; -100 not running.
 */
DBLIB_DB(unsigned short, db_find_engine, 5, 0, (struct sqlca* sqlca, const char* name),
         (sqlca, name))

/*
 * db_is_working: tells whether a request is running on the SQLCA (asked from
 * inside a callback or from another thread). It leaves the SQLCA untouched.
 * Returns 1 while a request runs, else 0.
 */
DBLIB_DB(unsigned, db_is_working, 5, 0, (struct sqlca* sqlca), (sqlca))

/*
 * db_init: initialises an SQLCA (sqlcaid "SQLCA", sqlcabc 136, the rest zero)
 * and makes the library's state for it. Called again on an initialised
 * SQLCA it keeps that state, connection included, and leaves the SQLCA
 * alone while a request runs on it.
 *   sqlca  the caller's SQLCA; it must stay at its address until db_fini.
 * Returns 1, or 0 when sqlca is null.
 * Allocates the SQLCA's state: db_fini frees it.
 */
DBLIB_DB(unsigned, db_init, 5, 0, (struct sqlca* sqlca), (sqlca))

/*
 * db_fini: frees the SQLCA's state; a connection still open is ended as
 * db_string_disconnect ends it.
 * Returns 1 on success, else 0.
 * Outcomes: 0; [sqlca]; -298.
 */
DBLIB_DB(unsigned, db_fini, 5, 0, (struct sqlca* sqlca), (sqlca))

/*
 * db_backup: copies the connected database page by page from one consistent
 * snapshot: what is served is a committed state, whatever other connections
 * write meanwhile. Call it with DBBACKUP_START, then for each file
 * DBBACKUP_OPEN_FILE, DBBACKUP_READ_PAGE for every page and
 * DBBACKUP_CLOSE_FILE, then DBBACKUP_END. File 0 is the database; there are
 * no others.
 *   operation    one of the DBBACKUP_ steps.
 *   file_number  the file (OPEN_FILE, READ_PAGE, CLOSE_FILE).
 *   page_number  the page, 0-based (READ_PAGE).
 *   descriptor   READ_PAGE: entry 0 of type 524 with room for the page and
 *                its 16-bit length.
 * SQLCOUNT: START the page size; OPEN_FILE the file's page count and, in
 *   sqlerrmc, its file name; READ_PAGE 1.
 * Outcomes: 0; [request]; -1003 a step out of order or an unknown file;
 *   -1002 an unknown operation or page; -160; -155; -300.
 * Allocates the snapshot at START: DBBACKUP_END, db_string_disconnect and
 * db_fini free it.
 */
DBLIB_DB(void, db_backup, 5, 0,
         (struct sqlca* sqlca, int operation, int file_number, unsigned long page_number,
          struct sqlda* descriptor),
         (sqlca, operation, file_number, page_number, descriptor))

/*
 * db_string_ping_server: tells whether the engine a connection string names
 * runs; with connect_to_db also that its database runs and takes the user
 * and password given. No connection is kept.
 *   sqlca          an SQLCA initialised with db_init.
 *   parms          a connection string.
 *   connect_to_db  not 0: check the database and the login too.
 * Returns 1 when all answered, else 0.
 * Outcomes: 0; [sqlca]; -95; -100; -83; -82; -103.
 */
DBLIB_DB(unsigned, db_string_ping_server, 6, 1,
         (struct sqlca* sqlca, const char* parms, unsigned connect_to_db),
         (sqlca, parms, connect_to_db))

/*
 * db_version_check: tells whether the library serves an interface version: 6
 * always, 7 in the short-form library.
 * Returns 1 when it does, else 0.
 */
DBLIB_DB(unsigned, db_version_check, 6, 1, (unsigned version), (version))

/*
 * db_register_a_callback: registers a function the library calls with the
 * SQLCA: DBCB_START before each request, DBCB_WAIT repeatedly while a
 * request runs (it may call db_cancel_request and db_is_working),
 * DBCB_FINISH after each request.
 *   sqlca     an SQLCA initialised with db_init.
 *   index     one of the DBCB_ values.
 *   callback  the function; null removes the one registered.
 * Outcomes: 0; [sqlca]; -1002 an unknown index.
 */
DBLIB_DB(void, db_register_a_callback, 5, 0,
         (struct sqlca* sqlca, int index, dblib_callback callback), (sqlca, index, callback))

/*
 * db_locate_servers: calls callback once for every running engine, with its
 * name and the address "local", until callback returns 0.
 *   sqlca      an SQLCA initialised with db_init.
 *   callback   the function; null only checks the SQLCA.
 *   user_data  handed to callback.
 * Returns 1, or 0 on a failure.
 * Outcomes: 0; [sqlca].
 */
DBLIB_DB(unsigned, db_locate_servers, 6, 1,
         (struct sqlca* sqlca, dblib_locate_callback callback, void* user_data),
         (sqlca, callback, user_data))

/*
 * dblib_test_trace: while on, the library records the name of every entry
 * point called, one per line. Turning it on or off empties the record.
 */
DBLIB_TEST(void, dblib_test_trace, (int on), (on))

/*
 * dblib_test_trace_text: copies the record of dblib_test_trace into buffer
 * (cut to max - 1 characters and terminated; buffer may be null) and
 * returns the record's full length.
 */
DBLIB_TEST(int, dblib_test_trace_text, (char* buffer, int max), (buffer, max))

/*
 * dblib_test_inject: the next call of the named entry point does nothing but
 * report sqlcode and message (the standard text when message is null or
 * empty), and fails when it returns a status and sqlcode is below 0; an
 * alloc_sqlda then returns null.
 */
DBLIB_TEST(void, dblib_test_inject, (const char* entry_point, int sqlcode, const char* message),
           (entry_point, sqlcode, message))

/*
 * dblib_test_clear: forgets injected outcomes and the trace, and stops
 * tracing.
 */
DBLIB_TEST(void, dblib_test_clear, (void), ())

/*
 * dblib_test_create_database: creates a database file with the user DBA,
 * password SQL, hashed at the lowest cost so that tests connect quickly.
 * Returns 0, or the outcome code of the failure: -82 when the file exists or
 * cannot be made, -1002 when file is null or empty.
 */
DBLIB_TEST(int, dblib_test_create_database, (const char* file), (file))

/*
 * dblib_test_stop_all: stops every engine unconditionally.
 */
DBLIB_TEST(void, dblib_test_stop_all, (void), ())

/* clang-format on */

#undef DBLIB_DBPP
#undef DBLIB_DB
#undef DBLIB_TEST
