// The driver's library steps: finding and loading the client library,
// binding its entry points, and initialising each session's SQLCA with the
// probe of the interface generation.
#include <cstring>

#include "asa/VlrAsaCurrentDir.h"
#include "asa/VlrAsaSession.h"
#include "host/os.h"
#include "host/sysutils.h"

namespace velar {

// One count for every session of the driver: the library is shared.
int TAsaSession::GetLibraryReferenceCount() {
  return AsaLibrary.ReferenceCount;
}

// Only the base's library frame changes the count.
void TAsaSession::SetLibraryReferenceCount(int Value) {
  AsaLibrary.ReferenceCount = Value;
}

// Without LibraryPath the library is looked for where programs find theirs,
// and its directory is recorded all the same, so that the version can be
// read from the file actually loaded. The directory is made current during
// the load so that libraries the client library needs are found beside it;
// the caller's directory is back in place on every exit.
//
// A LibraryFile that carries a directory of its own is loaded from there, as
// the platform's loader would: an absolute one as it stands, a relative one
// from the caller's directory (through the search, which answers the full
// path) unless LibraryPath names where it is relative to.
void TAsaSession::InternalLoadLibrary() {
  std::string dir = host::Trim(LibraryPath());
  std::string file = LibraryFile();
  if (dir.empty()) {
    const std::string found = host::SearchPath(LibraryFile());
    if (!found.empty()) {
      dir = host::ExtractFilePath(found);
      file = host::ExtractFileName(found);
    }
  }
  if (!dir.empty() && dir.back() != host::PathDelim) dir += host::PathDelim;

  TAsaCurrentDirRestorer restorer;
  if (!dir.empty() && !host::SetCurrentDir(dir)) {
    const std::string reason = host::LastOSErrorMessage();
    RaiseLastError<EAsaException>(VlrLoadStr(VELAR_ERR_LIB_PATH_NOT_FOUND) + " (" + dir + "," +
                                  reason + ")");
  }
  // A relative directory is now the current one, so the file is named from
  // there rather than from the directory the caller was in.
  std::string path = file;
  if (!file.empty() && file.front() == host::PathDelim)
    path = file;
  else if (!dir.empty())
    path = (dir.front() == host::PathDelim ? dir : "./") + file;
  host::TLibraryHandle handle = host::LoadLibrary(path);
  if (handle == nullptr) {
    const std::string reason = host::LastLibraryError();
    RaiseLastError<EAsaException>(VlrLoadStr(VELAR_ERR_LIB_LOAD_FAILED) + " (" + LibraryFile() +
                                  "," + reason + ")");
  }
  AsaLibrary.Handle = handle;
  SetLoadedLibraryPath(dir);
}

// Binds the table of the library just loaded (see BindAsaProcs).
void TAsaSession::InternalLoadProcs() {
  BindAsaProcs(AsaLibrary.Procs, AsaLibrary.Handle);
}

// Every entry is null afterwards, so nothing can call into a library that is
// no longer loaded.
void TAsaSession::InternalUnloadLoadProcs() {
  AsaLibrary.Procs = TAsaProcs{};
}

// What the probe and the sessions' initialisation recorded belongs to the
// library being freed, so it goes with it.
void TAsaSession::InternalUnLoadLibrary() {
  if (AsaLibrary.Handle == nullptr) return;
  InternalUnloadLoadProcs();
  host::FreeLibrary(AsaLibrary.Handle);
  AsaLibrary.Handle = nullptr;
  AsaLibrary.Generation = agNone;
  AsaLibrary.LegacyContext = dblib_legacy_context{};
  SetLoadedLibraryPath(std::string());
}

// Taking the reference initialises this session's SQLCA; dropping it
// finalises the SQLCA, which also ends any connection still on it.
void TAsaSession::SetLibraryLoaded(bool Value) {
  TVelarSession::SetLibraryLoaded(Value);
  if (Value)
    InitializeSqlca();
  else
    FinalizeSqlca();
}

// A library that cannot initialise the SQLCA leaves the session unusable:
// every later call would fail on an SQLCA the library does not know. So the
// reference the base has just counted is given back (unloading with the
// last) and the next operation tries again from the start.
void TAsaSession::InitializeSqlca() {
  if (AsaLibrary.Procs.db_init(&sqlca_) == 0) {
    TVelarSession::SetLibraryLoaded(false);
    SetLibraryReferenceCount(GetLibraryReferenceCount() - 1);
    if (GetLibraryReferenceCount() == 0) InternalUnLoadLibrary();
    RaiseLastError<EAsaException>(VlrLoadStr(VELAR_ERR_LIB_INIT_FAILED));
  }
  sqlcaPointer_ = &sqlca_;
  AsaLibrary.LegacyContext.sqlca_pointer_field = &sqlcaPointer_;
  ProbeGeneration();
  std::memcpy(sqlca_.sqlcaid, "SQLCA   ", sizeof sqlca_.sqlcaid);
  sqlca_.sqlcabc = SQLCA_SIZE;
}

// The legacy context must not keep pointing into a session that is going
// away; the next session to initialise points it at its own field.
void TAsaSession::FinalizeSqlca() {
  AsaLibrary.Procs.db_fini(&sqlca_);
  if (AsaLibrary.LegacyContext.sqlca_pointer_field == &sqlcaPointer_)
    AsaLibrary.LegacyContext.sqlca_pointer_field = nullptr;
  sqlcaPointer_ = nullptr;
}

// Generation 7 also needs the library's name to say so: a library of another
// name that serves 7 is used in the form it serves for 6.
//
// Sessions holding a reference call through the table on other threads and
// read the generation on every call, so a probe that finds what is already
// recorded writes nothing (it runs under the library frame's lock).
void TAsaSession::ProbeGeneration() {
  TAsaLibraryGeneration generation;
  const db_version_check_fn versionCheck = AsaLibrary.Procs.db_version_check;
  if (versionCheck == nullptr)
    generation = agUnversioned;
  else if (versionCheck(7) != 0 &&
           host::LowerCase(LibraryFile()).find("dblib7") != std::string::npos)
    generation = agVersion7;
  else if (versionCheck(6) != 0)
    generation = agVersion6;
  else
    generation = agOlder;

  const std::uint16_t version = generation == agVersion7 ? 7 : generation == agVersion6 ? 6 : 4;
  if (AsaLibrary.Generation != generation) AsaLibrary.Generation = generation;
  if (AsaLibrary.InterfaceVersion != version) {
    AsaLibrary.InterfaceVersion = version;
    AsaLibrary.InterfaceVersion2 = version;
  }
  if (AsaLibrary.LegacyContext.interface_version == nullptr) {
    AsaLibrary.LegacyContext.interface_version = &AsaLibrary.InterfaceVersion;
    AsaLibrary.LegacyContext.interface_version2 = &AsaLibrary.InterfaceVersion2;
  }
}

}  // namespace velar
