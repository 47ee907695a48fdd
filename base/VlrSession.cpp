#include "base/VlrSession.h"

#include <algorithm>
#include <exception>
#include <mutex>

#include "base/VlrRoutines.h"
#include "base/VlrSQL.h"
#include "host/application.h"
#include "host/os.h"
#include "host/sysutils.h"

namespace velar {

// Creating a session does no library work: the library is loaded on first
// need.
TVelarSession::TVelarSession(host::TComponent* AOwner) : host::TComponent(AOwner) {}

// Without the driver's frame only the base's steps can run from here (its
// overrides are gone); the statements are still detached so none keeps a
// pointer to this session.
TVelarSession::~TVelarSession() {
  if (destroyFrameDone_) return;
  destroyFrameDone_ = true;
  Destroying();
  TVelarSession::SetConnected(false);
  while (!queries_.empty())
    RemoveQuery(queries_.back());
}

// Disconnect while the driver can still do it, release the library, then let
// the statements live on unlinked.
void TVelarSession::BeforeDestruction() noexcept {
  if (destroyFrameDone_) return;
  destroyFrameDone_ = true;
  Destroying();
  try {
    SetConnected(false);
  } catch (...) {
  }
  ReleaseLibrary();
  while (!queries_.empty())
    RemoveQuery(queries_.back());
}

// --------------------------------------------------------- library frame

namespace {

// Sessions on several threads load, count and unload one library: the frame
// runs for one session at a time. Only the frame writes what the load
// fills in, and only while the count proves that no other session calls
// through it, so the calls themselves need no lock.
std::mutex& LibraryFrameLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

// The base belongs to no driver, so it counts nothing and keeps nothing; a
// driver stores one count for all its sessions.
int TVelarSession::GetLibraryReferenceCount() {
  return 0;
}

void TVelarSession::SetLibraryReferenceCount(int /*Value*/) {}

// The first session of a driver loads and binds the library; every session
// then takes one reference. A failed load leaves the count and the flag as
// they were, so the next call tries again; a library that loaded but could
// not be bound is unloaded first, so that the retry does not load it twice.
void TVelarSession::InternalLibraryHandleNeeded() {
  if (libraryLoaded_) return;
  std::lock_guard<std::mutex> frame(LibraryFrameLock());
  if (GetLibraryReferenceCount() == 0) {
    InternalLoadLibrary();
    try {
      InternalLoadProcs();
    } catch (...) {
      try {
        InternalUnLoadLibrary();
      } catch (...) {
      }
      throw;
    }
  }
  SetLibraryReferenceCount(GetLibraryReferenceCount() + 1);
  SetLibraryLoaded(true);
}

// Gives back this session's reference; the last one unloads. Each step runs
// even when the one before it fails, since this runs only on destruction.
void TVelarSession::ReleaseLibrary() noexcept {
  if (!libraryLoaded_) return;
  std::lock_guard<std::mutex> frame(LibraryFrameLock());
  try {
    SetLibraryLoaded(false);
  } catch (...) {
    libraryLoaded_ = false;
  }
  try {
    SetLibraryReferenceCount(GetLibraryReferenceCount() - 1);
    if (GetLibraryReferenceCount() == 0) InternalUnLoadLibrary();
  } catch (...) {
  }
}

// A driver may do more here (initialise its per-session state) but must call
// this to keep the flag.
void TVelarSession::SetLibraryLoaded(bool Value) {
  libraryLoaded_ = Value;
}

// The version is read from the file the library was loaded from; a session
// that shares a library loaded by another has no directory of its own and
// reads the bare file name. A LibraryFile with a directory of its own names
// the file whole when absolute; without LibraryPath the loaded directory is
// already the one that file lies in.
std::string TVelarSession::GetLibraryVersion() {
  InternalLibraryHandleNeeded();
  std::string file = loadedLibraryPath_ + libraryFile_;
  if (!libraryFile_.empty() && libraryFile_.front() == host::PathDelim)
    file = libraryFile_;
  else if (host::Trim(libraryPath_).empty() && !loadedLibraryPath_.empty())
    file = loadedLibraryPath_ + host::ExtractFileName(libraryFile_);
  std::uint16_t major = 0, minor = 0, release = 0, build = 0;
  VlrGetProductVersion(file, major, minor, release, build);
  return host::Format("%u.%u.%u.%u", major, minor, release, build);
}

// --------------------------------------------------------- connect frame

// A real change of state always ends the user transaction. While the
// component is read from a form the value is only remembered: the other
// properties the connect needs may not have been read yet.
void TVelarSession::SetConnected(bool Value) {
  if (Value != connected_) inTransaction_ = false;
  if (ComponentState().Contains(host::csReading))
    streamedConnected_ = Value;
  else
    connected_ = Value;
}

// A designer must be able to open a form whose session cannot connect here,
// so there the failure is only shown; a program that loads the form gets it.
void TVelarSession::Loaded() {
  host::TComponent::Loaded();
  if (!streamedConnected_) return;
  try {
    SetConnected(true);
  } catch (const std::exception& error) {
    if (!ComponentState().Contains(host::csDesigning)) throw;
    host::Application->MessageBox(error.what(), szVelarLibraryName,
                                  host::MB_OK | host::MB_ICONERROR);
  }
}

// The base has no connection to run anything on.
bool TVelarSession::Execute(const std::string& /*SQL*/) {
  return false;
}

// The base knows no server to ask.
bool TVelarSession::Ping(const char* /*Name*/) {
  return false;
}

// ------------------------------------------------------ statement registry

// Called by TVelarSQL::SetSession only, after it left any previous session.
void TVelarSession::AddQuery(TVelarSQL* Query) {
  if (Query == nullptr) return;
  queries_.push_back(Query);
  Query->session_ = this;
}

// Clears the statement's link first, so that it never points at a session
// that no longer lists it. A link to another session is that session's to
// undo: clearing it here would leave the other session listing a statement
// that no longer knows it, and that would not leave the list when freed.
void TVelarSession::RemoveQuery(TVelarSQL* Query) {
  if (Query == nullptr) return;
  if (Query->session_ == this) Query->session_ = nullptr;
  auto found = std::find(queries_.begin(), queries_.end(), Query);
  if (found != queries_.end()) queries_.erase(found);
}

// Checked like any list of the framework.
TVelarSQL* TVelarSession::Queries(int Index) const {
  if (Index < 0 || Index >= QueryCount()) host::RaiseListIndexError(Index);
  return queries_[static_cast<std::size_t>(Index)];
}

// Visits the statements registered when the call began, each once. A driver
// step may unlink a statement (or free one) while this runs, so the walk goes
// over a copy of the list and skips any statement that is no longer
// registered, rather than indexing a list that shrinks under it; statements
// registered meanwhile are left alone.
void TVelarSession::InternalCloseQueries() {
  const std::vector<TVelarSQL*> registered = queries_;
  for (TVelarSQL* query : registered) {
    if (std::find(queries_.begin(), queries_.end(), query) == queries_.end()) continue;
    query->UnprepareOpen();
    query->UnprepareExecute();
  }
}

// ----------------------------------------------------------- transactions

// Committing first ends the implicit transaction, so work done before the
// user transaction is not rolled back with it.
void TVelarSession::StartTransaction() {
  if (inTransaction_) RaiseLastError<EVelarException>(VlrLoadStr(VELAR_ERR_SESS_TRANS_ACTIVE));
  InternalCommit();
  inTransaction_ = true;
}

// A failed commit keeps the transaction open, so the caller can roll back;
// that holds whether the failure raised or was only reported.
void TVelarSession::Commit() {
  if (InternalCommit()) inTransaction_ = false;
}

// A failed rollback keeps the flag, as the server's state is unknown.
void TVelarSession::Rollback() {
  if (InternalRollback()) inTransaction_ = false;
}

}  // namespace velar
