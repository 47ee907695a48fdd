// Moving through a data set: what the framework asks of its driver and what
// its data links hear, for opening, First, MoveBy across the window's edge,
// Last, Resync, bookmarks and record numbers.
#include <gtest/gtest.h>

#include "tests/host/dataset_fixture.h"
#include "tests/support/velar_test.h"

namespace {

using dbtest::RecordSetTest;
using dbtest::TTrace;
using dbtest::TTraceLink;
using velar::testing::MessageOf;

class Navigation : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    link.SetDataSource(&source);
    link.SetBufferCount(3);
  }
  TTraceLink link{Trace()};
};

TEST_F(Navigation, OpeningFillsTheWindowTheLargestLinkAsksForAndActivatesTheLinks) {
  data.Open();
  EXPECT_EQ(Trace(),
            (TTrace{"InternalOpen", "InternalInitFieldDefs", "GetRecord(next) -> 1",
                    "GetRecord(next) -> 2", "GetRecord(next) -> 3", "link: ActiveChanged on"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(data.State(), host::dsBrowse);
  EXPECT_TRUE(data.Bof());
  EXPECT_FALSE(data.Eof());
  EXPECT_EQ(data.BufferCount(), 3);
  // Three window slots and the spare; a second link with a wider window grows it.
  EXPECT_EQ(data.Allocations(), 4);
  TTraceLink wide(Trace(), "wide");
  wide.SetDataSource(&source);
  Mark();
  wide.SetBufferCount(5);
  EXPECT_EQ(Trace(), (TTrace{"GetRecord(next) -> 4", "GetRecord(next) -> 5", "link: DataSetChanged",
                             "wide: DataSetChanged"}));
  EXPECT_EQ(WindowIds(wide), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 2, 3}));
}

TEST_F(Navigation, MovingInsideTheWindowCallsNoDriverAndAtItsEdgeReadsOneRecord) {
  data.Open();
  Mark();
  data.Next();
  data.Next();
  EXPECT_EQ(Trace(), (TTrace{"link: CheckBrowseMode", "link: DataSetScrolled 0",
                             "link: CheckBrowseMode", "link: DataSetScrolled 0"}));
  EXPECT_EQ(ActiveId(), 3);
  Mark();
  data.Next();
  EXPECT_EQ(Trace(),
            (TTrace{"link: CheckBrowseMode", "GetRecord(next) -> 4", "link: DataSetScrolled 1"}));
  EXPECT_EQ(ActiveId(), 4);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(link.ActiveRecord(), 2);

  Mark();
  EXPECT_EQ(data.MoveBy(5), 5);
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Get", "Internal", "link: DataSetScrolled"}),
            (TTrace{"GetRecord(next) -> 5", "GetRecord(next) -> 6", "GetRecord(next) -> 7",
                    "GetRecord(next) -> 8", "GetRecord(next) -> 9", "link: DataSetScrolled 5"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{7, 8, 9}));

  Mark();
  EXPECT_EQ(data.MoveBy(-4), 4);
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Get", "Internal", "link: DataSetScrolled"}),
            (TTrace{"InternalSetToRecord 7", "GetRecord(prior) -> 6", "GetRecord(prior) -> 5",
                    "link: DataSetScrolled -2"}));
  EXPECT_EQ(ActiveId(), 5);
  EXPECT_EQ(link.ActiveRecord(), 0);
  EXPECT_FALSE(data.Bof());
}

TEST_F(Navigation, MovingPastTheEndsStopsThereAndSetsEofOrBof) {
  data.Open();
  EXPECT_EQ(data.MoveBy(100), 9);
  EXPECT_TRUE(data.Eof());
  EXPECT_EQ(ActiveId(), 10);
  Mark();
  data.Next();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Get", "Internal"}), TTrace{});
  EXPECT_EQ(data.MoveBy(-100), 9);
  EXPECT_TRUE(data.Bof());
  EXPECT_EQ(ActiveId(), 1);
}

TEST_F(Navigation, FirstAndLastEmptyTheWindowAndFillItFromTheirEnd) {
  data.Open();
  data.MoveBy(5);
  Mark();
  data.Last();
  EXPECT_EQ(Trace(),
            (TTrace{"link: CheckBrowseMode", "InternalLast", "GetRecord(prior) -> 10",
                    "GetRecord(prior) -> 9", "GetRecord(prior) -> 8", "link: DataSetChanged"}));
  EXPECT_TRUE(data.Eof());
  EXPECT_EQ(ActiveId(), 10);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{8, 9, 10}));
  Mark();
  data.First();
  EXPECT_EQ(Trace(),
            (TTrace{"link: CheckBrowseMode", "InternalFirst", "GetRecord(next) -> 1",
                    "GetRecord(next) -> 2", "GetRecord(next) -> 3", "link: DataSetChanged"}));
  EXPECT_TRUE(data.Bof());
  EXPECT_EQ(ActiveId(), 1);
}

