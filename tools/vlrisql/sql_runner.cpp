#include "tools/vlrisql/sql_runner.h"

#include <cctype>
#include <cstring>
#include <exception>

#include "host/currency.h"
#include "host/datetime.h"
#include "host/sysutils.h"
#include "tools/vlrisql/interrupt.h"

namespace vlrisql {

namespace {

using velar::TVelarFieldTypes;

// Rows per fetch of the client's cursors: large enough that a long result
// costs few library calls, small enough that the first rows show at once.
constexpr int kRowsPerFetch = 200;

std::string RowsText(long long Rows) {
  return std::to_string(Rows) + (Rows == 1 ? " row" : " rows");
}

enum class TTransactionStep { None, Start, Commit, Rollback };

// Statements that start or end a transaction are the session's to run: its
// Commit and Rollback end the connection's transaction whether or not the
// server has one open, and a transaction started through it holds off
// AutoCommit until it ends.
TTransactionStep TransactionStepOf(const std::string& SQL) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < SQL.size() && words.size() < 3) {
    at = SQL.find_first_not_of(" \t\r\n", at);
    if (at == std::string::npos) break;
    const std::size_t end = SQL.find_first_of(" \t\r\n", at);
    words.push_back(host::UpperCase(SQL.substr(at, end - at)));
    at = end;
  }
  if (words.empty() || words.size() > 2) return TTransactionStep::None;
  const std::string second = words.size() == 2 ? words[1] : std::string();
  const bool plain = second.empty() || second == "WORK" || second == "TRANSACTION";
  if (words[0] == "COMMIT" && plain) return TTransactionStep::Commit;
  if (words[0] == "ROLLBACK" && plain) return TTransactionStep::Rollback;
  if (words[0] == "BEGIN" && plain) return TTransactionStep::Start;
  if (words[0] == "START" && second == "TRANSACTION") return TTransactionStep::Start;
  return TTransactionStep::None;
}

// Statements that never give a result set, known by their first word: they
// are executed without being described first. (A describe may not tell: a
// SET can describe as a column of its value.)
bool IsCommandStatement(const std::string& SQL) {
  static const char* const kWords[] = {"INSERT", "UPDATE", "DELETE", "SET",    "CREATE",
                                       "DROP",   "ALTER",  "GRANT",  "REVOKE", "TRUNCATE"};
  const std::size_t start = SQL.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return false;
  std::size_t end = start;
  while (end < SQL.size() && std::isalpha(static_cast<unsigned char>(SQL[end])))
    ++end;
  const std::string word = host::UpperCase(SQL.substr(start, end - start));
  for (const char* command : kWords)
    if (word == command) return true;
  return false;
}

}  // namespace

SqlRunner::SqlRunner(velar::TAsaSession& Session, TStreams Streams)
    : session_(Session), streams_(Streams), query_(nullptr) {
  session_.SetWantExceptions(true);
  query_.SetSession(&session_);
  query_.SetWantExceptions(true);
  query_.SetUniDirectional(true);
  query_.SetMaxFetchCount(kRowsPerFetch);
  // Called by the client library while a request of this session runs, on
  // this thread: the one place where a request can be stopped. Stop is
  // asked at every wait until the statement ends, as a library may let a
  // cancel lapse with the request it came in (a describe, say) and go on
  // with the next. Its own failure must not end the request's report.
  session_.OnServerWait = [this](host::TObject*) {
    if (!InterruptRequested()) return;
    try {
      session_.Stop();
    } catch (const std::exception&) {
    }
  };
}

SqlRunner::~SqlRunner() {
  session_.OnServerWait = nullptr;
}

void SqlRunner::SetFormat(TOutputFormat Value) {
  format_ = Value;
}

void SqlRunner::Note(const std::string& Text) {
  std::FILE* out = format_ == TOutputFormat::Table ? streams_.Results : streams_.Errors;
  std::fflush(streams_.Results);
  std::fprintf(out, "%s\n", Text.c_str());
  std::fflush(out);
}

void SqlRunner::ReportError(const std::string& Text) {
  std::fflush(streams_.Results);
  std::fprintf(streams_.Errors, "%s\n", Text.c_str());
  std::fflush(streams_.Errors);
}

