// Data sources and data-aware controls: what an edit and a grid show as the
// data set moves, how typing reaches the data set, and the checks on how
// sources and data sets are linked.
#include <gtest/gtest.h>

#include "host/db_controls.h"
#include "tests/host/dataset_fixture.h"
#include "tests/support/velar_test.h"

namespace {

using dbtest::RecordSetTest;
using dbtest::TMemoryDataSet;
using dbtest::TTrace;
using velar::testing::MessageOf;

using Rows = std::vector<std::vector<std::string>>;

class DataSources : public RecordSetTest {};

TEST_F(DataSources, TellTheirHandlersOfStatesChangesAndUpdates) {
  TTrace events;
  source.OnStateChange = [&](host::TObject*) {
    events.push_back("state " + std::to_string(source.State()));
  };
  source.OnDataChange = [&](host::TObject*, host::TField* Field) {
    events.push_back("data " + (Field != nullptr ? Field->FieldName() : std::string("*")));
  };
  source.OnUpdateData = [&](host::TObject*) { events.push_back("update"); };
  data.Open();
  data.Next();
  data.Edit();
  data.FieldByName("NAME")->SetAsString("x");
  data.Post();
  data.Close();
  EXPECT_EQ(events, (TTrace{"state 1", "data *", "data *", "state 2", "data *", "data NAME",
                            "update", "state 1", "data *", "state 0"}));
}

TEST_F(DataSources, ADisabledSourceShowsItsLinksAClosedDataSet) {
  dbtest::TTraceLink link(Trace());
  link.SetDataSource(&source);
  data.Open();
  EXPECT_TRUE(link.Active());
  Mark();
  source.SetEnabled(false);
  data.Next();
  source.SetEnabled(true);
  EXPECT_EQ(Trace(),
            (TTrace{"link: ActiveChanged off", "GetRecord(next) -> 2", "link: ActiveChanged on"}));
  EXPECT_EQ(source.State(), host::dsBrowse);
}

// A data set that follows a master source, as a detail query does.
class TDetailDataSet : public TMemoryDataSet {
 public:
  host::TDataSource* GetDataSource() override { return master; }
  host::TDataSource* master = nullptr;
};

TEST_F(DataSources, RefuseToCloseACircleOfMastersAndDetails) {
  TDetailDataSet detail;
  detail.SetName("Detail");
  detail.master = &source;
  host::TDataSource detailSource(nullptr);
  detailSource.SetName("DetailSource");
  detailSource.SetDataSet(&detail);
  EXPECT_TRUE(source.IsLinkedTo(&detail));
  EXPECT_TRUE(detail.IsLinkedTo(&detailSource));
  EXPECT_TRUE(data.IsLinkedTo(&detailSource));  // data is the master of detail
  EXPECT_FALSE(detail.IsLinkedTo(&source));
  source.SetName("MasterSource");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { source.SetDataSet(&detail); }),
            "MasterSource: Circular data links are not allowed");
  EXPECT_EQ(source.DataSet(), &data);
}

TEST_F(DataSources, ADataSetGoingAwayLeavesItsSourcesWithout) {
  auto* doomed = new TMemoryDataSet();
  host::TDataSource other(nullptr);
  other.SetDataSet(doomed);
  host::TDBEdit edit(nullptr);
  edit.SetDataSource(&other);
  delete doomed;
  EXPECT_EQ(other.DataSet(), nullptr);
  EXPECT_EQ(other.State(), host::dsInactive);
  EXPECT_EQ(edit.Field(), nullptr);
}

class DataAwareControls : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    name.SetDataSource(&source);
    name.SetDataField("NAME");
    price.SetDataSource(&source);
    price.SetDataField("PRICE");
    grid.SetDataSource(&source);
    grid.SetRowCount(3);
  }
  host::TDBEdit name{nullptr};
  host::TDBEdit price{nullptr};
  host::TDBGrid grid{nullptr};
};

TEST_F(DataAwareControls, AnEditShowsTheActiveRecordsFieldAsTheDataSetMoves) {
  EXPECT_EQ(name.Text(), "");
  data.Open();
  EXPECT_EQ(name.Text(), "Item 1");
  EXPECT_EQ(name.Field(), data.FieldByName("NAME"));
  data.MoveBy(4);
  EXPECT_EQ(name.Text(), "Item 5");
  data.Close();
  EXPECT_EQ(name.Text(), "");
  EXPECT_EQ(name.Field(), nullptr);
}

TEST_F(DataAwareControls, AnEditBoundToAFieldThatIsNotThereStopsTheOpening) {
  name.SetDataField("NOPE");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Open(); }), "Field 'NOPE' not found");
  EXPECT_FALSE(data.Active());
  EXPECT_EQ(source.State(), host::dsInactive);
  EXPECT_EQ(grid.VisibleRows(), 0);
  EXPECT_EQ(data.LiveBuffers(), 0);
  name.SetDataField("NAME");
  data.Open();
  EXPECT_EQ(name.Text(), "Item 1");
}