TEST_F(Navigation, ScrollEventsFireAroundEveryMove) {
  TTrace events;
  data.BeforeScroll = [&](host::TDataSet*) {
    events.push_back("before " + std::to_string(ActiveId()));
  };
  data.AfterScroll = [&](host::TDataSet*) {
    events.push_back("after " + std::to_string(ActiveId()));
  };
  data.Open();
  data.Next();
  data.Last();
  data.First();
  EXPECT_EQ(events, (TTrace{"after 1", "before 1", "after 2", "before 2", "after 10", "before 10",
                            "after 1"}));
}

TEST_F(Navigation, ResyncRereadsAroundTheDriversRecordKeepingOrCentringTheActiveSlot) {
  data.Open();
  data.MoveBy(3);  // window 2..4, record 4 active in the last slot
  data.UpdateCursorPos();
  Mark();
  data.Resync(0);
  EXPECT_EQ(Trace(), (TTrace{"GetRecord(current) -> 4", "GetRecord(prior) -> 3",
                             "GetRecord(prior) -> 2", "link: DataSetChanged"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(link.ActiveRecord(), 2);
  Mark();
  data.Resync(host::rmCenter);
  EXPECT_EQ(Trace(),
            (TTrace{"GetRecord(current) -> 2", "GetRecord(prior) -> 1", "InternalSetToRecord 2",
                    "GetRecord(next) -> 3", "link: DataSetChanged"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 2, 3}));
}

TEST_F(Navigation, AnExactResyncFailsWhenTheDriversRecordIsGone) {
  data.Open();
  data.Last();
  data.Prior();
  data.MoveBy(2);  // reads past the last record: the driver now stands after it
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Resync(host::rmExact); }),
            "Record not found");
}

TEST_F(Navigation, GotoBookmarkReturnsToTheRecordCentredInTheWindow) {
  data.Open();
  data.MoveBy(4);
  host::TBookmark fifth = data.GetBookmark();
  ASSERT_EQ(fifth.size(), 4u);
  data.Last();
  Mark();
  data.GotoBookmark(fifth);
  EXPECT_EQ(Trace(),
            (TTrace{"link: CheckBrowseMode", "InternalGotoBookmark 5", "GetRecord(current) -> 5",
                    "GetRecord(prior) -> 4", "InternalSetToRecord 5", "GetRecord(next) -> 6",
                    "link: DataSetChanged"}));
  EXPECT_EQ(ActiveId(), 5);
  EXPECT_EQ(link.ActiveRecord(), 1);
  EXPECT_TRUE(data.BookmarkValid(fifth));
  EXPECT_EQ(data.CompareBookmarks(fifth, data.GetBookmark()), 0);
  data.Next();
  EXPECT_EQ(data.CompareBookmarks(fifth, data.GetBookmark()), -1);
  EXPECT_EQ(data.CompareBookmarks(host::TBookmark(), fifth), 1);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.GotoBookmark("xx"); }),
            "Bookmark not found");
}

TEST_F(Navigation, RecordNumbersAndCountComeFromTheDriverAndSetRecNoMoves) {
  data.Open();
  EXPECT_EQ(data.RecordCount(), 10);
  EXPECT_EQ(data.RecNo(), 1);
  data.MoveBy(6);
  EXPECT_EQ(data.RecNo(), 7);
  data.SetRecNo(2);
  EXPECT_EQ(ActiveId(), 2);
  EXPECT_EQ(data.RecNo(), 2);
}

TEST_F(Navigation, MovingAllocatesNoRecordBuffers) {
  data.Open();
  int allocated = data.Allocations();
  while (!data.Eof())
    data.Next();
  data.First();
  data.MoveBy(7);
  data.Last();
  data.MoveBy(-9);
  data.Resync(host::rmCenter);
  EXPECT_EQ(data.Allocations(), allocated);
  data.Close();
  EXPECT_EQ(data.LiveBuffers(), 0);
}

TEST_F(Navigation, AnEmptyDataSetIsAtBothEndsWithNothingToShow) {
  dbtest::TMemoryDataSet empty;
  empty.SetColumns({{"ID", host::ftInteger}});
  empty.Open();
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(empty.Bof());
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.FieldByName("ID")->IsNull());
  EXPECT_TRUE(empty.GetBookmark().empty());
  EXPECT_EQ(empty.MoveBy(1), 0);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { empty.Delete(); }),
            "Cannot perform this operation on an empty data set");
}

TEST_F(Navigation, ClosingFreesTheWindowAndDefaultFieldsAndTellsTheLinks) {
  data.Open();
  EXPECT_EQ(data.FieldCount(), 3);
  EXPECT_TRUE(data.DefaultFields());
  Mark();
  data.Close();
  EXPECT_EQ(Trace(), (TTrace{"link: ActiveChanged off", "InternalClose"}));
  EXPECT_EQ(data.FieldCount(), 0);
  EXPECT_EQ(data.LiveBuffers(), 0);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Next(); }),
            "Cannot perform this operation on a closed data set");
}

TEST_F(Navigation, DisabledControlsHearOneChangeWhenEnabledAgain) {
  data.Open();
  data.DisableControls();
  Mark();
  data.Next();
  data.Last();
  data.Edit();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"link"}), TTrace{});
  data.EnableControls();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"link"}),
            (TTrace{"link: EditingChanged on", "link: DataSetChanged"}));
}

}  // namespace
