#include "tools/vlrisql/result_printer.h"

#include <algorithm>

namespace vlrisql {

namespace {

// Table cells wider than this are shortened; long values are always shown by
// a short preview and their size.
constexpr std::size_t kMaxWidth = 40;
constexpr std::size_t kLongPreview = 16;
// Rows held back to size the table's columns before the first is printed.
constexpr std::size_t kSizingRows = 200;

std::size_t Width(const std::string& Text) {
  std::size_t columns = 0;
  for (char c : Text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++columns;
  return columns;
}

// Text cut to at most Columns characters, never inside a UTF-8 sequence.
std::string Cut(const std::string& Text, std::size_t Columns) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if ((static_cast<unsigned char>(Text[i]) & 0xC0) == 0x80) continue;
    if (seen++ == Columns) return Text.substr(0, i);
  }
  return Text;
}

std::string SizeText(std::size_t Bytes) {
  return std::to_string(Bytes) + " bytes";
}

// What a table shows for one cell.
std::string Shown(const TColumn& Column, const TCell& Cell) {
  if (Cell.Null) return "NULL";
  std::string text;
  switch (Column.Kind) {
    case TCellKind::LongBinary:
      return std::string("<").append(SizeText(Cell.Value.size())).append(">");
    case TCellKind::LongText:
      if (Cell.Value.size() <= kLongPreview) break;
      text = Cut(Cell.Value, kLongPreview) + "... (" + SizeText(Cell.Value.size()) + ")";
      break;
    case TCellKind::Binary:
      text = "0x" + Hex(Cell.Value);
      break;
    default:
      break;
  }
  if (text.empty()) text = Cell.Value;
  for (char& c : text)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  if (Width(text) > kMaxWidth) text = Cut(text, kMaxWidth - 3) + "...";
  return text;
}

void Pad(std::string& Line, const std::string& Text, std::size_t Columns, bool Right) {
  const std::size_t fill = Columns > Width(Text) ? Columns - Width(Text) : 0;
  if (Right) Line.append(fill, ' ');
  Line += Text;
  if (!Right) Line.append(fill, ' ');
}

class TablePrinter : public ResultPrinter {
 public:
  explicit TablePrinter(std::FILE* Out) : out_(Out) {}

  void Begin(const std::vector<TColumn>& Columns) override {
    columns_ = Columns;
    widths_.assign(columns_.size(), 0);
    for (std::size_t i = 0; i < columns_.size(); ++i)
      widths_[i] = std::min(kMaxWidth, Width(columns_[i].Name));
    held_.clear();
    printedHeader_ = false;
  }

  void Row(const std::vector<TCell>& Cells) override {
    std::vector<std::string> shown(columns_.size());
    for (std::size_t i = 0; i < columns_.size() && i < Cells.size(); ++i)
      shown[i] = Shown(columns_[i], Cells[i]);
    if (!printedHeader_) {
      for (std::size_t i = 0; i < shown.size(); ++i)
        widths_[i] = std::max(widths_[i], Width(shown[i]));
      held_.push_back(std::move(shown));
      if (held_.size() == kSizingRows) Flush();
      return;
    }
    PrintRow(shown);
  }

  void End(std::int64_t Rows) override {
    Flush();
    std::fprintf(out_, "(%lld row%s)\n", static_cast<long long>(Rows), Rows == 1 ? "" : "s");
  }

 private:
  void Flush() {
    if (printedHeader_) return;
    printedHeader_ = true;
    std::string line, rule;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (i > 0) {
        line += " | ";
        rule += "-+-";
      }
      Pad(line, Cut(columns_[i].Name, widths_[i]), widths_[i], false);
      rule.append(widths_[i], '-');
    }
    std::fprintf(out_, "%s\n%s\n", TrimRight(line).c_str(), rule.c_str());
    for (const auto& row : held_)
      PrintRow(row);
    held_.clear();
  }

  // Rows after the first ones may be wider than their column; they push the
  // line out rather than lose characters.
  void PrintRow(const std::vector<std::string>& Shown) {
    std::string line;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (i > 0) line += " | ";
      Pad(line, Shown[i], widths_[i], columns_[i].Kind == TCellKind::Number);
    }
    std::fprintf(out_, "%s\n", TrimRight(line).c_str());
  }

  static std::string TrimRight(std::string Line) {
    while (!Line.empty() && Line.back() == ' ')
      Line.pop_back();
    return Line;
  }

  std::FILE* out_;
  std::vector<TColumn> columns_;
  std::vector<std::size_t> widths_;
  std::vector<std::vector<std::string>> held_;
  bool printedHeader_ = false;
};

// RFC 4180: a header line, fields quoted when they need it, NULL as an empty
// field and an empty string as "" so that the two stay apart.
class CsvPrinter : public ResultPrinter {
 public:
  explicit CsvPrinter(std::FILE* Out) : out_(Out) {}

