// Test support for the dataset: a connected session over a fresh database, a
// dataset "Query1" on it, tables of numbered rows, and a second statement to
// see what the server holds.
#pragma once

#include <memory>
#include <string>

#include "asa/dataset/VlrAsaDS.h"
#include "host/fields.h"
#include "tests/asa/sql_fixture.h"

namespace dataset_test {

using velar::TAsaDataset;
using velar::TAsaParam;
using velar::TAsaParams;
using velar::testing::MessageOf;

class DatasetTest : public asa_test::SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    dataset = std::make_unique<TAsaDataset>(nullptr);
    dataset->SetName("Query1");
    dataset->SetSession(session.get());
  }
  void TearDown() override {
    dataset.reset();
    SqlTest::TearDown();
  }

  void SetSQL(const std::string& Text) { dataset->SQL()->SetText(Text); }
  // Table numbers: id 1..Rows, name "row <id>", in id order.
  void MakeNumbers(int Rows) {
    Run("CREATE TABLE numbers(id INTEGER PRIMARY KEY, name VARCHAR(20))");
    const std::string fill =
        "INSERT INTO numbers WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
        "WHERE i < " +
        std::to_string(Rows) + ") SELECT i, 'row ' || i FROM n";
    Run(fill.c_str());
  }
  // Opens SELECT id, name FROM numbers ORDER BY id, writable when asked.
  void OpenNumbers(bool Writable = false) {
    SetSQL("SELECT id, name FROM numbers ORDER BY id");
    dataset->SetReadOnly(!Writable);
    dataset->Open();
  }
  int Id() { return dataset->FieldByName("id")->AsInteger(); }
  // The text a query on the fixture's session gives for its first row's
  // first column ("<null>" for none, "<none>" without a row).
  std::string Stored(const std::string& SQL) {
    if (!query->OpenRead(SQL)) return "<none>";
    if (query->IsFieldNull(0)) return "<null>";
    return host::VarToStr(query->GetFieldValue(0));
  }

  std::unique_ptr<TAsaDataset> dataset;
};

}  // namespace dataset_test
