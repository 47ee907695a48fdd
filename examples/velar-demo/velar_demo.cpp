// velar-demo: a short tour of the library, run on a fresh database.
//
// Each step does one thing a program does with Velar and says what it did
// and how long it took: a database is made and a session connects to it, a
// schema is created, 10,000 rows go in through one prepared statement with
// host variables, they are read back in blocks, one row is found by its key
// and changed through the cursor, a 1 MiB long value is written and read
// back through blob streams, a procedure gives an OUT parameter and two
// result sets, and an online backup reports its progress.
//
//   velar-demo [--keep]     (--keep leaves the temporary directory behind)
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "asa/VlrAsa.h"
#include "host/stream.h"
#include "host/variant.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kCustomers = 10000;
constexpr int kBlobBytes = 1 << 20;
const char* const kCities[] = {"Oslo", "Lima", "Kyoto", "Perth", "Quito"};

// Runs one step: its body does the work and answers what it did; the line
// printed says how long it took and that.
template <class Body>
void Step(int Number, Body&& Do) {
  const auto started = std::chrono::steady_clock::now();
  const std::string what = Do();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started;
  std::printf("%d. %7.1f ms  %s\n", Number, took.count(), what.c_str());
  std::fflush(stdout);
}

std::string ProgramDir() {
  return fs::read_symlink("/proc/self/exe").parent_path().string();
}

