#include "tests/base/test_driver.h"

namespace velar_test {

std::vector<std::string> DriverLog::Calls;
std::string DriverLog::FailOn;

int TTestSession::ReferenceCount = 0;
host::TLibraryHandle TTestSession::Handle = nullptr;
TTestSession::TAnswerProc TTestSession::Answer = nullptr;
int TTestSession::Loads = 0;

// Sessions load the plain fixture library from the build tree by default.
TTestSession::TTestSession(host::TComponent* AOwner, const std::string& AName)
    : velar::TVelarSession(AOwner) {
  SetName(AName);
  SetLibraryPath(std::string(VELAR_LIB_DIR) + "/");
  SetLibraryFile("libbase_fixture_plain.so");
}

// Forgets the driver-wide state between tests; a test that leaves the library
// loaded has failed already, so this only guards the next one.
void TTestSession::ResetDriver() {
  if (Handle != nullptr) host::FreeLibrary(Handle);
  Handle = nullptr;
  Answer = nullptr;
  ReferenceCount = 0;
  Loads = 0;
}

// Records the step and raises when the test asked this step to fail.
void TTestSession::Step(const std::string& StepName) {
  DriverLog::Calls.push_back(Name() + "." + StepName);
  if (DriverLog::FailOn == StepName) RaiseLastError(StepName + " failed");
}

void TTestSession::InternalLoadLibrary() {
  Step("InternalLoadLibrary");
  Handle = host::LoadLibrary(LibraryPath() + LibraryFile());
  if (Handle == nullptr) RaiseLastError("cannot load " + LibraryFile());
  ++Loads;
  SetLoadedLibraryPath(LibraryPath());
}

void TTestSession::InternalUnLoadLibrary() {
  Step("InternalUnLoadLibrary");
  InternalUnloadLoadProcs();
  host::FreeLibrary(Handle);
  Handle = nullptr;
  SetLoadedLibraryPath("");
}

void TTestSession::InternalLoadProcs() {
  Step("InternalLoadProcs");
  velar::VlrInternalAssignProcAddress(Answer, host::GetProcAddress(Handle, "base_fixture_answer"),
                                      velar::VlrDummyProcFor<TAnswerProc>);
}

void TTestSession::InternalUnloadLoadProcs() {
  Step("InternalUnloadLoadProcs");
  Answer = nullptr;
}

// Connects through the library, disconnects by unpreparing the statements;
// the base records the outcome last.
void TTestSession::SetConnected(bool Value) {
  Step(Value ? "SetConnected(1)" : "SetConnected(0)");
  if (!ComponentState().Contains(host::csReading) && Value != Connected()) {
    if (Value) {
      InternalLibraryHandleNeeded();
      if (DriverLog::FailOn == "Connect") RaiseLastError("connect refused");
    } else {
      InternalCloseQueries();
    }
  }
  velar::TVelarSession::SetConnected(Value);
}

void TTestSession::SetLibraryLoaded(bool Value) {
  Step(Value ? "SetLibraryLoaded(1)" : "SetLibraryLoaded(0)");
  velar::TVelarSession::SetLibraryLoaded(Value);
}

// Succeeds unless asked to fail; a failure raises only when asked to.
bool TTestSession::Check(void* Context, int Param1, int Param2, bool WantExceptions) {
  CheckContext = Context;
  CheckParam1 = Param1;
  CheckParam2 = Param2;
  DriverLog::Calls.push_back(Name() + ".Check");
  if (DriverLog::FailOn != "Check") return true;
  SetLastErrorCode(-1);
  if (WantExceptions) RaiseLastError("check failed");
  SetLastError("check failed");
  return false;
}

bool TTestSession::InternalCommit() {
  Step("InternalCommit");
  return true;
}

bool TTestSession::InternalRollback() {
  Step("InternalRollback");
  return true;
}

// ---------------------------------------------------------------- TTestSQL

TTestSQL::TTestSQL(host::TComponent* AOwner, const std::string& AName) : velar::TVelarSQL(AOwner) {
  SetName(AName);
}

void TTestSQL::Step(const std::string& StepName) {
  DriverLog::Calls.push_back(Name() + "." + StepName);
}

void TTestSQL::SimulateOpenAndExecuted() {
  fieldCount_ = 2;
  recordSize_ = 12;
  allocatedRows_ = 4;
  fetchBuffer_.Allocate(48);
  recordBuffer_.Allocate(12);
  oldRecordBuffer_.Allocate(12);
  nullIndicators_.Allocate(2);
  oldNullIndicators_.Allocate(2);
  tableName_ = "T";
  openSQL_ = "select a, b from T";
  prepared_ = true;
  opened_ = true;
  rowNo_ = 3;
  recordCount_ = 4;
  bof_ = false;
  eof_ = false;
  execSQLText_ = "update T set a = ?";
  execPrepared_ = true;
  execVariables_.Items[0].FieldType = velar::ntInteger;
  execVariables_.Items[0].Size = 4;
  execVariables_.Count = 1;
  execVariables_.BufferSize = 4;
  execVariables_.Buffer.Allocate(4);
  execVariables_.Bound = true;
}

void TTestSQL::InternalClose() {
  Step("InternalClose");
  if (UnlinkOnClose) SetSession(nullptr);
  velar::TVelarSQL::InternalClose();
}

void TTestSQL::InternalUnprepareOpen() {
  Step("InternalUnprepareOpen");
  velar::TVelarSQL::InternalUnprepareOpen();
}

void TTestSQL::InternalUnprepareExecute() {
  Step("InternalUnprepareExecute");
  velar::TVelarSQL::InternalUnprepareExecute();
}

void TTestSQL::InternalClearVariables(velar::TVelarVariables& Variables) {
  Step(&Variables == &ExecVariables() ? "ClearExecVariables" : "ClearOpenVariables");
  velar::TVelarSQL::InternalClearVariables(Variables);
}

}  // namespace velar_test
