// TAsaSession: the session of the ASA driver, as applications see it.
//
// It fills in the base session's steps for the ASA client library: finding,
// loading and binding the library (one copy shared by every session of the
// process), initialising its own SQLCA, connecting according to ServerType,
// judging every call's outcome (Check), the wait callback and cancelling,
// transactions, connection options and online backup. Statements make their
// library calls on the session's SQLCA.
//
// This header hands out only the SQLCA and SQLDA layouts; the table of entry
// points and the library state are the driver's own (asa/VlrAsaSession.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/VlrBase.h"
#include "dblib/include/sqlca.h"
#include "dblib/include/sqlda.h"
#include "host/component.h"

namespace host {
class TPropertyTable;
struct TEnumTypeInfo;
}  // namespace host

namespace velar {

struct TAsaProcs;
// One of the entry-point table's database actions (db_start_database,
// db_stop_database).
using TAsaDatabaseAction = unsigned (*TAsaProcs::*)(sqlca*, const char*);

// Errors from the client library and the driver's own checks.
class EAsaException : public EVelarException {
 public:
  using EVelarException::EVelarException;
  ~EAsaException() override;
};

// How Connected reaches a server.
enum TAsaServerType : std::uint8_t {
  stClient,     // connect to a running server only
  stServer,     // start the server and the database, then connect
  stWorkgroup,  // connect; start server and database only when none answers
};

// The isolation level applied after each connect.
enum TAsaTransIsolation : std::uint8_t {
  atUnchanged,  // the option is not touched
  atReadUncommitted,
  atReadCommitted,
  atReapeatableRead,
  atSerializable,
};

// Fired for every page a backup writes: the file written, its page count and
// the 1-based number of the page just written.
using TBackupEvent = std::function<void(host::TObject* Sender, const std::string& BackupFile,
                                        int NumOfPages, int CurrPage)>;

// What the wait callback receives: the SQLCA address the client library
// passed, and the result handed back to it (0).
struct TAsaCallbackCall {
  sqlca* Argument = nullptr;
  std::int32_t Result = 0;
};

const host::TEnumTypeInfo& AsaServerTypeInfo();
const host::TEnumTypeInfo& AsaTransIsolationInfo();

class TAsaSession : public TVelarSession {
 public:
  explicit TAsaSession(host::TComponent* AOwner);
  ~TAsaSession() override;

  // The published properties with their declared stream defaults.
  static const host::TPropertyTable& Properties();

  // ---- Virtual operations, in the base's order. ---------------------------
 protected:
  int GetLibraryReferenceCount() override;
  void SetLibraryReferenceCount(int Value) override;
  void InternalLoadLibrary() override;
  void InternalUnLoadLibrary() override;
  void InternalLoadProcs() override;
  void InternalUnloadLoadProcs() override;

 public:
  void SetConnected(bool Value) override;

 protected:
  void SetLibraryLoaded(bool Value) override;

 public:
  // Judges the SQLCA's outcome; the first three arguments are not used.
  // True only for sqlcode 0. Warnings never raise; errors raise
  // EAsaException when RaiseError is true. A lost connection (-101, -308)
  // while connected disconnects the session first.
  bool Check(void* Context, int Param1, int Param2, bool RaiseError) override;

 protected:
  bool InternalCommit() override;
  bool InternalRollback() override;

 public:
  // Whether the server named in Params answers.
  bool Ping(const char* Params) override;
  // Cancels the request running on this session's SQLCA, if any.
  bool Stop() override;

  // ---- Further operations. ------------------------------------------------
  // Copies every database file page by page into Directory (the current
  // directory when empty); true when at least one file was copied whole.
  bool Backup(const std::string& Directory);
  // Reads a connection option; Value is empty unless the call succeeds.
  bool GetOption(const char* Name, std::string& Value);
  // Sets a connection option for this connection only.
  bool SetOption(const char* Name, const char* Value);
  // Start or stop the session's database while disconnected, through a
  // temporary connection made with Params when Params is not blank.
  bool StartDatabase(const char* Params);
  bool StopDatabase(const char* Params);

