#include "host/strings.h"

#include <gtest/gtest.h>

#include "tests/support/velar_test.h"

#include <string>
#include <vector>

#include "host/exceptions.h"
#include "host/stream.h"

namespace {

using host::TStringList;
using Lines = std::vector<std::string>;

Lines LinesOf(const host::TStrings& list) {
  Lines lines;
  for (int i = 0; i < list.Count(); ++i)
    lines.push_back(list.Strings(i));
  return lines;
}

using velar::testing::MessageOf;

// Records OnChanging as "<" and OnChange as ">".
class StringListNotification : public ::testing::Test {
 protected:
  void SetUp() override {
    list.OnChanging = [this](host::TObject* sender) { events += sender == &list ? "<" : "?"; };
    list.OnChange = [this](host::TObject* sender) { events += sender == &list ? ">" : "?"; };
  }
  TStringList list;
  std::string events;
};

TEST_F(StringListNotification, EachChangeIsAnnouncedBeforeAndAfter) {
  list.Add("a");
  list.Insert(0, "b");
  list.SetStrings(1, "c");
  list.Delete(0);
  list.Clear();
  list.Clear();  // nothing left to change
  EXPECT_EQ(events, "<><><><><>");
}

TEST_F(StringListNotification, NestedUpdatesReportOneChangeAtTheLastEnd) {
  list.BeginUpdate();
  list.Add("a");
  list.BeginUpdate();
  list.Add("b");
  list.EndUpdate();
  list.Add("c");
  EXPECT_EQ(events, "<");
  list.EndUpdate();
  EXPECT_EQ(events, "<>");
  list.BeginUpdate();  // an update without changes reports nothing
  list.EndUpdate();
  list.EndUpdate();  // unbalanced: ignored, later changes still reported
  list.SetText("1\n2");
  EXPECT_EQ(events, "<><>");
}

TEST_F(StringListNotification, AFailedAssignStillEndsTheUpdateOnce) {
  list.SetSorted(true);
  list.SetDuplicates(host::dupError);
  TStringList source;
  source.Add("b");
  source.Add("b");
  EXPECT_THROW(list.Assign(&source), host::EListError);
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(events, "<>");
  EXPECT_EQ(LinesOf(list), Lines{"b"});
}

class StringListText : public ::testing::Test {
 protected:
  TStringList list;
};

TEST_F(StringListText, JoinsWithLineFeedsAndSplitsOnEveryLineBreak) {
  list.SetText("one\r\ntwo\nthree\rfour\r\n\r\nsix\n");
  EXPECT_EQ(LinesOf(list), (Lines{"one", "two", "three", "four", "", "six"}));
  EXPECT_EQ(list.Text(), "one\ntwo\nthree\nfour\n\nsix");
  list.SetText("\n");
  EXPECT_EQ(LinesOf(list), Lines{""});
  list.SetText("a\r\r\nb");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "", "b"}));
}

TEST_F(StringListText, CommaTextQuotesWhatWouldOtherwiseBeAmbiguous) {
  list.SetText("plain\ntwo words\na,b\nsay \"hi\"\n\n");
  EXPECT_EQ(list.CommaText(), "plain,\"two words\",\"a,b\",\"say \"\"hi\"\"\",\"\"");
  TStringList copy;
  copy.SetCommaText(list.CommaText());
  EXPECT_EQ(LinesOf(copy), LinesOf(list));
  copy.SetCommaText(" x , y z ,");
  EXPECT_EQ(LinesOf(copy), (Lines{"x", "y z", ""}));
}

TEST_F(StringListText, NamesAndValues) {
  list.SetText("Host=db1\nPort=2638\nflag");
  EXPECT_EQ(list.Names(0), "Host");
  EXPECT_EQ(list.Values("port"), "2638");
  list.SetValues("PORT", "2639");
  list.SetValues("User", "dba");
  list.SetValues("Host", "");  // an empty value removes the line
  EXPECT_EQ(LinesOf(list), (Lines{"PORT=2639", "flag", "User=dba"}));
}

