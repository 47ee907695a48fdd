// The library's entry points as the core implements them: one function in
// dblib::api per exported function, of the same name and parameters (made
// from entry_point_list.h). The exported functions of each built library
// (dblib/entry) forward here, dropping the legacy context where their form
// has one. The implementations are grouped by what they serve: init.cpp,
// connect.cpp, engines.cpp, ping.cpp, callbacks.cpp, locate.cpp, sqlda.cpp,
// message.cpp, online_backup.cpp, commit.cpp, statements.cpp, cursors.cpp,
// connection_options.cpp, test_control.cpp. Each opens with the frame of
// request.h.
#pragma once

#include "dblib/include/sqldef.h"

namespace dblib::api {

#define DBLIB_DBPP(name, since, probe, params, args) \
  void dbpp_##name(sqlca* sqlca, DBLIB_UNPAREN params);
#define DBLIB_DB(result, name, since, probe, params, args) result name params;
#define DBLIB_TEST(result, name, params, args) result name params;
#include "dblib/include/entry_point_list.h"

// The interface version the library built from the core serves besides 6
// (7 for the short calling form); each built library defines it.
extern const unsigned served_interface_version;

}  // namespace dblib::api
