// Row search: forward from the current row, by one or several fields, with
// exact, case-insensitive and partial keys, and back to the start row when
// nothing matches.
#include <string>

#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

using velar::nloCaseInsensitive;
using velar::nloPartialKey;

class RowSearchTest : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE person(id INTEGER, name VARCHAR(20), city VARCHAR(20))");
    Run("INSERT INTO person VALUES (1, 'Blacksmith', 'Bern'), (2, 'SMITH', 'Basel'), "
        "(3, 'Smith', 'Bern'), (4, 'Smithers', 'Genf'), (5, 'Jones', 'Bern')");
    ASSERT_TRUE(query->OpenRead("SELECT id, name, city FROM person ORDER BY id"));
  }
  int Current() { return query->GetFieldValue("id").AsInteger(); }
};

TEST_F(RowSearchTest, ExactKeysCompareWholeFields) {
  EXPECT_TRUE(query->Find("name", {"Smith"}));
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(query->RowNo(), 2);
  // The search starts at the current row: found there without moving.
  EXPECT_TRUE(query->Find("NAME", {"Smith"}));
  EXPECT_EQ(Current(), 3);
  // Rows before the current one are never examined.
  EXPECT_FALSE(query->Find("name", {"SMITH"}));
  EXPECT_EQ(Current(), 3) << "back where it started";
  EXPECT_EQ(query->RowNo(), 2);
  EXPECT_TRUE(query->Find("id", {5}));
  EXPECT_EQ(query->GetFieldValue("name").AsString(), "Jones");
}

// smith matches SMITH ignoring case; Sm is a leading part of Smith, not of
// Blacksmith; sm, ignoring case, of Smith.
TEST_F(RowSearchTest, CaseInsensitiveAndPartialKeys) {
  EXPECT_TRUE(query->Find("name", {"smith"}, {nloCaseInsensitive}));
  EXPECT_EQ(Current(), 2);
  ASSERT_TRUE(query->First());
  EXPECT_TRUE(query->Find("name", {"Sm"}, {nloPartialKey}));
  EXPECT_EQ(Current(), 3) << "not Blacksmith, not SMITH";
  ASSERT_TRUE(query->First());
  EXPECT_TRUE(query->Find("name", {"sm"}, {nloPartialKey, nloCaseInsensitive}));
  EXPECT_EQ(Current(), 2);
  ASSERT_TRUE(query->Next());
  ASSERT_TRUE(query->Next());
  EXPECT_TRUE(query->Find("name", {"smithe"}, {nloPartialKey, nloCaseInsensitive}));
  EXPECT_EQ(Current(), 4);
  EXPECT_FALSE(query->Find("name", {""}, {nloPartialKey})) << "an empty key is no leading part";
}

// Two names and two values match only a row where both match; one name with
// two values ignores the second.
TEST_F(RowSearchTest, SeveralFields) {
  EXPECT_TRUE(query->Find("name; city", {"Smith", "Bern"}, {nloCaseInsensitive}));
  EXPECT_EQ(Current(), 3);
  ASSERT_TRUE(query->First());
  EXPECT_TRUE(query->Find("city", {"Bern", "Jones"}));
  EXPECT_EQ(Current(), 1);
  ASSERT_TRUE(query->First());
  EXPECT_TRUE(query->Find("name;city", {host::VarArrayOf({"Jones", "Bern"})}))
      << "the values as one array, as the dataset passes them";
  EXPECT_EQ(Current(), 5);
}

TEST_F(RowSearchTest, NoMatchAndNothingToSearch) {
  ASSERT_TRUE(query->Next());
  EXPECT_FALSE(query->Find("name", {"Nobody"}));
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(query->RowNo(), 1);
  EXPECT_FALSE(query->Eof());
  EXPECT_FALSE(query->Find("", {"x"}));
  EXPECT_EQ(query->RowNo(), 1);
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] {
              query->Find("name;nickname", {"a", "b"});
            }),
            "Field \"nickname\" not found.");
  EXPECT_EQ(query->RowNo(), 1) << "raised before moving";

  // At the end nothing is compared; the cursor is sent back to its row.
  while (query->Next()) {
  }
  ASSERT_TRUE(query->Eof());
  standIn.StartTrace();
  EXPECT_FALSE(query->Find("id", {5}));
  EXPECT_EQ(Calls("dbpp_fetch_array"), 1) << "the Seek back";

  query->Close();
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->Find("id", {1}); }),
            "The cursor is not opened.");
}

// With OEMConvert the fields hold OEM text: the case-insensitive comparison
// reads both sides as such.
TEST_F(RowSearchTest, CaseInsensitiveComparisonReadsOemText) {
  session->SetOEMConvert(true);
  ASSERT_TRUE(query->Execute("INSERT INTO person VALUES (6, ?, 'Sion')", {"\xC9T\xC9"}));  // ÉTÉ
  ASSERT_TRUE(query->OpenRead("SELECT id, name, city FROM person ORDER BY id"));
  EXPECT_TRUE(query->Find("name", {"\xE9t\xE9"}, {nloCaseInsensitive}));  // été
  EXPECT_EQ(Current(), 6);
}

}  // namespace
}  // namespace asa_test
