// A small driver for the session and statement tests. The session loads a
// real shared library (a fixture built beside the tests) through the host,
// keeps its reference count in class-wide storage as a driver does, records
// every step it is asked to run, and fails a named step on demand.
#pragma once

#include <string>
#include <vector>

#include "base/VlrBase.h"
#include "host/os.h"

namespace velar_test {

// What the driver did, across all its sessions and statements, in order:
// "Name.Step" entries. Cleared by Reset().
struct DriverLog {
  static std::vector<std::string> Calls;
  static std::string FailOn;  // a step name ("InternalLoadProcs", "Connect", ...)

  static void Reset() {
    Calls.clear();
    FailOn.clear();
  }
  static int Count(const std::string& Entry) {
    int count = 0;
    for (const std::string& call : Calls)
      if (call == Entry) ++count;
    return count;
  }
  static int IndexOf(const std::string& Entry) {
    for (std::size_t i = 0; i < Calls.size(); ++i)
      if (Calls[i] == Entry) return static_cast<int>(i);
    return -1;
  }
};

class TTestSession : public velar::TVelarSession {
 public:
  using TAnswerProc = int (*)();

  // Driver-wide library state, as a real driver keeps it in its unit.
  static int ReferenceCount;
  static host::TLibraryHandle Handle;
  static TAnswerProc Answer;
  static int Loads;

  explicit TTestSession(host::TComponent* AOwner, const std::string& AName = "S");
  ~TTestSession() override { BeforeDestruction(); }

  static void ResetDriver();

  using velar::TVelarSession::SetLastErrorCode;

  int GetLibraryReferenceCount() override { return ReferenceCount; }
  void SetLibraryReferenceCount(int Value) override { ReferenceCount = Value; }
  void InternalLoadLibrary() override;
  void InternalUnLoadLibrary() override;
  void InternalLoadProcs() override;
  void InternalUnloadLoadProcs() override;
  void SetConnected(bool Value) override;
  void SetLibraryLoaded(bool Value) override;
  bool Check(void* Context, int Param1, int Param2, bool WantExceptions) override;
  bool InternalCommit() override;
  bool InternalRollback() override;
  bool Stop() override { return true; }

  // What the last Check received.
  void* CheckContext = nullptr;
  int CheckParam1 = 0;
  int CheckParam2 = 0;

 private:
  void Step(const std::string& Name);
};

class TTestSQL : public velar::TVelarSQL {
 public:
  explicit TTestSQL(host::TComponent* AOwner, const std::string& AName = "Q");
  ~TTestSQL() override { BeforeDestruction(); }

  // Puts the statement in the state a driver leaves after preparing and
  // opening a query of two fields and executing a statement with one input
  // variable: flags, texts, row buffers and variable buffers all set.
  void SimulateOpenAndExecuted();

  // When set, the statement's close step unlinks it from its session, as a
  // driver step that gives up on a lost connection might.
  bool UnlinkOnClose = false;

 protected:
  void InternalClose() override;
  void InternalUnprepareOpen() override;
  void InternalUnprepareExecute() override;
  void InternalClearVariables(velar::TVelarVariables& Variables) override;

 private:
  void Step(const std::string& Name);
};

}  // namespace velar_test
