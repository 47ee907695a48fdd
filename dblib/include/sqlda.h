/*
 * sqlda.h: the SQL descriptor area. A descriptor holds sqln entries of which
 * sqld are in use; each entry names a host variable by type, length, data and
 * indicator. Entries lie at their natural stride (sizeof(struct sqlvar)).
 * Plain C, usable from C and C++.
 */
#ifndef DBLIB_SQLDA_H
#define DBLIB_SQLDA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct sqlname {
  int16_t length; /* characters used in data */
  char data[30];  /* not terminated */
};

struct sqlvar {
  int16_t sqltype; /* type code, bit 0 set when the value may be NULL */
  int16_t sqllen;  /* length, or precision | scale << 8 for a decimal */
  void* sqldata;   /* the host value */
  int16_t* sqlind; /* -1 NULL, 0 complete, > 0 full length of a cut value */
  struct sqlname sqlname;
};

struct sqlda {
  unsigned char sqldaid[8]; /* "SQLDA" padded with blanks */
  int32_t sqldabc;          /* bytes in this descriptor */
  int16_t sqln;             /* entries allocated */
  int16_t sqld;             /* entries in use */
  struct sqlvar sqlvar[1];  /* sqln entries follow */
};
typedef struct sqlda SQLDA;

#ifdef __cplusplus
}
#endif

#endif /* DBLIB_SQLDA_H */
