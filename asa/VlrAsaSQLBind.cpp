// Binding host variables to the library's descriptors, and long values
// sent through temporary server variables.
#include <algorithm>
#include <cstring>

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"
#include "host/strings.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// The most bytes one chunk of a long value carries: a binary host variable
// of 32767 bytes after its 16-bit length.
constexpr std::int32_t kChunkSize = 32765;

// Describing the input of a procedure call marks each parameter: bit 15 for
// one that returns a value, bit 14 with it for one that also takes one.
bool IsOutputOnly(const sqlvar& Entry) {
  if (Entry.sqlind == nullptr) return false;
  const auto marks = static_cast<std::uint16_t>(*Entry.sqlind);
  return (marks & DBIND_PARAM_OUT) != 0 && (marks & DBIND_PARAM_IN) == 0;
}

void SetIndicator(sqlvar& Entry, std::int16_t Value) {
  if (Entry.sqlind != nullptr) *Entry.sqlind = Value;
}

}  // namespace

// Asks the library which input entries the statement has and fills them
// from the variables in order; an output-only parameter takes none. A long
// value is sent ahead into a server variable when there is a list to name
// it in (the execute side), and the entry names that variable; a value that
// could not be sent fails the binding, rather than letting the statement
// run with the value missing. A bound value's indicator is set to 0: the
// describe leaves the parameter marks in it, which would read as null.
bool TAsaSQL::InternalBindVariables(void* Statement, TVelarVariables& Variables, void* Descriptor,
                                    host::TStrings* List) {
  auto* number = static_cast<std::int16_t*>(Statement);
  sqlda*& descriptor = *static_cast<sqlda**>(Descriptor);
  const std::uint32_t mark = ReleaseMark();
  FreeSqlda(descriptor);
  int entries = 0;
  if (!CountDescribed(number, DBDESC_INPUT, mark, entries)) return false;
  DescribeInto(number, DBDESC_INPUT, entries, descriptor);

  // Entries naming a server variable, paired with the list line holding the
  // name: the lines may move while the list grows, so they are pointed at
  // once it is complete.
  int uploaded[VelarMaxItems];
  int uploadCount = 0;
  const int firstLine = List != nullptr ? List->Count() : 0;
  std::uint8_t* data = Variables.Buffer.Data();
  int item = 0;
  for (int i = 0; i < entries; ++i) {
    sqlvar& entry = descriptor->sqlvar[i];
    if (IsOutputOnly(entry)) {
      SetIndicator(entry, -1);
      continue;
    }
    if (item >= Variables.Count) {
      SetIndicator(entry, -1);
      ++item;
      continue;
    }
    TVelarFieldDesc& variable = Variables.Items[item];
    CopyName(entry.sqlname, variable.Name);
    if (variable.FieldType == ntUnknown) {
      SetIndicator(entry, -1);
    } else if (variable.FieldType != ntMemo && variable.FieldType != ntBlob) {
      entry.sqltype = static_cast<std::int16_t>(variable.ExtType);
      entry.sqllen = static_cast<std::int16_t>(variable.Size);
      entry.sqldata = data;
      SetIndicator(entry, 0);
    } else if (List != nullptr) {
      const std::string name = host::Format("blobparam%d", i + 1);
      if (!UploadBlobVariable(name, data, variable.Size) || ReleasedSince(mark)) return false;
      List->Add(name);
      uploaded[uploadCount++] = i;
      entry.sqltype = DBT_VARIABLE;
      SetIndicator(entry, 0);
    }
    data += variable.Size;
    ++item;
  }
  for (int k = 0; k < uploadCount; ++k)
    descriptor->sqlvar[uploaded[k]].sqldata =
        const_cast<char*>(List->Strings(firstLine + k).c_str());
  return true;
}

