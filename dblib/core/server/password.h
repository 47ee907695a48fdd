// Passwords are kept as Argon2id hash strings (libsodium's crypto_pwhash_str):
// each string carries its own salt and cost, so a database may mix costs and
// a stored password never needs its text again.
#pragma once

#include <string>
#include <string_view>

#include "dblib/core/support/status.h"

namespace dblib {

// How much work hashing (and so every login) costs. Interactive is
// libsodium's setting for logins by people (tens of milliseconds and 64 MiB
// per hash); minimal is the least Argon2id allows, for databases made by
// tests, which connect hundreds of times.
enum class PasswordCost { Interactive, Minimal };

// The name a cost is stored under, and back; unknown names read as
// interactive, the safe side.
const char* password_cost_name(PasswordCost cost);
PasswordCost password_cost_named(std::string_view name);

// Hashes password (any bytes, NUL included) into hash. Fails only when the
// system cannot give the memory the cost needs.
bool hash_password(std::string_view password, PasswordCost cost, std::string& hash, Status& status);

// Whether password is the one hash was made from; the comparison takes the
// same time whatever the text. A hash that is no Argon2id string never matches.
bool password_matches(const std::string& hash, std::string_view password);

// A hash of no real password at the given cost, to verify against when a
// login names no user, so that a missing user takes as long as a wrong
// password.
const std::string& decoy_hash(PasswordCost cost);

}  // namespace dblib
