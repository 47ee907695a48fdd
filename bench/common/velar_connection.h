// A Velar session connected to one database as DBA through the stand-in of
// the build, as an application sets one up; statements are made on it.
#pragma once

#include <memory>
#include <string>

#include "asa/VlrAsa.h"

namespace velar_bench {

class VelarConnection {
 public:
  explicit VelarConnection(const std::string& file);
  // Disconnects and lets the session unload the library.
  ~VelarConnection();
  VelarConnection(const VelarConnection&) = delete;
  VelarConnection& operator=(const VelarConnection&) = delete;

  bool ready() const { return ready_; }
  velar::TAsaSession& session() { return *session_; }
  // A statement linked to the session that raises on failures, so that a
  // failing run stops instead of timing an error path.
  std::unique_ptr<velar::TAsaSQL> NewStatement();

 private:
  std::unique_ptr<velar::TAsaSession> session_;
  bool ready_ = false;
};

}  // namespace velar_bench