  void Begin(const std::vector<TColumn>& Columns) override {
    columns_ = Columns;
    std::string line;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (i > 0) line += ',';
      line += CsvField(columns_[i].Name);
    }
    std::fprintf(out_, "%s\r\n", line.c_str());
  }

  void Row(const std::vector<TCell>& Cells) override {
    line_.clear();
    for (std::size_t i = 0; i < columns_.size() && i < Cells.size(); ++i) {
      if (i > 0) line_ += ',';
      if (Cells[i].Null) continue;
      const bool binary =
          columns_[i].Kind == TCellKind::Binary || columns_[i].Kind == TCellKind::LongBinary;
      const std::string& value = Cells[i].Value;
      line_ += value.empty() ? "\"\"" : CsvField(binary ? Hex(value) : value);
    }
    line_ += "\r\n";
    std::fwrite(line_.data(), 1, line_.size(), out_);
  }

  void End(std::int64_t) override { std::fflush(out_); }

 private:
  std::FILE* out_;
  std::vector<TColumn> columns_;
  std::string line_;
};

// One JSON array of objects, a row a line, written as the rows come.
class JsonPrinter : public ResultPrinter {
 public:
  explicit JsonPrinter(std::FILE* Out) : out_(Out) {}

  void Begin(const std::vector<TColumn>& Columns) override {
    columns_ = Columns;
    names_.clear();
    for (const TColumn& column : columns_)
      names_.push_back(JsonString(column.Name) + ":");
    first_ = true;
    std::fputs("[", out_);
  }

  void Row(const std::vector<TCell>& Cells) override {
    line_ = first_ ? "\n{" : ",\n{";
    first_ = false;
    for (std::size_t i = 0; i < columns_.size() && i < Cells.size(); ++i) {
      if (i > 0) line_ += ',';
      line_ += names_[i];
      line_ += Value(columns_[i].Kind, Cells[i]);
    }
    line_ += '}';
    std::fwrite(line_.data(), 1, line_.size(), out_);
  }

  void End(std::int64_t) override {
    std::fputs(first_ ? "]\n" : "\n]\n", out_);
    std::fflush(out_);
  }

 private:
  static std::string Value(TCellKind Kind, const TCell& Cell) {
    if (Cell.Null) return "null";
    switch (Kind) {
      case TCellKind::Number:
        // A number the server wrote in a form JSON does not take (inf, nan)
        // goes as text rather than break the document.
        return Cell.Value.find_first_not_of("0123456789+-.eE") == std::string::npos &&
                       !Cell.Value.empty()
                   ? Cell.Value
                   : JsonString(Cell.Value);
      case TCellKind::Boolean:
        return Cell.Value == "0" || Cell.Value == "False" || Cell.Value == "false" ? "false"
                                                                                   : "true";
      case TCellKind::Binary:
      case TCellKind::LongBinary:
        return JsonString(Base64(Cell.Value));
      default:
        return JsonString(Cell.Value);
    }
  }

  std::FILE* out_;
  std::vector<TColumn> columns_;
  std::vector<std::string> names_;
  std::string line_;
  bool first_ = true;
};

}  // namespace

bool ParseOutputFormat(const std::string& Text, TOutputFormat& Format) {
  if (Text == "table")
    Format = TOutputFormat::Table;
  else if (Text == "csv")
    Format = TOutputFormat::Csv;
  else if (Text == "json")
    Format = TOutputFormat::Json;
  else
    return false;
  return true;
}

const char* OutputFormatName(TOutputFormat Format) {
  switch (Format) {
    case TOutputFormat::Csv:
      return "csv";
    case TOutputFormat::Json:
      return "json";
    default:
      return "table";
  }
}

std::unique_ptr<ResultPrinter> MakePrinter(TOutputFormat Format, std::FILE* Out) {
  switch (Format) {
    case TOutputFormat::Csv:
      return std::make_unique<CsvPrinter>(Out);
    case TOutputFormat::Json:
      return std::make_unique<JsonPrinter>(Out);
    default:
      return std::make_unique<TablePrinter>(Out);
  }
}

std::string CsvField(const std::string& Value) {
  if (Value.find_first_of(",\"\r\n") == std::string::npos) return Value;
  std::string quoted = "\"";
  for (char c : Value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

// Control characters escaped; other bytes pass as they are (text is UTF-8).
std::string JsonString(const std::string& Value) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : Value) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20) {
          out += "\\u00";
          out += kHex[u >> 4];
          out += kHex[u & 15];
        } else {
          out += c;
        }
    }
  }
  return out + '"';
}

std::string Base64(const std::string& Bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((Bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < Bytes.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(Bytes[i]) << 16 |
                       static_cast<unsigned char>(Bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(Bytes[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < Bytes.size()) {
    unsigned v = static_cast<unsigned char>(Bytes[i]) << 16;
    if (i + 1 < Bytes.size()) v |= static_cast<unsigned char>(Bytes[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < Bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string Hex(const std::string& Bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(Bytes.size() * 2);
  for (char c : Bytes) {
    const auto u = static_cast<unsigned char>(c);
    out += kHex[u >> 4];
    out += kHex[u & 15];
  }
  return out;
}

}  // namespace vlrisql
