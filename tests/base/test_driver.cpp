#include "tests/base/test_driver.h"

#include <cstring>

#include "host/sysutils.h"

namespace velar_test {

using velar::TVelarFieldTypes;

std::vector<std::string> DriverLog::Calls;
std::string DriverLog::FailOn;

std::vector<TTestColumn> TestTable::Columns;
std::vector<std::vector<host::Variant>> TestTable::Rows;
std::vector<TTestColumn> TestTable::Outputs;
std::vector<host::Variant> TestTable::OutValues;
std::vector<std::vector<host::Variant>> TestTable::Executed;

void TestTable::Reset() {
  Columns = {{"ID", velar::ntInteger, 4},
             {"NAME", velar::ntString, 11},
             {"PRICE", velar::ntCurrency, 8},
             {"NOTE", velar::ntMemo, 0}};
  Rows = {{1, "Smith", host::Currency::FromDouble(1.5), "first"},
          {2, "Blacksmith", host::Currency::FromDouble(2.25), host::Null()},
          {3, host::Null(), host::Currency::FromDouble(0), "third"}};
  Outputs.clear();
  OutValues.clear();
  Executed.clear();
}

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

namespace {

// Long values come from the table unless written: the driver's part of a
// blob stream.
class TTestBlobStream : public velar::TVelarBlobStream {
 public:
  using velar::TVelarBlobStream::TVelarBlobStream;

