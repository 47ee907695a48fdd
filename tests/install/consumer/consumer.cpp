// Prints the large cities of a database. Usage: example LIBDIR /path/to/DATABASE
#include <cstdio>
#include <exception>

#include "asa/VlrAsa.h"

int main(int argc, char** argv) try {
  if (argc != 3) return 2;
  velar::TAsaSession session(nullptr);
  session.SetLibraryPath(argv[1]);  // where the client library (libdblib6.so) lies
  session.SetLoginDatabase(argv[2]);
  session.SetLoginUser("DBA");
  session.SetLoginPassword("SQL");
  session.SetConnected(true);  // starts the database if need be, then logs in
  velar::TAsaSQL query(nullptr);
  query.SetSession(&session);
  query.SetWantExceptions(true);
  const char* sql = "SELECT name, people FROM city WHERE people > ? ORDER BY name";
  for (bool row = query.OpenRead(sql, {100000}); row; row = query.Next())
    std::printf("%s %d\n", query.GetFieldValue("name").AsString().c_str(),
                query.GetFieldValue("people").AsInteger());
  return 0;
} catch (const std::exception& e) {  // connect and statement failures raise
  std::fprintf(stderr, "%s\n", e.what());
  return 1;
}