// Output entries follow the input variables; each gets a slot in the output
// buffer as a field of its type would (long ones their full 32767 bytes).
// The set holds at most VelarMaxItems variables in all.
bool TAsaSQL::InternalBindOutVariables(void* Statement, TVelarVariables& Variables,
                                       void* Descriptor, host::TStrings* /*List*/) {
  auto* number = static_cast<std::int16_t*>(Statement);
  sqlda*& descriptor = *static_cast<sqlda**>(Descriptor);
  const std::uint32_t mark = ReleaseMark();
  Variables.OutBuffer.Dispose();
  Variables.OutBufferSize = 0;
  Variables.OutCount = 0;
  FreeSqlda(descriptor);
  int entries = 0;
  if (!CountDescribed(number, DBDESC_OUTPUT, mark, entries)) return false;
  if (entries == 0) return true;
  if (Variables.Count + entries > VelarMaxItems)
    RaiseLastError<EAsaException>(host::Format(VlrLoadStr(VELAR_ERR_TOO_MANY_VARIABLES),
                                               Variables.Count + entries, VelarMaxItems));
  DescribeInto(number, DBDESC_OUTPUT, entries, descriptor);
  for (int i = 0; i < entries; ++i) {
    TVelarFieldDesc& item = Variables.Items[Variables.Count + Variables.OutCount];
    InternalSetFieldDef(i, descriptor, item, 32767);
    Variables.OutBufferSize += item.Size;
    ++Variables.OutCount;
  }
  Variables.OutBuffer.Allocate(static_cast<std::size_t>(Variables.OutBufferSize));
  std::uint8_t* data = Variables.OutBuffer.Data();
  for (int i = 0; i < entries; ++i) {
    descriptor->sqlvar[i].sqldata = data;
    data += Variables.Items[Variables.Count + i].Size;
  }
  return true;
}

// Creates the server variable and appends the value in chunks, so that no
// statement carries more than a binary host variable holds. A variable
// whose filling failed is dropped again, so that the next try can create
// it; an empty value is the empty string the variable starts with.
bool TAsaSQL::UploadBlobVariable(const std::string& Name, const void* Data, std::int32_t Size) {
  const std::uint32_t mark = ReleaseMark();
  if (!ExecuteDirect(host::Format("create variable %s long binary", Name), host::Null()))
    return false;
  bool filled = ExecuteDirect(host::Format("set %s=''", Name), host::Null());
  const auto* bytes = static_cast<const std::uint8_t*>(Data);
  const std::string append = host::Format("set %s=%s || :blob_host", Name, Name);
  for (std::int32_t position = 0; filled && bytes != nullptr && position < Size;) {
    const std::int32_t chunk = std::min(Size - position, kChunkSize);
    filled = ExecuteDirect(append, host::VarArrayOf({StrToVarByte(bytes + position, chunk)})) &&
             !ReleasedSince(mark);
    position += chunk;
  }
  filled = filled && AsaSession()->LastErrorCode() == 0;
  if (!filled && !ReleasedSince(mark)) {
    host::TStringList created;
    created.Add(Name);
    DropBlobVariables(&created);
  }
  return filled;
}

// Drops each named variable. The outcomes are not judged and the SQLCA is
// put back as it was, so that what the caller judges next (the execution,
// the change, a failed upload) is its own outcome and not a drop's.
void TAsaSQL::DropBlobVariables(host::TStrings* List) {
  if (List == nullptr || List->Count() == 0) return;
  const sqlca saved = *Ca();
  for (int i = 0; i < List->Count(); ++i)
    Procs().dbpp_execute_imm(Ca(), host::Format("drop variable %s", List->Strings(i)).c_str(), 2);
  *Ca() = saved;
}

// One statement on the connection: immediately without a value, otherwise
// prepared with one set of variables, bound, executed and dropped again.
// The local statement and descriptor are released on every path.
bool TAsaSQL::ExecuteDirect(const std::string& SQL, const host::Variant& Value) {
  const std::uint32_t mark = ReleaseMark();
  if (Value.IsNull()) {
    Procs().dbpp_execute_imm(Ca(), SQL.c_str(), 2);
    return CheckCall(mark);
  }
  std::int16_t number = 0;
  Procs().dbpp_prepare(Ca(), nullptr, szVelarLibraryName, &number, SQL.c_str(),
                       static_cast<sqlda*>(nullptr), 1);
  if (!CheckCall(mark)) return false;
  sqlda* input = nullptr;
  auto variables = std::make_unique<TVelarVariables>();
  struct TRelease {
    TAsaSQL& Sql;
    std::int16_t& Number;
    sqlda*& Input;
    TVelarVariables& Variables;
    ~TRelease() {
      Sql.InternalClearVariables(Variables);
      if (Sql.IsSessionAssigned())
        Procs().dbpp_dropstmt(Sql.Ca(), nullptr, szVelarLibraryName, &Number);
      FreeSqlda(Input);
    }
  } release{*this, number, input, *variables};
  InternalSetVariables(Value, *variables);
  if (!InternalBindVariables(&number, *variables, &input, nullptr)) return false;
  Procs().dbpp_execute_into(Ca(), nullptr, szVelarLibraryName, &number, input,
                            static_cast<sqlda*>(nullptr));
  return CheckCall(mark);
}

}  // namespace velar
