// TVelarSession: the driver-independent session component.
//
// The session owns the client library's life cycle frame (one load shared by
// every session of a driver, released when the last session goes), the
// connect frame with the deferred connect of a component read from a form,
// the registry of the statements that use it, the user-transaction flag, the
// last error, and the OEM/ANSI conversion statements apply to their text.
// Everything that talks to a concrete client library is a virtual operation
// that a driver overrides.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/VlrMessages.h"
#include "host/application.h"
#include "host/component.h"

namespace velar {

class TVelarSQL;

class TVelarSession : public host::TComponent {
 public:
  explicit TVelarSession(host::TComponent* AOwner);
  // Runs the destroy frame if the driver's destructor has not (see
  // BeforeDestruction); from here only the base's own steps can run.
  ~TVelarSession() override;

  // Applies a Connected value read from a form. A failing connect is shown in
  // a message box at design time, so that the form still loads, and raised at
  // run time.
  void Loaded() override;

  // ---- Virtual operations, in this order (the driver contract). ----------
 protected:
  // The driver-wide count of sessions holding the library; the base keeps none.
  virtual int GetLibraryReferenceCount();
  virtual void SetLibraryReferenceCount(int Value);

 public:
  // Loads and binds the library on first need and takes this session's one
  // reference on it. Call before every operation that needs the library.
  virtual void InternalLibraryHandleNeeded();

 protected:
  // Loads the library file and sets LoadedLibraryPath; raises on failure.
  virtual void InternalLoadLibrary() = 0;
  // Unbinds (InternalUnloadLoadProcs), frees the library, clears
  // LoadedLibraryPath.
  virtual void InternalUnLoadLibrary() = 0;
  // Looks up every entry point the driver uses.
  virtual void InternalLoadProcs() = 0;
  // Forgets the entry points.
  virtual void InternalUnloadLoadProcs() = 0;

 public:
  // Records the connection state. A driver connects or disconnects when the
  // value changes and the component is not being read, then calls this last.
  virtual void SetConnected(bool Value);

 protected:
  // Records whether this session holds its reference on the library.
  virtual void SetLibraryLoaded(bool Value);

 public:
  // Judges the client library's status after a call: sets LastErrorCode and
  // LastError, raises through RaiseLastError when WantExceptions is true and
  // the status is an error, and returns true when there is no error. The
  // first three arguments are the driver's own.
  virtual bool Check(void* Context, int Param1, int Param2, bool WantExceptions) = 0;

 protected:
  // Commit or roll back the connection's work; true when the server agreed.
  virtual bool InternalCommit() = 0;
  virtual bool InternalRollback() = 0;

 public:
  // Runs one statement directly on the connection; the base has none to run.
  virtual bool Execute(const std::string& SQL);
  // Whether the named server or database answers; the base knows none.
  virtual bool Ping(const char* Name);
  // Stops the work the session started on its server; the driver decides
  // what that means for its client library.
  virtual bool Stop() = 0;

  // ---- Statement registry. ----------------------------------------------
  // Only TVelarSQL::SetSession links a statement; the session never owns it.
  void AddQuery(TVelarSQL* Query);
  // Unlinks the statement; one that is not registered here is ignored, and
  // so is its link to another session.
  void RemoveQuery(TVelarSQL* Query);
  int QueryCount() const { return static_cast<int>(queries_.size()); }
  TVelarSQL* Queries(int Index) const;
  // Unprepares both sides of every statement registered when the call began;
  // drivers call it when they disconnect.
  void InternalCloseQueries();

  // ---- Transactions. ------------------------------------------------------
  void StartTransaction();
  void Commit();
  void Rollback();

  // ---- Errors and library information. ----------------------------------
  // Keeps Message as LastError and raises it as an exception of class E;
  // LastErrorCode is left alone.
  template <class E = EVelarException>
  requires std::derived_from<E, host::Exception>
  [[noreturn]] void RaiseLastError(const std::string& Message) {
    lastError_ = Message;
    throw E(lastError_);
  }
  // The client library's product version as "major.minor.release.build";
  // "0.0.0.0" when the file carries no readable version. Loads the library.
  std::string GetLibraryVersion();