  std::int32_t GetBlobSize() override {
    const std::int32_t written = velar::TVelarBlobStream::GetBlobSize();
    if (written > 0) return written;
    Clear();
    const auto* sql = static_cast<const TTestSQL*>(Manager()->SQL());
    const host::Variant stored = sql->StoredValue(GetFieldNo());
    if (stored.IsNull()) return 0;
    const std::string text = host::VarToStr(stored);
    memory_.reset(static_cast<std::uint8_t*>(std::malloc(text.size() + 1)));
    std::memcpy(memory_.get(), text.data(), text.size());
    size_ = static_cast<std::int32_t>(text.size());
    return size_;
  }
  std::int64_t Read(void* Buffer, std::int64_t Count) override {
    if (memory_ == nullptr) GetBlobSize();
    if (memory_ == nullptr || position_ < 0 || position_ >= size_ || Count <= 0) return 0;
    const std::int64_t n = std::min<std::int64_t>(Count, size_ - position_);
    std::memcpy(Buffer, memory_.get() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
  }
};

}  // namespace

TTestSQL::TTestSQL(host::TComponent* AOwner, const std::string& AName) : velar::TVelarSQL(AOwner) {
  SetName(AName);
}

void TTestSQL::Step(const std::string& StepName) {
  DriverLog::Calls.push_back(Name() + "." + StepName);
}

bool TTestSQL::CheckedStep(const std::string& StepName) {
  Step(StepName);
  if (DriverLog::FailOn != StepName) return true;
  if (WantExceptions()) RaiseLastError(StepName + " failed");
  return false;
}

host::Variant TTestSQL::StoredValue(int FieldNo) const {
  if (FieldNo < 0 || RowNo() < 0 || RowNo() >= static_cast<int>(TestTable::Rows.size()))
    return host::Null();
  return TestTable::Rows[static_cast<std::size_t>(RowNo())][static_cast<std::size_t>(FieldNo)];
}

bool TTestSQL::InternalSetFieldDef(int Index, void* Description, velar::TVelarFieldDesc& Field,
                                   int /*LongSize*/) {
  const auto& columns = *static_cast<const std::vector<TTestColumn>*>(Description);
  const TTestColumn& column = columns[static_cast<std::size_t>(Index)];
  std::snprintf(Field.Name, sizeof Field.Name, "%s", column.Name.c_str());
  Field.FieldType = column.Type;
  Field.ExtType = column.Type * 100;
  Field.Size = column.Size;
  Field.Length = column.Size;
  Field.Nulls = true;
  return true;
}

// The table's columns become the fields; one row per fetch.
bool TTestSQL::DescribeTable() {
  fieldCount_ = static_cast<std::int32_t>(TestTable::Columns.size());
  recordSize_ = 0;
  for (int i = 0; i < fieldCount_; ++i) {
    InternalSetFieldDef(i, &TestTable::Columns, fields_[i], 0);
    recordSize_ += fields_[i].Size;
  }
  fetchRows_ = 1;
  InternalAllocOpenBuffer();
  BlobManager()->Clear();
  for (int i = 0; i < fieldCount_; ++i)
    if (fields_[i].FieldType == velar::ntMemo || fields_[i].FieldType == velar::ntBlob)
      InternalCreateBlobStream(fields_[i].Name);
  return true;
}

bool TTestSQL::InternalPrepareOpen(const std::string& SQL) {
  if (!CheckedStep("InternalPrepareOpen")) return false;
  if (SQL.find(kVaryingShape) == std::string::npos && !InternalDescribePrepare()) return false;
  return velar::TVelarSQL::InternalPrepareOpen(SQL);
}

bool TTestSQL::InternalDescribePrepare() {
  Step("InternalDescribePrepare");
  return DescribeTable();
}

bool TTestSQL::InternalBindOpenVariables(host::TStrings* List) {
  if (!CheckedStep("InternalBindOpenVariables")) return false;
  return velar::TVelarSQL::InternalBindOpenVariables(List);
}

bool TTestSQL::InternalOpen(bool ReadOnly) {
  if (!CheckedStep(ReadOnly ? "InternalOpen(read)" : "InternalOpen(write)")) return false;
  if (BeforeOpen) BeforeOpen(this);
  if (OpenSQL().find(kVaryingShape) != std::string::npos && !InternalDescribeOpen(ReadOnly))
    return false;
  recordCount_ = static_cast<std::int32_t>(TestTable::Rows.size());
  const bool result = velar::TVelarSQL::InternalOpen(ReadOnly) && Next();
  if (result && AfterOpen) AfterOpen(this);
  return result;
}

bool TTestSQL::InternalDescribeOpen(bool /*ReadMode*/) {
  Step("InternalDescribeOpen");
  return DescribeTable();
}

void TTestSQL::InternalClose() {
  Step("InternalClose");
  if (UnlinkOnClose) SetSession(nullptr);
  velar::TVelarSQL::InternalClose();
}

void TTestSQL::InternalUnprepareOpen() {
  Step("InternalUnprepareOpen");
  if (BeforeClose) BeforeClose(this);
  velar::TVelarSQL::InternalUnprepareOpen();
  if (AfterClose) AfterClose(this);
}

bool TTestSQL::InternalPrepareExecute(const std::string& SQL) {
  if (!CheckedStep("InternalPrepareExecute")) return false;
  return velar::TVelarSQL::InternalPrepareExecute(SQL);
}

// The outputs the table names follow the inputs, packed in their own buffer.
bool TTestSQL::InternalBindExecVariables(host::TStrings* List) {
  if (!CheckedStep("InternalBindExecVariables")) return false;
  velar::TVelarVariables& set = execVariables_;
  set.OutCount = 0;
  set.OutBufferSize = 0;
  for (const TTestColumn& output : TestTable::Outputs) {
    InternalSetFieldDef(set.OutCount, &TestTable::Outputs, set.Items[set.Count + set.OutCount], 0);
    set.OutBufferSize += output.Size;
    ++set.OutCount;
  }
  set.OutBuffer.Allocate(static_cast<std::size_t>(set.OutBufferSize));
  return velar::TVelarSQL::InternalBindExecVariables(List);
}

// Records the input values as the driver decodes them and returns the
// table's output values.
bool TTestSQL::InternalExecute(host::TStrings* /*List*/) {
  if (!CheckedStep("InternalExecute")) return false;
  const velar::TVelarVariables& set = ExecVariables();
  std::vector<host::Variant> inputs;
  int offset = 0;
  for (int i = 0; i < set.Count; ++i) {
    host::Variant value;
    GetFieldData(set.Buffer.Data(), offset, set.Items[i].Size, set.Items[i].FieldType, nullptr,
                 value);
    inputs.push_back(value);
    offset += set.Items[i].Size;
  }
  TestTable::Executed.push_back(inputs);
  offset = 0;
  for (int i = 0; i < set.OutCount && i < static_cast<int>(TestTable::OutValues.size()); ++i) {
    const velar::TVelarFieldDesc& item = set.Items[set.Count + i];
    PutFieldData(execVariables_.OutBuffer.Data(), offset, item.Size, item.FieldType,
                 TestTable::OutValues[static_cast<std::size_t>(i)], nullptr);
    offset += item.Size;
  }
  SetRowsProcessed(1);
  return true;
}

void TTestSQL::InternalUnprepareExecute() {
  Step("InternalUnprepareExecute");
  velar::TVelarSQL::InternalUnprepareExecute();
}

void TTestSQL::InternalClearVariables(velar::TVelarVariables& Variables) {
  Step(&Variables == &ExecVariables() ? "ClearExecVariables" : "ClearOpenVariables");
  velar::TVelarSQL::InternalClearVariables(Variables);
}

// Small variables, so that the promotions are easy to reach.
int TTestSQL::InternalGetVariableLength(TVelarFieldTypes FieldType) {
  switch (FieldType) {
    case velar::ntString:
      return 21;
    case velar::ntInteger:
      return 4;
    case velar::ntBoolean:
      return 1;
    case velar::ntBinary:
      return 12;
    case velar::ntUnknown:
      return 0;
    default:
      return 8;
  }
}

int TTestSQL::InternalGetVariableExtType(TVelarFieldTypes FieldType) {
  return FieldType * 100;
}

bool TTestSQL::InternalBindVariables(void*, velar::TVelarVariables&, void*, host::TStrings*) {
  return true;
}

bool TTestSQL::InternalBindOutVariables(void*, velar::TVelarVariables&, void*, host::TStrings*) {
  return true;
}

velar::TVelarBlobStream* TTestSQL::InternalCreateBlobStream(const std::string& FieldName) {
  return new TTestBlobStream(BlobManager(), FieldName);
}

// Integers as 32 bits, floating types as doubles, texts with a terminator,
// long values through their stream: the types the tests' values take.
void TTestSQL::GetFieldData(const std::uint8_t* Buffer, int Offset, int Size,
                            TVelarFieldTypes FieldType, velar::TVelarBlobStream* Stream,
                            host::Variant& Value) {
  Value = host::Null();
  const std::uint8_t* p = Buffer + Offset;
  switch (FieldType) {
    case velar::ntInteger: {
      std::int32_t n;
      std::memcpy(&n, p, 4);
      Value = n;
      break;
    }
    case velar::ntFloat:
    case velar::ntCurrency: {
      double d;
      std::memcpy(&d, p, 8);
      if (FieldType == velar::ntCurrency)
        Value = host::Currency::FromDouble(d);
      else
        Value = d;
      break;
    }
    case velar::ntString:
      Value =
          std::string(reinterpret_cast<const char*>(p),
                      ::strnlen(reinterpret_cast<const char*>(p), static_cast<std::size_t>(Size)));
      break;
    case velar::ntMemo:
    case velar::ntBlob:
      if (Stream != nullptr) {
        std::string text(static_cast<std::size_t>(Stream->Size()), '\0');
        Stream->SetPosition(0);
        Stream->Read(text.data(), static_cast<std::int64_t>(text.size()));
        Value = text;
      } else {
        Value = std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(Size));
      }
      break;
    default:
      break;
  }
}

void TTestSQL::PutFieldData(std::uint8_t* Buffer, int Offset, int Size, TVelarFieldTypes FieldType,
                            const host::Variant& Value, velar::TVelarBlobStream* Stream) {
  std::uint8_t* p = Buffer + Offset;
  switch (FieldType) {
    case velar::ntInteger: {
      const std::int32_t n = SetVarToInt(Value);
      std::memcpy(p, &n, 4);
      break;
    }
    case velar::ntFloat:
    case velar::ntCurrency: {
      const double d = SetVarToFloat(Value);
      std::memcpy(p, &d, 8);
      break;
    }
    case velar::ntString: {
      std::string s;
      SetVarToStr(Value, s);
      const std::size_t n = std::min(s.size(), static_cast<std::size_t>(Size - 1));
      std::memcpy(p, s.data(), n);
      p[n] = 0;
      break;
    }
    case velar::ntMemo:
    case velar::ntBlob: {
      std::string s;
      SetVarToStr(Value, s);
      if (Stream != nullptr) {
        Stream->Clear();
        Stream->Write(s.data(), static_cast<std::int64_t>(s.size()));
      } else {
        std::memcpy(p, s.data(), std::min(s.size(), static_cast<std::size_t>(Size)));
      }
      break;
    }
    default:
      break;
  }
}

// Loads a table row into the row buffers, or empties them past either end.
bool TTestSQL::MoveTo(int Row) {
  const int rows = static_cast<int>(TestTable::Rows.size());
  recordBuffer_.Zero();
  const bool onRow = Row >= 0 && Row < rows;
  bof_ = Row < 0;
  eof_ = Row >= rows;
  rowNo_ = Row < 0 ? -1 : (Row > rows ? rows : Row);
  bufferRows_ = onRow ? 1 : 0;
  int offset = 0;
  for (int i = 0; i < fieldCount_; ++i) {
    const host::Variant value =
        onRow ? TestTable::Rows[static_cast<std::size_t>(Row)][static_cast<std::size_t>(i)]
              : host::Null();
    if (!value.IsNull() && fields_[i].FieldType != velar::ntMemo)
      PutFieldData(recordBuffer_.Data(), offset, fields_[i].Size, fields_[i].FieldType, value,
                   nullptr);
    nullIndicators_.Data()[i] = value.IsNull() ? 1 : 0;
    offset += fields_[i].Size;
  }
  if (recordBuffer_)
    std::memcpy(oldRecordBuffer_.Data(), recordBuffer_.Data(), recordBuffer_.Size());
  std::memcpy(oldNullIndicators_.Data(), nullIndicators_.Data(), nullIndicators_.Size());
  BlobManager()->ResetBlobs();
  for (int i = 0; i < BlobManager()->Count(); ++i)
    BlobManager()->GetBlob(static_cast<std::int16_t>(i))->Clear();
  return onRow;
}

bool TTestSQL::First() {
  Step("First");
  return MoveTo(0);
}

bool TTestSQL::Last() {
  Step("Last");
  return MoveTo(static_cast<int>(TestTable::Rows.size()) - 1);
}

bool TTestSQL::Next() {
  Step("Next");
  return MoveTo(RowNo() + 1);
}

bool TTestSQL::Prev() {
  Step("Prev");
  return MoveTo(RowNo() - 1);
}

bool TTestSQL::Seek(int Row) {
  Step("Seek");
  return MoveTo(Row);
}

// The current row's values as the driver decodes them; null fields are Null.
std::vector<host::Variant> TTestSQL::RowValues() {
  std::vector<host::Variant> values;
  for (int i = 0; i < fieldCount_; ++i)
    values.push_back(IsFieldNull(i) ? host::Null() : GetFieldValue(i));
  return values;
}

bool TTestSQL::Modify() {
  Step("Modify");
  TestTable::Rows[static_cast<std::size_t>(RowNo())] = RowValues();
  return true;
}

bool TTestSQL::Append() {
  Step("Append");
  TestTable::Rows.push_back(RowValues());
  return true;
}

bool TTestSQL::Delete() {
  Step("Delete");
  TestTable::Rows.erase(TestTable::Rows.begin() + RowNo());
  return true;
}

}  // namespace velar_test
