// The client's parts on their own: cutting input into statements, the line
// editor's keys and history, and the three output formats.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/velar_test.h"
#include "tests/tools/text_readers.h"
#include "tools/vlrisql/line_editor.h"
#include "tools/vlrisql/result_printer.h"
#include "tools/vlrisql/statement_splitter.h"

namespace {

using namespace vlrisql;

std::vector<std::string> Split(const std::vector<std::string>& Lines, bool Finish = true) {
  StatementSplitter splitter;
  std::vector<std::string> statements;
  std::string statement;
  for (const std::string& line : Lines) {
    splitter.Feed(line);
    while (splitter.Next(statement))
      statements.push_back(statement);
  }
  if (Finish && splitter.Finish(statement)) statements.push_back(statement);
  return statements;
}

TEST(StatementSplitter, EndsAtSemicolonsOutsideQuotesAndComments) {
  EXPECT_EQ(Split({"SELECT 1; SELECT 2;"}), (std::vector<std::string>{"SELECT 1", "SELECT 2"}));
  EXPECT_EQ(Split({"SELECT 'a;b', \"c;d\" -- e;f", "FROM t /* g;", "h */ WHERE x = 'it''s;';"}),
            (std::vector<std::string>{"SELECT 'a;b', \"c;d\" -- e;f\nFROM t /* g;\nh */ WHERE x "
                                      "= 'it''s;'"}));
  EXPECT_EQ(Split({"SELECT", "  42", ";"}), (std::vector<std::string>{"SELECT\n  42"}));
  EXPECT_EQ(Split({"SELECT 5"}), (std::vector<std::string>{"SELECT 5"}))
      << "the end of input ends the last statement";
  EXPECT_EQ(Split({"SELECT 6; -- trailing remark", ";;", "/* only a comment */"}),
            (std::vector<std::string>{"SELECT 6"}))
      << "comments and empty statements are not sent";
}

TEST(StatementSplitter, ProcedureBodiesKeepTheirSemicolons) {
  const std::vector<std::string> lines = {"CREATE PROCEDURE p(IN a INTEGER)",
                                          "BEGIN",
                                          "  SELECT CASE WHEN a > 0 THEN 1 END;",
                                          "  SELECT 2;",
                                          "END;",
                                          "BEGIN TRANSACTION;",
                                          "SELECT CASE 1 WHEN 1 THEN 'x' END;"};
  const std::vector<std::string> statements = Split(lines);
  ASSERT_EQ(statements.size(), 3u);
  EXPECT_EQ(statements[0],
            "CREATE PROCEDURE p(IN a INTEGER)\nBEGIN\n  SELECT CASE WHEN a > 0 THEN 1 END;\n  "
            "SELECT 2;\nEND");
  EXPECT_EQ(statements[1], "BEGIN TRANSACTION");
  EXPECT_EQ(statements[2], "SELECT CASE 1 WHEN 1 THEN 'x' END");
}

TEST(StatementSplitter, PendingAndReset) {
  StatementSplitter splitter;
  splitter.Feed("SELECT 'open");
  EXPECT_TRUE(splitter.Pending());
  splitter.Feed("quote;'");
  std::string statement;
  EXPECT_FALSE(splitter.Next(statement)) << "the ; stood inside the quote";
  splitter.Reset();
  EXPECT_FALSE(splitter.Pending());
  splitter.Feed("SELECT 1;");
  ASSERT_TRUE(splitter.Next(statement));
  EXPECT_EQ(statement, "SELECT 1");
}

std::string Edit(LineEditor& Editor, const std::string& Keys,
                 LineEditor::TResult Expected = LineEditor::TResult::Line) {
  std::string line;
  EXPECT_EQ(Editor.EditForTest(Keys, line), Expected) << Keys;
  return line;
}

TEST(LineEditor, CursorKeysEditInThePlaceOfTheCursor) {
  LineEditor editor(-1, -1);
  EXPECT_EQ(Edit(editor, "selct\x1b[D\x1b[De\r"), "select");
  EXPECT_EQ(Edit(editor, "abc\x01X\x05Y\r"), "XabcY") << "Ctrl-A and Ctrl-E";
  EXPECT_EQ(Edit(editor, "abcdef\x1b[H\x1b[3~\x1b[F\x7f\r"), "bcde") << "Delete and Backspace";
  EXPECT_EQ(Edit(editor, "one two three\x17\r"), "one two ") << "Ctrl-W";
  EXPECT_EQ(Edit(editor, "keep cut\x1b[D\x1b[D\x1b[D\x0b\r"), "keep ") << "Ctrl-K";
  EXPECT_EQ(Edit(editor, "cut keep\x1b[D\x1b[D\x1b[D\x1b[D\x15\r"), "keep") << "Ctrl-U";
  EXPECT_EQ(Edit(editor, "h\xc3\xa9llo\x1b[D\x1b[D\x1b[D\x7f\r"), "hllo")
      << "a two-byte character goes as one";
  EXPECT_EQ(Edit(editor, "half\x03", LineEditor::TResult::Cancelled), "");
  EXPECT_EQ(Edit(editor, "\x04", LineEditor::TResult::EndOfInput), "");
  EXPECT_EQ(Edit(editor, "ab\x01\x04\r"), "b") << "Ctrl-D inside a line deletes";
}

TEST(LineEditor, HistoryBrowsesBackAndReturnsToTheTypedLine) {
  LineEditor editor(-1, -1);
  editor.AddHistory("SELECT 1;");
  editor.AddHistory("SELECT 1;");
  editor.AddHistory("   ");
  editor.AddHistory("SELECT 2;");
  EXPECT_EQ(editor.History(), (std::vector<std::string>{"SELECT 1;", "SELECT 2;"}));
  EXPECT_EQ(Edit(editor, "\x1b[A\r"), "SELECT 2;");
  EXPECT_EQ(Edit(editor, "\x1b[A\x1b[A\x1b[A\r"), "SELECT 1;") << "stops at the oldest";
  EXPECT_EQ(Edit(editor, "draft\x1b[A\x1b[B\r"), "draft");

  velar::testing::TempDir dir;
  editor.SaveHistory(dir.File("history"));
  namespace fs = std::filesystem;
  EXPECT_EQ(fs::status(dir.File("history")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write)
      << "statements may hold passwords";
  LineEditor again(-1, -1);
  again.LoadHistory(dir.File("history"));
  EXPECT_EQ(again.History(), editor.History());
  again.LoadHistory(dir.File("absent"));
  EXPECT_EQ(again.History().size(), 2u);
}

// What a printer writes, read back from a temporary file.
std::string Print(TOutputFormat Format, const std::vector<TColumn>& Columns,
                  const std::vector<std::vector<TCell>>& Rows) {
  std::FILE* file = std::tmpfile();
  auto printer = MakePrinter(Format, file);
  printer->Begin(Columns);
  for (const auto& row : Rows)
    printer->Row(row);
  printer->End(static_cast<std::int64_t>(Rows.size()));
  const std::string text = vlrisql_test::TextOf(file);
  std::fclose(file);
  return text;
}

const std::vector<TColumn> kColumns = {{"id", TCellKind::Number},
                                       {"name", TCellKind::Text},
                                       {"memo", TCellKind::LongText},
                                       {"picture", TCellKind::LongBinary}};

const std::vector<std::vector<TCell>> kRows = {
    {{false, "1"},
     {false, "Ann, \"the\" first"},
     {false, "short"},
     {false, std::string("\x01\xff", 2)}},
    {{false, "12"}, {true, ""}, {false, std::string(1000, 'm')}, {true, ""}},
    {{false, "-3.5"}, {false, ""}, {true, ""}, {false, ""}}};

TEST(ResultPrinter, TableAlignsShowsNullAndShortensLongValues) {
  EXPECT_EQ(Print(TOutputFormat::Table, kColumns, kRows),
            "id   | name             | memo                             | picture\n"
            "-----+------------------+----------------------------------+----------\n"
            "   1 | Ann, \"the\" first | short                            | <2 bytes>\n"
            "  12 | NULL             | mmmmmmmmmmmmmmmm... (1000 bytes) | NULL\n"
            "-3.5 |                  | NULL                             | <0 bytes>\n"
            "(3 rows)\n");
}

TEST(ResultPrinter, CsvQuotesWhatNeedsItAndKeepsNullApartFromEmpty) {
  EXPECT_EQ(Print(TOutputFormat::Csv, kColumns, {kRows[0], kRows[2]}),
            "id,name,memo,picture\r\n"
            "1,\"Ann, \"\"the\"\" first\",short,01ff\r\n"
            "-3.5,\"\",,\"\"\r\n");
}

TEST(ResultPrinter, JsonIsOneArrayWithTypedValues) {
  EXPECT_EQ(Print(TOutputFormat::Json, kColumns, {kRows[0], kRows[2]}),
            "[\n{\"id\":1,\"name\":\"Ann, \\\"the\\\" first\",\"memo\":\"short\","
            "\"picture\":\"Af8=\"},\n"
            "{\"id\":-3.5,\"name\":\"\",\"memo\":null,\"picture\":\"\"}\n]\n");
  EXPECT_EQ(Print(TOutputFormat::Json, kColumns, {}), "[]\n");
  EXPECT_EQ(JsonString(std::string("a\x01\n", 3)), "\"a\\u0001\\n\"");
  EXPECT_EQ(Base64("Man"), "TWFu");
  EXPECT_EQ(Base64("Ma"), "TWE=");
  EXPECT_EQ(Base64("M"), "TQ==");
}

TEST(ResultPrinter, FormatNames) {
  TOutputFormat format = TOutputFormat::Table;
  EXPECT_TRUE(ParseOutputFormat("json", format));
  EXPECT_EQ(format, TOutputFormat::Json);
  EXPECT_FALSE(ParseOutputFormat("xml", format));
  EXPECT_EQ(format, TOutputFormat::Json) << "unchanged by a refused name";
  EXPECT_STREQ(OutputFormatName(TOutputFormat::Csv), "csv");
}

}  // namespace
