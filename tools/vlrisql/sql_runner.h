// Runs one statement through a TAsaSQL on the client's session and writes
// what came of it: every result set (a procedure may give several) through
// the chosen printer, read row by row from a forward-only cursor so that a
// result of any length streams through; the affected-row count of other
// statements; and errors as the session reports them.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "asa/VlrAsa.h"
#include "tools/vlrisql/result_printer.h"

namespace vlrisql {

enum class TOutcome { Done, Failed, Cancelled };

// The client's statement. Resume answers false both when no result set
// follows and when the next one is empty; only in the second case was a new
// result described, so the describes are counted.
class TClientSQL : public velar::TAsaSQL {
 public:
  using TAsaSQL::TAsaSQL;
  int Describes() const { return describes_; }

 protected:
  bool InternalDescribeOpen(bool ReadMode) override {
    ++describes_;
    return TAsaSQL::InternalDescribeOpen(ReadMode);
  }

 private:
  int describes_ = 0;
};

// Where the runner writes results and errors. Notes (row counts, timings)
// go with the results in a table and with the errors in CSV and JSON, which
// a program reads.
struct TStreams {
  std::FILE* Results = stdout;
  std::FILE* Errors = stderr;
};

class SqlRunner {
 public:
  // Makes the runner's statement on Session, which must outlive it. Hooks
  // the session's wait event so that Ctrl-C stops the running request; the
  // event must be in place before the session connects.
  SqlRunner(velar::TAsaSession& Session, TStreams Streams);
  ~SqlRunner();
  SqlRunner(const SqlRunner&) = delete;
  SqlRunner& operator=(const SqlRunner&) = delete;

  // Runs SQL and writes its results or its row count.
  TOutcome Run(const std::string& SQL);
  // Runs a query and writes its rows into Outcome; false (without a word)
  // when it cannot be prepared, so that the caller can try another.
  bool TryQuery(const std::string& SQL, TOutcome& Outcome);
  // Writes the query's result columns as rows of name, type, size and nulls.
  TOutcome DescribeColumns(const std::string& SQL);
  // Writes the plan of a query.
  TOutcome Explain(const std::string& SQL);

  // Reports an error of the client's own (not the server's).
  void ReportError(const std::string& Text);
  void Note(const std::string& Text);

  TOutputFormat Format() const { return format_; }
  void SetFormat(TOutputFormat Value);
  bool Timing() const { return timing_; }
  void SetTiming(bool Value) { timing_ = Value; }
  const TStreams& Streams() const { return streams_; }
  velar::TAsaSession& Session() { return session_; }

  // The text a value of a field of that type is shown as; Null is the
  // caller's. Bytes of binary fields are taken as they are.
  static void FormatValue(const host::Variant& Value, velar::TVelarFieldTypes Type,
                          std::string& Text);
  static TCellKind KindOf(velar::TVelarFieldTypes Type);
  static const char* TypeName(velar::TVelarFieldTypes Type);

 private:
  // The shared frame of every statement: clears Ctrl-C, times, turns
  // exceptions into reports, and leaves no cursor or preparation behind.
  template <class Step>
  TOutcome Guarded(Step&& DoStep);
  TOutcome Query(const std::string& SQL);
  TOutcome Execute(const std::string& SQL);
  // Writes the result set the cursor stands in, from its current row (Row
  // false: it has none); false when Ctrl-C stopped the printing.
  bool PrintResultSet(bool Row);
  void PrepareColumns();
  void ReadRow();
  // A step failed without raising: what the session last recorded.
  TOutcome StepFailed();

  velar::TAsaSession& session_;
  TStreams streams_;
  TClientSQL query_;
  TOutputFormat format_ = TOutputFormat::Table;
  bool timing_ = false;
  // Reused from row to row, so that reading a row allocates only for values.
  std::vector<TColumn> columns_;
  std::vector<int> offsets_;
  std::vector<velar::TVelarFieldTypes> types_;
  std::vector<TCell> cells_;
};

}  // namespace vlrisql
