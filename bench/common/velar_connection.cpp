#include "bench/common/velar_connection.h"

#include <cstdio>

#include "bench/common/standin_connection.h"

namespace velar_bench {

VelarConnection::VelarConnection(const std::string& file)
    : session_(std::make_unique<velar::TAsaSession>(nullptr)) {
  session_->SetLibraryPath(VELAR_LIB_DIR);
  session_->SetLibraryFile("libdblib7.so");
  session_->SetLoginEngineName(kEngineName);
  session_->SetLoginDatabase(file);
  session_->SetLoginUser("DBA");
  session_->SetLoginPassword("SQL");
  try {
    session_->SetConnected(true);
    ready_ = session_->Connected();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Velar could not connect: %s\n", e.what());
  }
}

VelarConnection::~VelarConnection() {
  try {
    session_->SetConnected(false);
  } catch (const std::exception&) {
    // Nothing to do at exit: the process ends with the session.
  }
}

std::unique_ptr<velar::TAsaSQL> VelarConnection::NewStatement() {
  auto statement = std::make_unique<velar::TAsaSQL>(nullptr);
  statement->SetSession(session_.get());
  statement->SetWantExceptions(true);
  return statement;
}

}  // namespace velar_bench