TEST_F(StringListText, StreamRoundTripKeepsEveryLine) {
  list.SetText("a\n\nb");
  list.Add("");
  host::TMemoryStream stream;
  list.SaveToStream(&stream);
  TStringList loaded;
  stream.SetPosition(0);
  loaded.LoadFromStream(&stream);
  EXPECT_EQ(LinesOf(loaded), (Lines{"a", "", "b", ""}));
}

TEST_F(StringListText, IndexesOutOfBoundsRaise) {
  list.Add("a");
  EXPECT_EQ(MessageOf<host::EListError>([&] { list.Strings(1); }), "List index out of bounds (1)");
  EXPECT_EQ(MessageOf<host::EListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_THROW(list.Insert(2, "x"), host::EListError);
  list.Insert(1, "b");  // one past the end appends
  EXPECT_EQ(list.Strings(1), "b");
}

// A list that keeps only what every TStrings must, so that the base class's
// own operations are the ones under test.
class TPlainLines final : public host::TStrings {
 public:
  const std::string& Get(int Index) const override { return lines_.at(Index); }
  int GetCount() const override { return static_cast<int>(lines_.size()); }
  void Insert(int Index, const std::string& S) override {
    lines_.insert(lines_.begin() + Index, S);
  }
  void Delete(int Index) override { lines_.erase(lines_.begin() + Index); }
  void Clear() override { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

class StringsBaseOperations : public ::testing::Test {
 protected:
  TPlainLines lines;
};

// The base replaces a line by deleting and inserting it; the text it puts
// back may be the very line it deletes.
TEST_F(StringsBaseOperations, ReplacingALineWithItsOwnTextKeepsIt) {
  lines.SetText("first\na line long enough to live outside the string object");
  lines.SetStrings(1, lines.Strings(1));
  EXPECT_EQ(LinesOf(lines),
            (Lines{"first", "a line long enough to live outside the string object"}));
}

class StringListSorting : public ::testing::Test {
 protected:
  void SetUp() override { list.SetSorted(true); }
  TStringList list;
};

TEST_F(StringListSorting, AddPlacesLinesInOrderIgnoringCase) {
  list.SetText("pear\nApple\nbanana");
  EXPECT_EQ(LinesOf(list), (Lines{"Apple", "banana", "pear"}));
  EXPECT_EQ(list.IndexOf("APPLE"), 0);
  EXPECT_EQ(list.IndexOf("cherry"), -1);
  EXPECT_THROW(list.Insert(0, "x"), host::EListError);
  EXPECT_THROW(list.SetStrings(0, "x"), host::EListError);
}

TEST_F(StringListSorting, DuplicatesAreIgnoredAcceptedOrRefused) {
  host::TObject tag;
  list.Add("b");
  list.AddObject("a", &tag);
  EXPECT_EQ(list.AddObject("A", nullptr), 0);  // ignored: the existing line, untouched
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Objects(0), &tag);
  list.SetDuplicates(host::dupError);
  EXPECT_EQ(MessageOf<host::EListError>([&] { list.Add("B"); }),
            "String list does not allow duplicates");
  list.SetDuplicates(host::dupAccept);
  list.Add("B");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "B", "b"}));
}

TEST_F(StringListSorting, CaseSensitivityChangesMatchingAndOrder) {
  list.SetDuplicates(host::dupAccept);
  list.SetText("b\nB\na");
  list.SetCaseSensitive(true);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "B", "b"}));
  EXPECT_EQ(list.IndexOf("b"), 2);
  EXPECT_EQ(list.IndexOf("A"), -1);
  // Windows-1252 letters fold too: "Été" and "éTÉ", "Š" and "š".
  TStringList plain;
  plain.SetText("\xC9t\xE9\n\x8A");
  EXPECT_EQ(plain.IndexOf("\xE9T\xC9"), 0);
  EXPECT_EQ(plain.IndexOf("\x9A"), 1);
}

}  // namespace
