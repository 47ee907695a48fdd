// Changing a data set: the driver calls and data events of Edit, Insert,
// Append, Post, Cancel and Delete, the error events' retry and abort, and the
// checks that keep a record from being changed when it must not be.
#include <gtest/gtest.h>

#include "tests/host/dataset_fixture.h"
#include "tests/support/velar_test.h"

namespace {

using dbtest::RecordSetTest;
using dbtest::TTrace;
using dbtest::TTraceLink;
using velar::testing::MessageOf;

class Editing : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    link.SetDataSource(&source);
    link.SetBufferCount(3);
    data.Open();
    data.Next();  // record 2, in the middle of the window 1..3
    Mark();
  }
  host::TField* Name() { return data.FieldByName("NAME"); }
  TTraceLink link{Trace()};
};

TEST_F(Editing, EditAndPostWriteTheRecordAndRereadIt) {
  data.Edit();
  EXPECT_EQ(Trace(), (TTrace{"link: CheckBrowseMode", "InternalSetToRecord 2", "InternalEdit",
                             "link: EditingChanged on", "link: RecordChanged *"}));
  EXPECT_EQ(data.State(), host::dsEdit);
  Mark();
  Name()->SetAsString("Renamed");
  EXPECT_EQ(Trace(), (TTrace{"link: RecordChanged NAME"}));
  EXPECT_TRUE(data.Modified());
  EXPECT_EQ(Name()->OldValue().AsString(), "Item 2");
  EXPECT_EQ(Name()->AsString(), "Renamed");
  EXPECT_TRUE(data.Modified());  // reading the old value leaves the edit as it was
  Mark();
  data.Post();
  EXPECT_EQ(Trace(),
            (TTrace{"link: UpdateData", "link: CheckBrowseMode", "InternalPost edit 2",
                    "link: EditingChanged off", "GetRecord(current) -> 2", "GetRecord(prior) -> 1",
                    "InternalSetToRecord 2", "GetRecord(next) -> 3", "link: DataSetChanged"}));
  EXPECT_EQ(data.StoredText(2, "NAME"), "Renamed");
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(data.Modified());
}

TEST_F(Editing, CancelRereadsTheRecordAndDropsTheChange) {
  data.Edit();
  Name()->SetAsString("Gone");
  Mark();
  data.Cancel();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Internal", "Get"}),
            (TTrace{"InternalCancel", "GetRecord(current) -> 2", "GetRecord(prior) -> 1",
                    "InternalSetToRecord 2", "GetRecord(next) -> 3"}));
  EXPECT_EQ(Name()->AsString(), "Item 2");
  EXPECT_EQ(data.StoredText(2, "NAME"), "Item 2");
}

TEST_F(Editing, InsertOpensASlotAtTheActiveRecordAndPostPutsTheRecordThere) {
  data.Insert();
  EXPECT_EQ(Trace(), (TTrace{"link: CheckBrowseMode", "InternalInsert", "link: EditingChanged on",
                             "link: DataSetChanged"}));
  EXPECT_EQ(data.State(), host::dsInsert);
  EXPECT_TRUE(Name()->IsNull());
  EXPECT_TRUE(data.GetBookmark().empty());
  Name()->SetAsString("New");
  data.FieldByName("ID")->SetAsInteger(42);
  Mark();
  data.Post();
  EXPECT_EQ(
      dbtest::Filtered(Trace(), {"Internal", "Get"}),
      (TTrace{"InternalSetToRecord 2", "InternalPost insert 11 at 1", "GetRecord(current) -> 11",
              "GetRecord(prior) -> 1", "InternalSetToRecord 11", "GetRecord(next) -> 2"}));
  EXPECT_EQ(data.RowIds(), (std::vector<int>{1, 11, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(ActiveId(), 42);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 42, 2}));
}

TEST_F(Editing, CancellingAnInsertReturnsToTheRecordItWentBefore) {
  data.Insert();
  Mark();
  data.Cancel();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Internal", "Get"}),
            (TTrace{"InternalSetToRecord 2", "InternalCancel", "GetRecord(current) -> 2",
                    "GetRecord(prior) -> 1", "InternalSetToRecord 2", "GetRecord(next) -> 3"}));
  EXPECT_EQ(ActiveId(), 2);
  EXPECT_EQ(data.RowIds().size(), 10u);
}