TEST_F(DataAwareControls, TypingPutsTheDataSetIntoEditAndLeavingWritesTheField) {
  data.Open();
  name.SetFocused(true);
  EXPECT_TRUE(name.TypeText("Typed"));
  EXPECT_EQ(data.State(), host::dsEdit);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "Item 1");  // not yet written
  EXPECT_EQ(name.Text(), "Typed");
  name.SetFocused(false);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "Typed");
  data.Post();
  EXPECT_EQ(data.StoredText(1, "NAME"), "Typed");

  EXPECT_TRUE(name.TypeText("Dropped"));
  name.Reset();
  EXPECT_EQ(name.Text(), "Typed");
  EXPECT_FALSE(name.Modified());
  data.Cancel();

  EXPECT_TRUE(name.TypeText("Posted by moving"));
  data.Next();  // moving posts what the edit holds
  EXPECT_EQ(data.StoredText(1, "NAME"), "Posted by ");
}

TEST_F(DataAwareControls, AnEditCannotChangeWhatMayNotChange) {
  data.Open();
  source.SetAutoEdit(false);
  EXPECT_FALSE(name.TypeText("x"));
  EXPECT_EQ(data.State(), host::dsBrowse);
  source.SetAutoEdit(true);
  name.SetReadOnly(true);
  EXPECT_FALSE(name.TypeText("x"));
  name.SetReadOnly(false);
  data.FieldByName("NAME")->SetReadOnly(true);
  EXPECT_FALSE(name.TypeText("x"));
  data.FieldByName("NAME")->SetReadOnly(false);
  data.SetReadOnly(true);
  EXPECT_FALSE(name.TypeText("x"));
  EXPECT_EQ(name.Text(), "Item 1");
}

TEST_F(DataAwareControls, AnEditShowsDisplayTextAndEditsInTheEditText) {
  data.Open();
  auto* field = dynamic_cast<host::TFloatField*>(data.FieldByName("PRICE"));
  field->SetDisplayFormat("0.00 EUR");
  EXPECT_EQ(price.Text(), "1.50 EUR");
  field->SetEditFormat("0.00");
  price.SetFocused(true);
  EXPECT_EQ(price.Text(), "1.50");
  price.TypeText("not a number");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { price.SetFocused(false); }),
            "'not a number' is not a valid floating point value for field 'PRICE'");
  EXPECT_TRUE(price.Focused());
  price.TypeText("2.75");
  price.SetFocused(false);
  EXPECT_EQ(price.Text(), "2.75 EUR");
}

TEST_F(DataAwareControls, ARequiredFieldWithoutValueTakesTheFocus) {
  data.Open();
  data.FieldByName("PRICE")->SetRequired(true);
  data.Append();
  EXPECT_THROW(data.Post(), host::EDatabaseError);
  EXPECT_TRUE(price.Focused());
  EXPECT_FALSE(name.Focused());
}

TEST_F(DataAwareControls, AGridShowsAWindowOfRecordsAndScrollsAtItsEdge) {
  data.Open();
  EXPECT_EQ(grid.Rows(),
            (Rows{{"1", "Item 1", "1.5"}, {"2", "Item 2", "3"}, {"3", "Item 3", "4.5"}}));
  EXPECT_EQ(grid.Row(), 0);
  data.Next();
  data.Next();
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(grid.Scrolls(), (std::vector<int>{0, 0}));
  data.Next();
  EXPECT_EQ(grid.Scrolls().back(), 1);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(grid.Cell(0, 1), "Item 2");
  EXPECT_EQ(grid.Cell(2, 1), "Item 4");
  EXPECT_EQ(name.Text(), "Item 4");  // reading other rows leaves the active record
  grid.SelectRow(0);
  EXPECT_EQ(name.Text(), "Item 2");
  EXPECT_EQ(grid.Row(), 0);
  data.Last();
  EXPECT_EQ(grid.Rows(),
            (Rows{{"8", "Item 8", "12"}, {"9", "Item 9", "13.5"}, {"10", "Item 10", "15"}}));
  EXPECT_THROW(grid.Cell(3, 0), host::EListError);
}

TEST_F(DataAwareControls, AGridEditsTheActiveRowAndFollowsTheFieldsLayout) {
  data.Open();
  data.Next();
  EXPECT_TRUE(grid.EditCell(1, "In grid"));
  EXPECT_EQ(name.Text(), "In grid");  // the edit hears of the field's change
  data.Post();
  EXPECT_EQ(data.StoredText(2, "NAME"), "In grid");
  data.FieldByName("ID")->SetVisible(false);
  EXPECT_EQ(grid.Columns().size(), 2u);
  EXPECT_EQ(grid.Cell(1, 0), "In grid");
  grid.SetReadOnly(true);
  EXPECT_FALSE(grid.EditCell(0, "no"));
}

TEST_F(DataAwareControls, AGridOfMoreRowsThanRecordsShowsThemAll) {
  data.Open();
  data.Last();
  grid.SetRowCount(20);
  EXPECT_EQ(grid.VisibleRows(), 10);
  EXPECT_EQ(grid.Row(), 9);
  EXPECT_EQ(grid.Cell(0, 0), "1");
  grid.SetRowCount(2);
  EXPECT_EQ(grid.VisibleRows(), 2);
  EXPECT_EQ(grid.Cell(1, 0), "10");
  EXPECT_EQ(grid.Row(), 1);
}

}  // namespace
