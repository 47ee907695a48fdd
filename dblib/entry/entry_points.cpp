// The exported entry points, one per entry of entry_point_list.h, each handing
// its call to the core's function of the same name. This file is built once
// per library with DBLIB_FORM_VERSION set: 7 gives the short calling form
// (every dbpp_ entry takes the SQLCA, then its own arguments); 6 and 5 the
// legacy form (the legacy context address is the second argument of every
// dbpp_ entry; any pointer is accepted there). Generation 5 exports only the
// entries that were there from 5 on, as an old library would.
#if DBLIB_FORM_VERSION != 7
#define DBLIB_LEGACY_FORM 1
#endif

#include "dblib/core/api/entry_points.h"
#include "dblib/include/sqldef.h"

#define DBLIB_EXPORT extern "C" __attribute__((visibility("default")))

#ifdef DBLIB_LEGACY_FORM
#define DBLIB_LEGACY_CONTEXT , void* /*legacy_context*/
#else
#define DBLIB_LEGACY_CONTEXT
#endif

// An entry's definition when this generation has it.
#define DBLIB_SINCE_5(...) __VA_ARGS__
#if DBLIB_FORM_VERSION >= 6
#define DBLIB_SINCE_6(...) __VA_ARGS__
#else
#define DBLIB_SINCE_6(...)
#endif

#define DBLIB_DBPP(name, since, probe, params, args)                                           \
  DBLIB_SINCE_##since(                                                                         \
      DBLIB_EXPORT void dbpp_##name(sqlca* sqlca DBLIB_LEGACY_CONTEXT, DBLIB_UNPAREN params) { \
        dblib::api::dbpp_##name(sqlca, DBLIB_UNPAREN args);                                    \
      })
#define DBLIB_DB(result, name, since, probe, params, args) \
  DBLIB_SINCE_##since(DBLIB_EXPORT result name params { return dblib::api::name args; })
#define DBLIB_TEST(result, name, params, args) \
  DBLIB_EXPORT result name params {            \
    return dblib::api::name args;              \
  }
#include "dblib/include/entry_point_list.h"

const unsigned dblib::api::served_interface_version = DBLIB_FORM_VERSION;
