#include "dblib/core/server/password.h"

#include <sodium.h>

#include <cstring>

#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// libsodium picks its fastest code paths once; its own call is idempotent.
bool sodium_ready() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

struct Limits {
  unsigned long long operations;
  size_t memory;
};

Limits limits_of(PasswordCost cost) {
  if (cost == PasswordCost::Minimal) {
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
  }
  return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

}  // namespace

const char* password_cost_name(PasswordCost cost) {
  return cost == PasswordCost::Minimal ? "minimal" : "interactive";
}

PasswordCost password_cost_named(std::string_view name) {
  return name == "minimal" ? PasswordCost::Minimal : PasswordCost::Interactive;
}

bool hash_password(std::string_view password, PasswordCost cost, std::string& hash,
                   Status& status) {
  char out[crypto_pwhash_STRBYTES];
  Limits limits = limits_of(cost);
  if (!sodium_ready() || crypto_pwhash_str(out, password.data(), password.size(), limits.operations,
                                           limits.memory) != 0) {
    return status.fail(DBE_NO_MEMORY, "Out of memory while hashing a password");
  }
  hash.assign(out, strnlen(out, sizeof out));
  return true;
}

bool password_matches(const std::string& hash, std::string_view password) {
  return sodium_ready() &&
         crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

// Made once per cost; should hashing fail for want of memory, the decoy
// stays empty (matching nothing) and the next login tries again.
const std::string& decoy_hash(PasswordCost cost) {
  static std::string hashes[2];
  std::string& hash = hashes[cost == PasswordCost::Minimal ? 1 : 0];
  if (hash.empty()) {
    Status ignored;
    hash_password("\x01 no password \x01", cost, hash, ignored);
  }
  return hash;
}

}  // namespace dblib