template <class Step>
TOutcome SqlRunner::Guarded(Step&& DoStep) {
  const auto started = std::chrono::steady_clock::now();
  TOutcome outcome = TOutcome::Failed;
  try {
    outcome = DoStep();
  } catch (const std::exception& e) {
    // A request stopped by Ctrl-C fails with the library's own text, which
    // is what the user is shown.
    outcome = InterruptRequested() ? TOutcome::Cancelled : TOutcome::Failed;
    ReportError(e.what());
  }
  try {
    query_.UnprepareOpen();
    query_.UnprepareExecute();
  } catch (const std::exception& e) {
    ReportError(e.what());
  }
  if (timing_) {
    const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - started;
    Note(host::Format("Time: %.3f ms", {took.count()}));
  }
  std::fflush(streams_.Results);
  return outcome;
}

TOutcome SqlRunner::StepFailed() {
  const std::string& text = session_.LastError();
  ReportError(text.empty() ? "The statement failed." : text);
  return TOutcome::Failed;
}

// Describing tells a query (result columns, or a result shape only known
// once it runs, as of a procedure call) from any other statement.
TOutcome SqlRunner::Run(const std::string& SQL) {
  return Guarded([&] {
    switch (TransactionStepOf(SQL)) {
      case TTransactionStep::Start:
        session_.StartTransaction();
        Note("Transaction started");
        return TOutcome::Done;
      case TTransactionStep::Commit:
        session_.Commit();
        Note("Committed");
        return TOutcome::Done;
      case TTransactionStep::Rollback:
        session_.Rollback();
        Note("Rolled back");
        return TOutcome::Done;
      case TTransactionStep::None:
        break;
    }
    if (IsCommandStatement(SQL)) return Execute(SQL);
    if (!query_.Describe(SQL)) return StepFailed();
    if (query_.GetFieldCount() > 0 || query_.DescribeAfterOpen()) return Query(SQL);
    query_.UnprepareOpen();
    return Execute(SQL);
  });
}

bool SqlRunner::TryQuery(const std::string& SQL, TOutcome& Outcome) {
  bool prepared = false;
  try {
    prepared = query_.Describe(SQL);
  } catch (const std::exception&) {
  }
  if (!prepared) {
    query_.UnprepareOpen();
    return false;
  }
  Outcome = Guarded([&] { return Query(SQL); });
  return true;
}

TOutcome SqlRunner::Execute(const std::string& SQL) {
  if (!query_.Execute(SQL)) return StepFailed();
  Note(RowsText(query_.RowsProcessed()) + " affected");
  return TOutcome::Done;
}

// The cursor stands on the first row after opening; a procedure's further
// result sets come one by one through Resume.
TOutcome SqlRunner::Query(const std::string& SQL) {
  bool row = query_.OpenRead(SQL);
  if (!query_.Opened()) return StepFailed();
  for (;;) {
    if (!PrintResultSet(row)) return TOutcome::Cancelled;
    if (!query_.DescribeAfterOpen()) break;
    const int describes = query_.Describes();
    row = query_.Resume();
    if (!row && query_.Describes() == describes) break;
  }
  return TOutcome::Done;
}

void SqlRunner::PrepareColumns() {
  const int count = query_.GetFieldCount();
  columns_.resize(static_cast<std::size_t>(count));
  offsets_.resize(static_cast<std::size_t>(count));
  types_.resize(static_cast<std::size_t>(count));
  cells_.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    const velar::TVelarFieldDesc& field = query_.Fields(i);
    columns_[at].Name = field.Name;
    columns_[at].Kind = KindOf(field.FieldType);
    types_[at] = field.FieldType;
    query_.GetFieldInfo(host::Variant(i), nullptr, &offsets_[at]);
  }
}

// A binary value is taken from the row with its stored length: the
// statement's own decoding hands out the whole slot.
void SqlRunner::ReadRow() {
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    TCell& cell = cells_[i];
    const host::Variant selector(static_cast<int>(i));
    cell.Null = query_.IsFieldNull(selector);
    if (cell.Null) {
      cell.Value.clear();
    } else if (types_[i] == velar::ntBinary) {
      const std::uint8_t* slot = query_.RecordBuffer() + offsets_[i];
      std::uint16_t length = 0;
      std::memcpy(&length, slot, sizeof length);
      const auto room = static_cast<std::size_t>(query_.Fields(static_cast<int>(i)).Size - 2);
      cell.Value.assign(reinterpret_cast<const char*>(slot + 2),
                        std::min<std::size_t>(length, room));
    } else {
      FormatValue(query_.GetFieldValue(selector), types_[i], cell.Value);
    }
  }
}

