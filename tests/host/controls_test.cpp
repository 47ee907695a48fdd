// Controls as the user works them: typing into edits, choosing in lists and
// combo boxes, and what each reports when.
#include <string>
#include <vector>

#include "tests/host/forms_fixture.h"

namespace forms_test {
namespace {

using Events = std::vector<std::string>;

class EditTyping : public FormsTest {};

TEST_F(EditTyping, EachKeystrokeIsOneChangeAndFocusingSelectsTheTextToReplace) {
  TEditorForm form;
  form.NameEdit->SetText("old");
  driver.Expect([&](host::TFormScript& ui) {
    form.Events.clear();
    ui.Type("NameEdit", "new");
    ui.Escape();
  });
  form.ShowModal();
  EXPECT_EQ(form.Events,
            (Events{"List.Exit", "NameEdit.Enter", "NameEdit.Change=n", "NameEdit.Change=ne",
                    "NameEdit.Change=new", "Cancel.Click", "Form.Close=2"}));
}

TEST_F(EditTyping, EditingKeysWorkAtTheCaret) {
  TEditorForm form;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("NameEdit", "abcd");
    ui.Key(host::VK_LEFT);
    ui.Key(host::VK_BACK);  // abd
    ui.Key(host::VK_HOME);
    ui.Key(host::VK_DELETE);  // bd
    ui.Type("x");             // xbd
    ui.Key(host::VK_END);
    ui.Type("!");
    ui.Escape();
  });
  form.ShowModal();
  EXPECT_EQ(form.NameEdit->Text(), "xbd!");
}

TEST_F(EditTyping, MaxLengthAndReadOnlyLimitTyping) {
  TEditorForm form;
  form.NameEdit->SetMaxLength(3);
  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("NameEdit", "abcdef");
    EXPECT_EQ(form.NameEdit->Text(), "abc");
    form.NameEdit->SetReadOnly(true);
    ui.Key(host::VK_BACK);
    ui.Type("z");
    ui.Escape();
  });
  form.ShowModal();
  EXPECT_EQ(form.NameEdit->Text(), "abc");
}

TEST_F(EditTyping, TextSetByCodeChangesOnceAndOnlyWhenDifferent) {
  TEditorForm form;
  form.NameEdit->SetText("a");
  form.NameEdit->SetText("a");
  form.NameEdit->SetText("");
  EXPECT_EQ(form.Events, (Events{"NameEdit.Change=a", "NameEdit.Change="}));
}

class ListChoosing : public FormsTest {};

TEST_F(ListChoosing, KeysMoveTheSelectionAndReportOnlyRealMoves) {
  TEditorForm form;
  int clicks = 0;
  form.List->OnClick = [&](host::TObject*) { ++clicks; };
  std::vector<int> seen;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Key(host::VK_DOWN);  // from none to the first
    seen.push_back(form.List->ItemIndex());
    ui.Key(host::VK_END);
    seen.push_back(form.List->ItemIndex());
    ui.Key(host::VK_DOWN);  // already last
    ui.Key(host::VK_UP);
    seen.push_back(form.List->ItemIndex());
    ui.Type("a");  // type-ahead: alpha
    seen.push_back(form.List->ItemIndex());
    ui.Type("g");  // "ag" matches nothing, so "g" alone: gamma
    seen.push_back(form.List->ItemIndex());
    ui.Escape();
  });
  form.ShowModal();
  EXPECT_EQ(seen, (std::vector<int>{0, 2, 1, 0, 2}));
  EXPECT_EQ(clicks, 5);
}

TEST_F(ListChoosing, TheSelectionFollowsItsItemThroughInsertsAndDeletes) {
  TEditorForm form;
  host::TListBox& list = *form.List;
  list.SetItemIndex(1);  // beta
  list.Items()->Insert(0, "first");
  EXPECT_EQ(list.ItemIndex(), 2);
  list.Items()->Delete(0);
  EXPECT_EQ(list.ItemIndex(), 1);
  list.Items()->SetStrings(1, "BETA");
  EXPECT_EQ(list.ItemIndex(), 1);
  list.Items()->Delete(1);
  EXPECT_EQ(list.ItemIndex(), -1);
  list.SetItemIndex(0);
  list.Items()->Clear();
  EXPECT_EQ(list.ItemIndex(), -1);
  list.SetItemIndex(0);
  EXPECT_EQ(list.ItemIndex(), -1) << "an index outside the items selects nothing";
}

TEST_F(ListChoosing, ComboBoxKeysChooseAndReportButCodeDoesNot) {
  TEditorForm form;
  form.Kind->SetItemIndex(2);
  EXPECT_EQ(form.Kind->Text(), "ntDate");
  driver.Expect([&](host::TFormScript& ui) {
    form.Events.clear();
    ui.Focus("Kind");
    ui.Key(host::VK_UP);
    ui.Key(host::VK_HOME);
    ui.Key(host::VK_HOME);
    ui.Type("nti");  // type-ahead over the whole prefix
    EXPECT_TRUE(ui.Choose("Kind", "ntDate"));
    ui.Escape();
  });
  form.ShowModal();
  EXPECT_EQ(form.Events, (Events{"List.Exit", "Kind.Enter", "Kind.Change=ntInteger",
                                 "Kind.Change=ntString", "Kind.Change=ntInteger",
                                 "Kind.Change=ntDate", "Cancel.Click", "Form.Close=2"}));
}

TEST_F(ListChoosing, ClickingItemsWithTheMouseSelectsThem) {
  TEditorForm form;
  std::vector<int> clicked;
  form.List->OnClick = [&](host::TObject*) { clicked.push_back(form.List->ItemIndex()); };
  driver.Expect([&](host::TFormScript& ui) {
    // The list's frame takes its first row; its items follow.
    host::TCellRect cells = form.List->CellBounds();
    form.DispatchMouse(cells.Col + 1, cells.Row + 2);
    EXPECT_EQ(form.ActiveControl(), form.List);
    ui.ClickItem("List", 0);
    ui.Escape();
  });
  form.ShowModal();
  EXPECT_EQ(clicked, (std::vector<int>{1, 0}));
}

}  // namespace
}  // namespace forms_test
