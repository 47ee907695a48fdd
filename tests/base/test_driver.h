// A small driver for the session and statement tests. The session loads a
// real shared library (a fixture built beside the tests) through the host,
// keeps its reference count in class-wide storage as a driver does, records
// every step it is asked to run, and fails a named step on demand. The
// statement runs over an in-memory table: it prepares, describes, binds,
// opens, fetches and changes rows, and executes with input and output
// variables, so that the base's frames run for real.
#pragma once

#include <string>
#include <vector>

#include "base/VlrBase.h"
#include "host/os.h"
#include "host/variant.h"

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

// One column of the in-memory table, or one output variable.
struct TTestColumn {
  std::string Name;
  velar::TVelarFieldTypes Type;
  int Size;
};

// The table every test statement reads and changes, the output variables
// an execution describes with the values it returns, and the input values
// each execution received.
struct TestTable {
  static std::vector<TTestColumn> Columns;
  static std::vector<std::vector<host::Variant>> Rows;
  static std::vector<TTestColumn> Outputs;
  static std::vector<host::Variant> OutValues;
  static std::vector<std::vector<host::Variant>> Executed;

  // ID integer, NAME string of 10 characters, PRICE currency, NOTE memo;
  // three rows; no output variables.
  static void Reset();
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

  // When set, the statement's close step unlinks it from its session, as a
  // driver step that gives up on a lost connection might.
  bool UnlinkOnClose = false;
  // A query whose text contains this word is described after each open.
  static constexpr const char* kVaryingShape = "varying";

  // The base's protected steps, for the tests that examine them.
  velar::TVelarFieldTypes TypeAndLength(const host::Variant& Value, std::int32_t& Length) {
    return InternalGetVariableTypeAndLength(Value, Length);
  }
  // The value of the current row's field in the table (what a driver would
  // read from the database for a long field).
  host::Variant StoredValue(int FieldNo) const;

  // ---- The driver's steps. ----
 protected:
  bool InternalSetFieldDef(int Index, void* Description, velar::TVelarFieldDesc& Field,
                           int LongSize) override;
  bool InternalPrepareOpen(const std::string& SQL) override;
  bool InternalDescribePrepare() override;
  bool InternalBindOpenVariables(host::TStrings* List) override;
  bool InternalOpen(bool ReadOnly) override;
  bool InternalDescribeOpen(bool ReadMode) override;
  void InternalClose() override;
  void InternalUnprepareOpen() override;
  bool InternalPrepareExecute(const std::string& SQL) override;
  bool InternalBindExecVariables(host::TStrings* List) override;
  bool InternalExecute(host::TStrings* List) override;
  void InternalUnprepareExecute() override;
  void InternalClearVariables(velar::TVelarVariables& Variables) override;
  int InternalGetVariableLength(velar::TVelarFieldTypes FieldType) override;
  int InternalGetVariableExtType(velar::TVelarFieldTypes FieldType) override;
  bool InternalBindVariables(void* Statement, velar::TVelarVariables& Variables, void* Descriptor,
                             host::TStrings* List) override;
  bool InternalBindOutVariables(void* Statement, velar::TVelarVariables& Variables,
                                void* Descriptor, host::TStrings* List) override;
  velar::TVelarBlobStream* InternalCreateBlobStream(const std::string& FieldName) override;

 public:
  void GetFieldData(const std::uint8_t* Buffer, int Offset, int Size,
                    velar::TVelarFieldTypes FieldType, velar::TVelarBlobStream* Stream,
                    host::Variant& Value) override;
  void PutFieldData(std::uint8_t* Buffer, int Offset, int Size, velar::TVelarFieldTypes FieldType,
                    const host::Variant& Value, velar::TVelarBlobStream* Stream) override;
  bool First() override;
  bool Last() override;
  bool Next() override;
  bool Prev() override;
  bool Seek(int Row) override;
  bool Modify() override;
  bool Append() override;
  bool Delete() override;

 private:
  void Step(const std::string& Name);
  // Records the step and fails it when the test asked for that: raising
  // with WantExceptions, otherwise answering false.
  bool CheckedStep(const std::string& Name);
  bool DescribeTable();
  bool MoveTo(int Row);
  std::vector<host::Variant> RowValues();
};

}  // namespace velar_test