// Databases of the stand-in are made by its vlrdbinit program, which the
// build puts beside this one (its note of success is not needed here).
void CreateDatabase(const std::string& File) {
  std::string program = ProgramDir() + "/vlrdbinit";
  std::string file = File;
  char* argv[] = {program.data(), file.data(), nullptr};
  posix_spawn_file_actions_t quiet;
  ::posix_spawn_file_actions_init(&quiet);
  ::posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  int status = 0;
  const bool started = ::posix_spawn(&child, program.c_str(), &quiet, nullptr, argv, environ) == 0;
  ::posix_spawn_file_actions_destroy(&quiet);
  if (!started || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    throw std::runtime_error("could not create " + File + " with " + program);
}

// A value that depends on the row, so that the reads can be checked.
double BalanceOf(int Id) {
  return (Id * 37 % 100000) / 100.0;
}

class Tour {
 public:
  explicit Tour(const std::string& Dir) : dir_(Dir), session_(nullptr) {}

  void Run() {
    int step = 0;
    Step(++step, [&] { return Connect(); });
    Step(++step, [&] { return CreateSchema(); });
    Step(++step, [&] { return InsertRows(); });
    Step(++step, [&] { return ReadInBlocks(); });
    Step(++step, [&] { return ChangeOneRow(); });
    Step(++step, [&] { return LongValue(); });
    Step(++step, [&] { return CallProcedure(); });
    Step(++step, [&] { return Backup(); });
  }

 private:
  // The session starts the database's engine in this process and logs in.
  // LibraryPath names the directory of the client library; LibraryFile (by
  // default libdblib6.so) could name the vendor's library instead.
  std::string Connect() {
    const std::string database = dir_ + "/demo.db";
    CreateDatabase(database);
    session_.SetLibraryPath(ProgramDir() + "/../lib");
    session_.SetLoginDatabase(database);
    session_.SetLoginUser("DBA");
    session_.SetLoginPassword("SQL");
    session_.SetAutoCommit(true);
    session_.SetConnected(true);
    return "Created demo.db with vlrdbinit and connected as DBA through " + session_.LibraryFile() +
           " " + session_.GetLibraryVersion();
  }

  std::string CreateSchema() {
    velar::TAsaSQL sql(nullptr);
    sql.SetSession(&session_);
    sql.SetWantExceptions(true);
    sql.ExecuteImmediate(
        "CREATE TABLE customer (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, "
        "city VARCHAR(20) NOT NULL, balance DOUBLE)");
    sql.ExecuteImmediate(
        "CREATE TABLE document (id INTEGER PRIMARY KEY, title VARCHAR(80), body LONG BINARY)");
    sql.ExecuteImmediate(
        "CREATE PROCEDURE city_report(IN wanted VARCHAR(20), OUT how_many INTEGER) BEGIN "
        "SET how_many = (SELECT count(*) FROM customer WHERE city = wanted); "
        "SELECT id, name, balance FROM customer WHERE city = wanted AND balance >= 999 "
        "ORDER BY balance DESC; "
        "SELECT min(balance) AS lowest, max(balance) AS highest FROM customer "
        "WHERE city = wanted; END");
    return "Created tables customer and document and the procedure city_report";
  }

  // One preparation, then only the values change: the host variables keep
  // their types and sizes, so they are bound once. One transaction around
  // all rows saves a commit per row.
  std::string InsertRows() {
    velar::TAsaSQL insert(nullptr);
    insert.SetSession(&session_);
    insert.SetWantExceptions(true);
    insert.PrepareExecute("INSERT INTO customer (id, name, city, balance) VALUES (?, ?, ?, ?)");
    session_.StartTransaction();
    for (int id = 1; id <= kCustomers; ++id) {
      char name[32];
      std::snprintf(name, sizeof name, "Customer %05d", id);
      insert.ExecutePrepared({id, name, kCities[id % 5], BalanceOf(id)});
    }
    session_.Commit();
    return "Inserted " + std::to_string(kCustomers) +
           " rows through one prepared INSERT with 4 host variables";
  }

  // A read cursor fetches MaxFetchCount rows per library call; Next moves
  // inside the block and fetches the next one at its edge.
  std::string ReadInBlocks() {
    velar::TAsaSQL query(nullptr);
    query.SetSession(&session_);
    query.SetWantExceptions(true);
    query.SetMaxFetchCount(500);
    int rows = 0;
    double total = 0, expected = 0;
    for (bool row = query.OpenRead("SELECT id, balance FROM customer ORDER BY id"); row;
         row = query.Next()) {
      ++rows;
      total += query.GetFieldValue("balance").AsDouble();
      expected += BalanceOf(query.GetFieldValue("id").AsInteger());
    }
    if (rows != kCustomers || total != expected) throw std::runtime_error("the rows read differ");
    return "Read " + std::to_string(rows) + " rows in blocks of " +
           std::to_string(query.FetchRows()) + " (" +
           std::to_string((rows + query.FetchRows() - 1) / query.FetchRows()) +
           " fetches), balances add up";
  }

  // Find searches the cursor from its current row; the row found can be
  // changed and written back through the cursor.
  std::string ChangeOneRow() {
    velar::TAsaSQL cursor(nullptr);
    cursor.SetSession(&session_);
    cursor.SetWantExceptions(true);
    cursor.SetUniDirectional(false);
    cursor.OpenWrite("SELECT id, name, balance FROM customer WHERE id BETWEEN ? AND ?",
                     {4200, 4299});
    if (!cursor.Find("id", {4242})) throw std::runtime_error("customer 4242 not found");
    const std::string name = cursor.GetFieldValue("name").AsString();
    cursor.SetFieldValue("balance", 1234.5);
    cursor.Modify();
    cursor.Close();

    velar::TAsaSQL check(nullptr);
    check.SetSession(&session_);
    check.SetWantExceptions(true);
    if (!check.OpenRead("SELECT balance FROM customer WHERE id = ?", {4242}) ||
        check.GetFieldValue(0).AsDouble() != 1234.5)
      throw std::runtime_error("the change did not arrive");
    return "Found id 4242 (" + name + ") by key and set its balance through the cursor";
  }

  // A long value goes to the server in pieces through the field's blob
  // stream, and comes back in pieces as the stream is read.
  std::string LongValue() {
    host::TMemoryStream source;
    source.SetSize(kBlobBytes);
    for (int i = 0; i < kBlobBytes; ++i)
      source.Memory()[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);

    velar::TAsaSQL writer(nullptr);
    writer.SetSession(&session_);
    writer.SetWantExceptions(true);
    writer.OpenWrite("SELECT id, title, body FROM document");  // empty: no first row
    writer.SetFieldValue("id", 1);
    writer.SetFieldValue("title", "one mebibyte");
    writer.StreamToBlob("body", &source);
    writer.Append();
    writer.Close();

    velar::TAsaSQL reader(nullptr);
    reader.SetSession(&session_);
    reader.SetWantExceptions(true);
    if (!reader.OpenRead("SELECT body FROM document WHERE id = ?", {1}))
      throw std::runtime_error("the document is missing");
    velar::TVelarBlobStream* body = reader.BlobManager()->BlobByName("body");
    std::vector<std::uint8_t> piece(64 * 1024);
    std::int64_t read = 0, got = 0;
    int pieces = 0;
    while ((got = body->Read(piece.data(), static_cast<std::int64_t>(piece.size()))) > 0) {
      if (std::memcmp(piece.data(), source.Memory() + read, static_cast<std::size_t>(got)) != 0)
        throw std::runtime_error("the long value came back changed");
      read += got;
      ++pieces;
    }
    if (read != kBlobBytes) throw std::runtime_error("the long value came back short");
    return "Wrote a 1 MiB long value through a blob stream, read it back in " +
           std::to_string(pieces) + " pieces";
  }

  // Executed, a CALL gives its OUT parameters; opened as a cursor, it gives
  // its result sets one after the other (Resume moves to the next).
  std::string CallProcedure() {
    velar::TAsaSQL call(nullptr);
    call.SetSession(&session_);
    call.SetWantExceptions(true);
    call.Execute("CALL city_report(?, ?)", {"Oslo"});  // the OUT parameter takes no value
    const int howMany = call.GetOutVar("how_many").AsInteger();

    std::vector<int> rows;
    bool row = call.OpenRead("CALL city_report(?, ?)", {"Oslo"});
    do {
      rows.push_back(0);
      for (; row; row = call.Next())
        ++rows.back();
    } while ((row = call.Resume()));
    std::string sets;
    for (int count : rows)
      sets += (sets.empty() ? "" : " and ") + std::to_string(count);
    return "CALL city_report('Oslo'): OUT how_many = " + std::to_string(howMany) +
           "; result sets of " + sets + " rows";
  }

  // The session copies every database file page by page; OnBackup reports
  // each page, and the bar is redrawn when the percentage moves.
  std::string Backup() {
    const std::string target = dir_ + "/backup";
    fs::create_directory(target);
    int shown = -1;
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;  // a log gets the final state only
    session_.OnBackup = [&](host::TObject*, const std::string& File, int Pages, int Page) {
      const int percent = Page * 100 / Pages;
      if (percent == shown || (!terminal && Page != Pages)) return;
      shown = percent;
      std::printf("\r    %-12s [%-40s] %3d%%", fs::path(File).filename().c_str(),
                  std::string(static_cast<std::size_t>(percent * 40 / 100), '=').c_str(), percent);
      std::fflush(stdout);
    };
    const bool copied = session_.Backup(target);
    session_.OnBackup = nullptr;
    std::printf("\n");
    if (!copied) throw std::runtime_error(session_.LastError());
    return "Backed up demo.db (" + std::to_string(fs::file_size(target + "/demo.db")) +
           " bytes) while connected";
  }

  std::string dir_;
  velar::TAsaSession session_;
};

}  // namespace

int main(int argc, char** argv) {
  const bool keep = argc > 1 && std::strcmp(argv[1], "--keep") == 0;
  std::string dir = (fs::temp_directory_path() / "velar-demo.XXXXXX").string();
  if (::mkdtemp(dir.data()) == nullptr) {
    std::perror("velar-demo: mkdtemp");
    return 1;
  }
  std::printf("A tour of Velar on a fresh database in %s\n\n", dir.c_str());
  std::fflush(stdout);
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  try {
    Tour(dir).Run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    std::printf("\nThe tour took %.2f s.\n", took.count());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "\nvelar-demo: %s\n", e.what());
    status = 1;
  }
  if (keep)
    std::printf("The database and its backup stay in %s\n", dir.c_str());
  else
    fs::remove_all(dir);
  return status;
}
