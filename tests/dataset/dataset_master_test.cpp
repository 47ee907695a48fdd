// Master and detail datasets on the stand-in, and data-aware controls over a
// dataset: the detail follows the master's record, not one field's edit nor
// key entry; circles of links are refused; a grid and an edit browse and
// change real rows.
#include "host/db_controls.h"
#include "tests/dataset/dataset_fixture.h"

namespace dataset_test {
namespace {

// A dataset whose keys can be entered, as a search form would.
class TKeyedDataset : public TAsaDataset {
 public:
  using TAsaDataset::TAsaDataset;
  void EnterKeys() { SetState(host::dsSetKey); }
};

class MasterDetailTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    Run("CREATE TABLE customers(id INTEGER PRIMARY KEY, name VARCHAR(20))");
    Run("INSERT INTO customers VALUES (1, 'Ann'), (2, 'Bob'), (3, 'Cy')");
    Run("CREATE TABLE orders(id INTEGER PRIMARY KEY, cust INTEGER, item VARCHAR(20))");
    Run("INSERT INTO orders VALUES (10, 1, 'tea'), (11, 1, 'cake'), (20, 2, 'jam'), "
        "(30, 3, 'milk')");
    SetSQL("SELECT id, name FROM customers ORDER BY id");
    masterSource.SetDataSet(dataset.get());
    detail = std::make_unique<TAsaDataset>(nullptr);
    detail->SetName("Detail");
    detail->SetSession(session.get());
    detail->SQL()->SetText("SELECT id, item FROM orders WHERE cust = :ID ORDER BY id");
    detail->SetDataSource(&masterSource);
    detail->BeforeOpen = [this](host::TDataSet*) { ++detailOpens; };
  }
  void TearDown() override {
    detail.reset();
    DatasetTest::TearDown();
  }
  std::string Items() {
    std::string items;
    for (detail->First(); !detail->Eof(); detail->Next())
      items += detail->FieldByName("item")->AsString() + " ";
    return items;
  }

  host::TDataSource masterSource{nullptr};
  std::unique_ptr<TAsaDataset> detail;
  int detailOpens = 0;
};

TEST_F(MasterDetailTest, MovingTheMasterOpensTheDetailOnceWithTheMastersValues) {
  dataset->Open();
  detail->Open();
  EXPECT_EQ(Items(), "tea cake ");
  EXPECT_EQ(detail->ParamByName("id")->Name, "id") << "named after the master's field";
  detailOpens = 0;
  dataset->Next();
  EXPECT_EQ(detailOpens, 1);
  EXPECT_EQ(Items(), "jam ");
  EXPECT_TRUE(dataset->Locate("name", "Cy", 0));
  EXPECT_EQ(Items(), "milk ");

  detailOpens = 0;
  dataset->Close();
  EXPECT_TRUE(detail->Active()) << "a closing master leaves the detail open";
  dataset->Open();
  EXPECT_EQ(detailOpens, 1);
  EXPECT_EQ(Items(), "tea cake ");
}

TEST_F(MasterDetailTest, OneMasterFieldsEditOrKeyEntryDoesNotMoveTheDetailAndItsEditIsPosted) {
  dataset->SetReadOnly(false);
  detail->SetReadOnly(false);
  dataset->Open();
  detail->Open();
  dataset->Edit();
  detailOpens = 0;
  dataset->FieldByName("name")->SetAsString("Anna");
  EXPECT_EQ(detailOpens, 0);
  dataset->Cancel();

  detail->Edit();
  detail->FieldByName("item")->SetAsString("coffee");
  dataset->Next();
  EXPECT_EQ(Stored("SELECT item FROM orders WHERE id = 10"), "coffee")
      << "the detail's edit was posted before the master moved";

  TKeyedDataset keyed(nullptr);
  keyed.SetSession(session.get());
  keyed.SQL()->SetText("SELECT id FROM customers ORDER BY id");
  host::TDataSource keyedSource(nullptr);
  keyedSource.SetDataSet(&keyed);
  detail->SetDataSource(&keyedSource);
  keyed.Open();
  detailOpens = 0;
  keyed.EnterKeys();
  keyed.DataEvent(host::deDataSetChange, 0);
  EXPECT_EQ(detailOpens, 0) << "a master in key entry has no record to follow";
  detail->SetDataSource(nullptr);
}

TEST_F(MasterDetailTest, CirclesAndMissingMasterFieldsAreRefused) {
  host::TDataSource detailSource(nullptr);
  detailSource.SetDataSet(detail.get());
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { detail->SetDataSource(&detailSource); }),
            "Detail: Circular data links are not allowed");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->SetDataSource(&detailSource); }),
            "Query1: Circular data links are not allowed");
  EXPECT_EQ(detail->GetDataSource(), &masterSource);

  dataset->Open();
  detail->SQL()->SetText("SELECT id FROM orders WHERE cust = :nofield");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { detail->Open(); }),
            "Query1: Field 'nofield' not found");
  EXPECT_FALSE(detail->Active());
}

TEST_F(DatasetTest, AGridAndAnEditBrowseAndEditRealRows) {
  MakeNumbers(10);
  host::TDataSource source(nullptr);
  source.SetDataSet(dataset.get());
  host::TDBGrid grid(nullptr);
  grid.SetRowCount(3);
  grid.SetDataSource(&source);
  OpenNumbers();
  EXPECT_FALSE(grid.EditCell(1, "x")) << "a read-only dataset";
  dataset->Close();
  OpenNumbers(/*Writable=*/true);
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(grid.Rows(), (Rows{{"1", "row 1"}, {"2", "row 2"}, {"3", "row 3"}}));
  grid.SelectRow(2);
  dataset->Next();
  EXPECT_EQ(grid.Rows(), (Rows{{"2", "row 2"}, {"3", "row 3"}, {"4", "row 4"}}));
  ASSERT_TRUE(grid.EditCell(1, "four"));
  dataset->Post();
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 4"), "four");

  host::TDBEdit edit(nullptr);
  edit.SetDataSource(&source);
  edit.SetDataField("name");
  grid.SelectRow(0);
  EXPECT_EQ(edit.Text(), "row 2");
  edit.SetFocused(true);
  ASSERT_TRUE(edit.TypeText("two"));
  edit.SetFocused(false);
  dataset->Post();
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 2"), "two");
  EXPECT_EQ(grid.Cell(0, 1), "two");
}

}  // namespace
}  // namespace dataset_test