  // ---- Character conversion for the client library. -----------------------
  // Converts Length characters from Source into Dest (ANSI to OEM when ToOem,
  // else back) when OEMConvert is on; otherwise leaves Dest untouched. Source
  // and Dest may be the same buffer.
  void TranslateChar(const char* Source, char* Dest, std::size_t Length, bool ToOem);
  // Whether two texts are equal ignoring case over at most MaxLength
  // characters; with OEMConvert on, both are read as OEM text.
  bool TranslateLICompChar(const char* S1, const char* S2, std::size_t MaxLength);

  // ---- Properties (a driver publishes them). ------------------------------
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool Value) { autoCommit_ = Value; }
  bool InTransaction() const { return inTransaction_; }
  bool Connected() const { return connected_; }
  const std::string& LibraryFile() const { return libraryFile_; }
  void SetLibraryFile(const std::string& Value) { libraryFile_ = Value; }
  const std::string& LibraryPath() const { return libraryPath_; }
  void SetLibraryPath(const std::string& Value) { libraryPath_ = Value; }
  const std::string& LoginDatabase() const { return loginDatabase_; }
  void SetLoginDatabase(const std::string& Value) { loginDatabase_ = Value; }
  const std::string& LoginUser() const { return loginUser_; }
  void SetLoginUser(const std::string& Value) { loginUser_ = Value; }
  const std::string& LoginPassword() const { return loginPassword_; }
  void SetLoginPassword(const std::string& Value) { loginPassword_ = Value; }
  bool OEMConvert() const { return oemConvert_; }
  void SetOEMConvert(bool Value) { oemConvert_ = Value; }
  bool StreamedConnected() const { return streamedConnected_; }
  const std::string& LastError() const { return lastError_; }
  std::int32_t LastErrorCode() const { return lastErrorCode_; }
  bool LibraryLoaded() const { return libraryLoaded_; }
  const std::string& LoadedLibraryPath() const { return loadedLibraryPath_; }
  bool WantExceptions() const { return wantExceptions_; }
  void SetWantExceptions(bool Value) { wantExceptions_ = Value; }

  // Fired by the driver.
  host::TNotifyEvent AfterConnect;
  host::TNotifyEvent BeforeConnect;
  host::TNotifyEvent AfterDisconnect;
  host::TNotifyEvent BeforeDisconnect;
  host::TNotifyEvent OnError;
  host::TNotifyEvent OnConnectionTerminated;

 protected:
  // The destroy frame: disconnect through the driver, give back the library
  // reference (unloading with the last), then leave every statement alive
  // without a session. A driver's destructor calls it first, while its
  // overrides can still run; later calls do nothing. Failures are swallowed:
  // a session being destroyed has nobody to report to, and stopping halfway
  // would keep the library loaded for good.
  void BeforeDestruction() noexcept;

  void SetLastError(const std::string& Value) { lastError_ = Value; }
  void SetLastErrorCode(std::int32_t Value) { lastErrorCode_ = Value; }
  void SetLoadedLibraryPath(const std::string& Value) { loadedLibraryPath_ = Value; }

 private:
  void ReleaseLibrary() noexcept;

  std::vector<TVelarSQL*> queries_;  // registered statements, not owned
  bool autoCommit_ = false;
  bool inTransaction_ = false;
  bool connected_ = false;
  std::string libraryFile_;
  std::string libraryPath_;
  std::string loginDatabase_;
  std::string loginUser_;
  std::string loginPassword_;
  bool oemConvert_ = false;
  bool streamedConnected_ = false;
  std::string lastError_;
  std::int32_t lastErrorCode_ = 0;
  bool libraryLoaded_ = false;
  std::string loadedLibraryPath_;
  bool wantExceptions_ = false;
  bool destroyFrameDone_ = false;
  // Reused by TranslateLICompChar, which row search calls for every row.
  std::vector<char> compareLeft_;
  std::vector<char> compareRight_;
};

}  // namespace velar