TEST_F(Editing, AppendShowsTheLastRecordsBeforeTheNewOneAndPostAddsItAtTheEnd) {
  data.Append();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Internal", "Get"}),
            (TTrace{"InternalLast", "GetRecord(prior) -> 10", "GetRecord(prior) -> 9",
                    "InternalLast", "InternalInsert"}));
  data.FieldByName("ID")->SetAsInteger(11);
  Mark();
  data.Post();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Internal", "Get"}),
            (TTrace{"InternalPost insert 11 at 10", "GetRecord(current) -> 11",
                    "GetRecord(prior) -> 10", "GetRecord(prior) -> 9"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{9, 10, 11}));
  EXPECT_EQ(data.RowIds().back(), 11);
}

TEST_F(Editing, DeleteRemovesTheRecordAndTheNextTakesItsPlace) {
  data.Delete();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Internal", "Get"}),
            (TTrace{"InternalSetToRecord 2", "InternalDelete 2", "GetRecord(current) -> 3",
                    "GetRecord(prior) -> 1", "InternalSetToRecord 3", "GetRecord(next) -> 4"}));
  EXPECT_EQ(ActiveId(), 3);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 3, 4}));
  data.Last();
  data.Delete();
  EXPECT_EQ(ActiveId(), 9);
  EXPECT_EQ(data.RecordCount(), 8);
}

TEST_F(Editing, MovingAwayPostsAChangedRecordAndCancelsAnUntouchedOne) {
  data.Edit();
  Name()->SetAsString("Moved");
  data.Next();
  EXPECT_EQ(data.StoredText(2, "NAME"), "Moved");
  EXPECT_EQ(data.State(), host::dsBrowse);
  data.Insert();
  data.Next();  // nothing typed: the new record is dropped
  EXPECT_EQ(data.RecordCount(), 10);
}

TEST_F(Editing, ChangeEventsFireInOrder) {
  TTrace events;
  auto note = [&events](const char* Name) {
    return [&events, Name](host::TDataSet*) { events.push_back(Name); };
  };
  data.BeforeEdit = note("BeforeEdit");
  data.AfterEdit = note("AfterEdit");
  data.BeforePost = note("BeforePost");
  data.AfterPost = note("AfterPost");
  data.BeforeInsert = note("BeforeInsert");
  data.AfterInsert = note("AfterInsert");
  data.OnNewRecord = [&](host::TDataSet*) {
    events.push_back("OnNewRecord");
    Name()->SetAsString("Default");
  };
  data.BeforeCancel = note("BeforeCancel");
  data.AfterCancel = note("AfterCancel");
  data.BeforeDelete = note("BeforeDelete");
  data.AfterDelete = note("AfterDelete");
  data.Edit();
  data.Post();
  data.Insert();
  EXPECT_EQ(Name()->AsString(), "Default");
  EXPECT_FALSE(data.Modified());  // defaults alone do not make a change
  data.Cancel();
  data.Delete();
  EXPECT_EQ(events, (TTrace{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeInsert",
                            "OnNewRecord", "AfterInsert", "BeforeCancel", "AfterCancel",
                            "BeforeDelete", "AfterDelete"}));
}

TEST_F(Editing, APostErrorCanBeRetriedAbortedOrLeftToFail) {
  int calls = 0;
  data.OnPostError = [&](host::TDataSet*, host::EDatabaseError& E, host::TDataAction& Action) {
    ++calls;
    EXPECT_EQ(E.Message, "disk full");
    Action = calls == 1 ? host::daRetry : host::daFail;
  };
  data.Edit();
  Name()->SetAsString("Retried");
  data.FailNextChange = "disk full";
  data.Post();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(data.StoredText(2, "NAME"), "Retried");

  data.Edit();
  Name()->SetAsString("Failed");
  data.FailNextChange = "disk full";
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Post(); }), "disk full");
  EXPECT_EQ(data.State(), host::dsEdit);  // the edit stays for the user to fix

  data.OnPostError = [](host::TDataSet*, host::EDatabaseError&, host::TDataAction& Action) {
    Action = host::daAbort;
  };
  data.FailNextChange = "disk full";
  EXPECT_THROW(data.Post(), host::EAbort);
  EXPECT_EQ(data.State(), host::dsEdit);
}

