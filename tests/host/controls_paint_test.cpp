// What controls show on a character screen: scrolled lists and edits, the
// styles that tell the focused, default and disabled controls apart, and
// the file masks of the file list.
#include <string>

#include "host/controls_files.h"
#include "host/dialogs.h"
#include "tests/host/forms_fixture.h"

namespace forms_test {
namespace {

class ControlPainting : public FormsTest {
 protected:
  // The form's screen, with the form's client area starting at (1, 1).
  host::TCellCanvas Paint(host::TForm& Form) {
    host::TCellCanvas canvas(Form.CellCols(), Form.CellRows());
    Form.PaintForm(canvas, 0, 0);
    return canvas;
  }
  static int ColumnOf(const host::TCellCanvas& Canvas, int Row, const std::string& Text) {
    return static_cast<int>(Canvas.Line(Row).find(Text));
  }
};

TEST_F(ControlPainting, AListScrollsToKeepTheSelectedItemInView) {
  auto form = host::NewDialogForm("List", 30, 8);
  auto* list = host::PlaceControl<host::TListBox>(*form, "List", 1, 1, 20, 5);  // 3 rows inside
  for (int i = 0; i < 20; ++i)
    list->Items()->Add("item" + std::to_string(i));
  list->SetItemIndex(10);
  EXPECT_EQ(list->TopIndex(), 8);
  host::TCellCanvas canvas = Paint(*form);
  EXPECT_NE(canvas.Line(3).find("item8"), std::string::npos) << canvas.Text();
  EXPECT_NE(canvas.Line(5).find("item10"), std::string::npos) << canvas.Text();
  driver.Expect([&](host::TFormScript& ui) {
    ui.Key(host::VK_NEXT);
    EXPECT_EQ(list->ItemIndex(), 13);
    ui.Key(host::VK_PRIOR);
    ui.Key(host::VK_PRIOR);
    EXPECT_EQ(list->ItemIndex(), 7);
    EXPECT_EQ(list->TopIndex(), 7);
    ui.Key(host::VK_END);
    EXPECT_EQ(list->TopIndex(), 17);
    ui.CloseByFrame();
  });
  form->ShowModal();
}

TEST_F(ControlPainting, AnEditShowsTheTextAroundTheCaret) {
  auto form = host::NewDialogForm("Edit", 20, 3);
  auto* edit = host::PlaceControl<host::TEdit>(*form, "Edit", 1, 1, 5);
  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("Edit", "abcdefghij");
    host::TCellCanvas canvas = Paint(*form);
    EXPECT_NE(canvas.Line(2).find("ghij"), std::string::npos) << canvas.Text();
    EXPECT_EQ(canvas.Line(2).find("abc"), std::string::npos) << canvas.Text();
    EXPECT_TRUE(canvas.HasCaret());
    EXPECT_EQ(canvas.CaretCol(), 2 + 4);
    ui.Key(host::VK_HOME);
    canvas = Paint(*form);
    EXPECT_NE(canvas.Line(2).find("abcde"), std::string::npos) << canvas.Text();
    EXPECT_EQ(canvas.CaretCol(), 2);
    ui.CloseByFrame();
  });
  form->ShowModal();
  EXPECT_EQ(edit->Text(), "abcdefghij");
}

TEST_F(ControlPainting, StylesMarkTheFocusedTheDefaultAndTheDisabled) {
  auto form = host::NewDialogForm("Styles", 40, 4);
  auto* edit = host::PlaceControl<host::TEdit>(*form, "Edit", 1, 0, 10);
  edit->SetText("on");
  auto* ok = host::PlaceButton(*form, "OK", "OK", 1, 2, host::mrOk);
  ok->SetDefault(true);
  auto* off = host::PlaceButton(*form, "Off", "Off", 15, 2);
  off->SetEnabled(false);
  driver.Expect([&](host::TFormScript& ui) {
    ui.Focus("OK");
    host::TCellCanvas canvas = Paint(*form);
    const int okCol = ColumnOf(canvas, 3, "[ OK ]");
    const int offCol = ColumnOf(canvas, 3, "[ Off ]");
    ASSERT_GE(okCol, 0) << canvas.Text();
    ASSERT_GE(offCol, 0) << canvas.Text();
    const std::uint8_t okStyle = canvas.At(okCol + 2, 3).Style;
    EXPECT_NE(okStyle & host::kCellBold, 0) << "the default button is bold";
    EXPECT_NE(okStyle & host::kCellReverse, 0) << "the focused control is reversed";
    EXPECT_NE(canvas.At(offCol + 2, 3).Style & host::kCellDim, 0) << "a disabled one is dim";
    EXPECT_EQ(canvas.At(2, 1).Style & host::kCellReverse, 0) << "the edit is not focused";
    EXPECT_NE(canvas.At(2, 1).Style & host::kCellUnderline, 0) << "an edit is a field";
    ui.Enter();
  });
  EXPECT_EQ(form->ShowModal(), host::mrOk);
}

TEST(FileMasks, PatternsMatchIgnoringCaseAndStarDotStarMatchesEveryFile) {
  EXPECT_TRUE(host::MatchesMask("README", "*.*"));
  EXPECT_TRUE(host::MatchesMask("data.DB", "*.db"));
  EXPECT_FALSE(host::MatchesMask("data.db-journal", "*.db"));
  EXPECT_TRUE(host::MatchesMask("libdblib6.so", "*.dll; *.so"));
  EXPECT_FALSE(host::MatchesMask("notes.txt", "*.dll;*.so"));
  EXPECT_TRUE(host::MatchesMask("anything", ""));
  EXPECT_TRUE(host::MatchesMask("a1.db", "a?.db"));
}

}  // namespace
}  // namespace forms_test
