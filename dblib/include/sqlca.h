/*
 * sqlca.h: the SQL communication area shared by the client library and its
 * callers. Every call leaves its outcome here: sqlcode (0 success, negative
 * error, positive warning), a five-character sqlstate and, in sqlerrd[2], the
 * count the call produced (SQLCOUNT). Plain C, usable from C and C++.
 */
#ifndef DBLIB_SQLCA_H
#define DBLIB_SQLCA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct sqlca {
  unsigned char sqlcaid[8]; /* "SQLCA" padded with blanks */
  int32_t sqlcabc;          /* size of this record: 136 */
  int32_t sqlcode;          /* outcome of the last call */
  int16_t sqlerrml;         /* bytes used in sqlerrmc */
  char sqlerrmc[70];        /* message text or argument, not terminated when full */
  char sqlerrp[8];
  int32_t sqlerrd[6]; /* sqlerrd[2] is SQLCOUNT */
  char sqlwarn[8];    /* sqlwarn[0] is 'W' when a warning flag is set */
  char sqlstate[6];   /* five characters and a terminator */
};
typedef struct sqlca SQLCA;

#define SQLCA_SIZE 136
#define SQLCOUNT_INDEX 2
#define SQLCOUNT(ca) ((ca)->sqlerrd[SQLCOUNT_INDEX])

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
#include <cstddef>
static_assert(sizeof(struct sqlca) == 136, "SQLCA is 136 bytes");
static_assert(offsetof(struct sqlca, sqlcaid) == 0, "sqlcaid offset");
static_assert(offsetof(struct sqlca, sqlcabc) == 8, "sqlcabc offset");
static_assert(offsetof(struct sqlca, sqlcode) == 12, "sqlcode offset");
static_assert(offsetof(struct sqlca, sqlerrml) == 16, "sqlerrml offset");
static_assert(offsetof(struct sqlca, sqlerrmc) == 18, "sqlerrmc offset");
static_assert(offsetof(struct sqlca, sqlerrp) == 88, "sqlerrp offset");
static_assert(offsetof(struct sqlca, sqlerrd) == 96, "sqlerrd offset");
static_assert(offsetof(struct sqlca, sqlwarn) == 120, "sqlwarn offset");
static_assert(offsetof(struct sqlca, sqlstate) == 128, "sqlstate offset");
#else
_Static_assert(sizeof(struct sqlca) == 136, "SQLCA is 136 bytes");
#endif

#endif /* DBLIB_SQLCA_H */
