// Writing result sets: an aligned table for people, CSV and JSON for
// programs. Rows arrive one at a time and are written as they come (the table
// holds back only its first rows, to size the columns), so a result of any
// length streams through in constant memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vlrisql {

// How a column's values are written.
enum class TCellKind : std::uint8_t {
  Text,        // quoted in JSON, left-aligned in a table
  Number,      // bare in JSON, right-aligned in a table
  Boolean,     // true/false in JSON
  Binary,      // bytes: hex in a table and CSV, base64 in JSON
  LongText,    // like Text, shortened in a table with its size
  LongBinary,  // like Binary, shown in a table by its size alone
};

struct TColumn {
  std::string Name;
  TCellKind Kind = TCellKind::Text;
};

struct TCell {
  bool Null = false;
  std::string Value;  // the text, or the bytes of a binary column
};

enum class TOutputFormat : std::uint8_t { Table, Csv, Json };

// Parses "table", "csv" or "json"; false for anything else.
bool ParseOutputFormat(const std::string& Text, TOutputFormat& Format);
const char* OutputFormatName(TOutputFormat Format);

class ResultPrinter {
 public:
  virtual ~ResultPrinter() = default;
  virtual void Begin(const std::vector<TColumn>& Columns) = 0;
  virtual void Row(const std::vector<TCell>& Cells) = 0;
  // Ends the result; Rows is the number of rows written.
  virtual void End(std::int64_t Rows) = 0;
};

std::unique_ptr<ResultPrinter> MakePrinter(TOutputFormat Format, std::FILE* Out);

// The helpers the printers share, open for the tests.
std::string CsvField(const std::string& Value);
std::string JsonString(const std::string& Value);
std::string Base64(const std::string& Bytes);
std::string Hex(const std::string& Bytes);

}  // namespace vlrisql