  // ---- Parameter strings built from the login properties. -----------------
  // Values are braced where the library would otherwise split or trim them;
  // one that cannot be written raises EAsaException (naming the key only).
  std::string EngineParam();
  std::string StartEngineParams();
  std::string StartDatabaseParams();
  std::string DatabaseParams();
  std::string EngineClientParams();
  std::string ConnectParams();

  // ---- For statements. --------------------------------------------------------
  sqlca* SQLCA() { return &sqlca_; }
  // Runs OnServerWait; the client library reaches it through the wait
  // callback while a request of this session runs.
  void ServerWaitCallback(TAsaCallbackCall& Call);

  // ---- Properties. --------------------------------------------------------
  const std::string& ClientParams() const { return clientParams_; }
  void SetClientParams(const std::string& Value) { clientParams_ = Value; }
  bool CommitOnDisconnect() const { return commitOnDisconnect_; }
  void SetCommitOnDisconnect(bool Value) { commitOnDisconnect_ = Value; }
  const std::string& LoginEngineName() const { return loginEngineName_; }
  void SetLoginEngineName(const std::string& Value) { loginEngineName_ = Value; }
  const std::string& ServerParams() const { return serverParams_; }
  void SetServerParams(const std::string& Value) { serverParams_ = Value; }
  TAsaServerType ServerType() const { return serverType_; }
  // A change disconnects first (except while read from a form).
  void SetServerType(TAsaServerType Value);
  TAsaTransIsolation TransIsolation() const { return transIsolation_; }
  // Sends the level to the server (except while read from a form), and
  // again after every connect.
  void SetTransIsolation(TAsaTransIsolation Value);
  bool WantRowCounts() const { return wantRowCounts_; }
  // Sends "row_counts" when the server's value differs (except while read
  // from a form), and again after every connect.
  void SetWantRowCounts(bool Value);

  TBackupEvent OnBackup;
  host::TNotifyEvent OnServerWait;

 private:
  bool Reading() const { return ComponentState().Contains(host::csReading); }
  bool Designing() const { return ComponentState().Contains(host::csDesigning); }

  // Library (VlrAsaLibrary.cpp).
  void InitializeSqlca();
  void FinalizeSqlca();
  void ProbeGeneration();

  // Connection (VlrAsaConnect.cpp, VlrAsaConnectParams.cpp).
  void Connect();
  void ConnectByServerType();
  void Disconnect();
  void StartServerAndConnect();
  bool RunDatabaseAction(const char* Params, TAsaDatabaseAction Action);
  std::string DatabaseName() const;
  std::string ParamPiece(const char* Key, const std::string& Value);
  void AppendDatabase(std::string& Params);

  // Wait callback routing (VlrAsaCheck.cpp).
  void RegisterWaitCallback();
  void UnregisterWaitCallback();

  // Backup (VlrAsaBackup.cpp).
  bool IsDatabaseFile(const std::string& Target) const;
  bool CopyBackupFiles(const std::string& Directory);
  bool CopyBackupFile(const std::string& Directory, int FileNumber, sqlda* Descriptor,
                      const std::uint8_t* Page, std::int32_t PageSize);
  bool WriteBackupFile(const std::string& Target, int FileNumber, std::int32_t Pages,
                       sqlda* Descriptor, const std::uint8_t* Page, std::int32_t PageSize);

  sqlca sqlca_{};
  sqlca* sqlcaPointer_ = nullptr;  // the SQLCA's address once initialised
  std::string loginEngineName_;
  std::string serverParams_;
  TAsaServerType serverType_ = stServer;
  std::string clientParams_;
  bool commitOnDisconnect_ = true;
  TAsaTransIsolation transIsolation_ = atUnchanged;
  bool wantRowCounts_ = false;
  bool waitCallbackRegistered_ = false;
  bool disconnecting_ = false;  // a disconnect is under way; a lost connection needs no other
};

}  // namespace velar