bool SqlRunner::PrintResultSet(bool Row) {
  PrepareColumns();
  // A procedure that ran to its end without a query has no columns.
  if (columns_.empty()) {
    Note("(no result set)");
    return true;
  }
  auto printer = MakePrinter(format_, streams_.Results);
  printer->Begin(columns_);
  std::int64_t rows = 0;
  bool stopped = false;
  while (Row) {
    if (InterruptRequested()) {
      stopped = true;
      break;
    }
    ReadRow();
    printer->Row(cells_);
    ++rows;
    Row = query_.Next();
  }
  printer->End(rows);
  if (stopped) Note("Cancelled: printing stopped after " + RowsText(rows) + ".");
  return !stopped;
}

TOutcome SqlRunner::DescribeColumns(const std::string& SQL) {
  return Guarded([&] {
    if (!query_.Describe(SQL)) return StepFailed();
    const std::vector<TColumn> columns = {{"column", TCellKind::Text},
                                          {"type", TCellKind::Text},
                                          {"size", TCellKind::Number},
                                          {"nulls", TCellKind::Text}};
    std::vector<TCell> cells(columns.size());
    auto printer = MakePrinter(format_, streams_.Results);
    printer->Begin(columns);
    const int count = query_.GetFieldCount();
    for (int i = 0; i < count; ++i) {
      const velar::TVelarFieldDesc& field = query_.Fields(i);
      cells[0].Value = field.Name;
      cells[1].Value = TypeName(field.FieldType);
      if (field.FieldType == velar::ntString || field.FieldType == velar::ntBinary)
        cells[1].Value.append("(").append(std::to_string(field.Length)).append(")");
      cells[2].Value = std::to_string(field.Size);
      cells[3].Value = field.Nulls ? "yes" : "no";
      printer->Row(cells);
    }
    printer->End(count);
    return TOutcome::Done;
  });
}

TOutcome SqlRunner::Explain(const std::string& SQL) {
  return Guarded([&] {
    query_.OpenRead(SQL);
    if (!query_.Opened()) return StepFailed();
    const std::string plan = query_.Explain();
    if (plan.empty()) return StepFailed();
    std::fprintf(streams_.Results, "%s\n", plan.c_str());
    return TOutcome::Done;
  });
}

void SqlRunner::FormatValue(const host::Variant& Value, TVelarFieldTypes Type, std::string& Text) {
  if (Value.IsNull() || Value.IsEmpty()) {
    Text.clear();
    return;
  }
  switch (Type) {
    case velar::ntInteger:
      Text = host::IntToStr(Value.AsInt64());
      return;
    case velar::ntFloat:
      Text = host::FloatToStr(Value.AsDouble());
      return;
    case velar::ntCurrency:
      Text = host::CurrToStr(Value.AsCurrency());
      return;
    case velar::ntDate:
      Text = host::FormatDateTime("yyyy-mm-dd", Value.AsDateTime());
      return;
    case velar::ntTime:
      Text = host::FormatDateTime("hh:nn:ss", Value.AsDateTime());
      return;
    case velar::ntDateTime:
      Text = host::FormatDateTime("yyyy-mm-dd hh:nn:ss", Value.AsDateTime());
      return;
    case velar::ntBoolean:
      Text.assign(1, Value.AsBoolean() ? '1' : '0');
      return;
    case velar::ntBinary:
    case velar::ntBlob: {
      const std::span<const std::uint8_t> bytes = host::VarArrayBytes(Value);
      Text.assign(bytes.begin(), bytes.end());
      return;
    }
    default:
      if (host::VarIsStr(Value))
        Text.assign(Value.TextView());
      else
        Text = Value.AsString();
      return;
  }
}

TCellKind SqlRunner::KindOf(TVelarFieldTypes Type) {
  switch (Type) {
    case velar::ntInteger:
    case velar::ntFloat:
    case velar::ntCurrency:
      return TCellKind::Number;
    case velar::ntBoolean:
      return TCellKind::Boolean;
    case velar::ntBinary:
      return TCellKind::Binary;
    case velar::ntMemo:
      return TCellKind::LongText;
    case velar::ntBlob:
      return TCellKind::LongBinary;
    default:
      return TCellKind::Text;
  }
}

const char* SqlRunner::TypeName(TVelarFieldTypes Type) {
  static const char* const kNames[] = {"unknown",  "string", "integer", "float",
                                       "currency", "date",   "time",    "datetime",
                                       "boolean",  "binary", "memo",    "blob"};
  const auto index = static_cast<std::size_t>(Type);
  return index < std::size(kNames) ? kNames[index] : "unknown";
}

}  // namespace vlrisql
