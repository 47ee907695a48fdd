// A program written against the installed package: usage LIBDIR DATABASE.
#include <cstdio>

#include "asa/VlrAsa.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  velar::TAsaSession session(nullptr);
  session.SetLibraryPath(argv[1]);
  session.SetLoginDatabase(argv[2]);
  session.SetLoginUser("DBA");
  session.SetLoginPassword("SQL");
  session.SetConnected(true);
  std::string rowCounts;
  if (!session.GetOption("row_counts", rowCounts)) return 1;
  std::printf("connected, row_counts=%s\n", rowCounts.c_str());
  return 0;
}