TEST_F(Editing, DeleteAndEditErrorsGoThroughTheirOwnEvents) {
  bool deleteHandled = false;
  data.OnDeleteError = [&](host::TDataSet*, host::EDatabaseError&, host::TDataAction& Action) {
    deleteHandled = true;
    Action = host::daAbort;
  };
  data.FailNextChange = "locked";
  EXPECT_THROW(data.Delete(), host::EAbort);
  EXPECT_TRUE(deleteHandled);
  EXPECT_EQ(data.RecordCount(), 10);
  data.FailNextChange = "locked";
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Edit(); }), "locked");
  EXPECT_EQ(data.State(), host::dsBrowse);
}

TEST_F(Editing, FieldsRefuseValuesOutsideAnEditAndInReadOnlyPlaces) {
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { Name()->SetAsString("x"); }),
            "Data set not in edit or insert mode");
  Name()->SetReadOnly(true);
  data.Edit();
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { Name()->SetAsString("x"); }),
            "Field 'NAME' cannot be modified");
  data.Cancel();
  data.SetReadOnly(true);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Edit(); }),
            "Cannot modify a read-only data set");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Append(); }),
            "Cannot modify a read-only data set");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Post(); }),
            "Data set not in edit or insert mode");
}

TEST_F(Editing, ARequiredFieldWithoutValueStopsThePostAndAsksForFocus) {
  host::TField* price = data.FieldByName("PRICE");
  price->SetRequired(true);
  TTrace focus;
  struct TFocusLink : host::TDataLink {
    explicit TFocusLink(TTrace& T) : trace(T) {}
    void FocusControl(host::TField** Field) override { trace.push_back((*Field)->FieldName()); }
    TTrace& trace;
  } focusLink(focus);
  focusLink.SetDataSource(&source);
  data.Insert();
  data.FieldByName("ID")->SetAsInteger(7);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Post(); }),
            "Field 'PRICE' must have a value");
  EXPECT_EQ(focus, TTrace{"PRICE"});
  price->SetAsFloat(1);
  data.Post();
  EXPECT_EQ(data.RecordCount(), 11);
  focusLink.SetDataSource(nullptr);
}

TEST_F(Editing, ValidationSeesTheNewValueAndCanRefuseIt) {
  Name()->OnValidate = [](host::TField* Field) {
    if (Field->AsString().empty()) throw host::EDatabaseError("A name is needed");
  };
  data.Edit();
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { Name()->SetAsString(""); }), "A name is needed");
  EXPECT_EQ(Name()->AsString(), "Item 2");
  Name()->SetAsString("Valid");
  EXPECT_EQ(Name()->AsString(), "Valid");
}

TEST_F(Editing, InsertRecordAndAppendRecordStoreAtOnceWithoutMovingTheControls) {
  data.InsertRecord({20, "Inserted"});
  EXPECT_EQ(ActiveId(), 20);
  EXPECT_EQ(data.State(), host::dsBrowse);
  EXPECT_EQ(data.RowIds()[1], 11);
  EXPECT_EQ(data.StoredText(11, "NAME"), "Inserted");
  EXPECT_EQ(data.StoredText(11, "PRICE"), "<null>");
  data.AppendRecord({21, host::Variant(), 3.25});
  EXPECT_EQ(data.RowIds().back(), 12);
  EXPECT_EQ(data.StoredText(12, "PRICE"), "3.25");
  EXPECT_EQ(dbtest::Filtered(Trace(), {"InternalAddRecord"}),
            (TTrace{"InternalAddRecord 11 at 1", "InternalAddRecord 12 at 11"}));
  data.Edit();
  data.SetFields({host::Variant(), "Both"});
  data.Post();
  EXPECT_EQ(data.StoredText(12, "NAME"), "Both");
}

TEST_F(Editing, RefreshRereadsAroundTheActiveRecord) {
  data.Refresh();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Internal", "Get"}),
            (TTrace{"InternalSetToRecord 2", "InternalRefresh", "GetRecord(current) -> 2",
                    "GetRecord(prior) -> 1", "InternalSetToRecord 2", "GetRecord(next) -> 3"}));
  EXPECT_EQ(ActiveId(), 2);
}

}  // namespace
