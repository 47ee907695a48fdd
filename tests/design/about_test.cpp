// The About verb of the component editors and the About box it shows.
#include <memory>
#include <string>

#include "asa/VlrAsa.h"
#include "base/design/VlrAbout.h"
#include "base/design/VlrProps.h"
#include "host/controls_canvas.h"
#include "host/controls_std.h"
#include "tests/design/design_fixture.h"

namespace design_test {
namespace {

class AboutVerb : public DesignTest {
 protected:
  // Shows the About box through the editor's verb; Script plays on it.
  template <class E>
  void RunVerb(const std::function<void(host::TFormScript&, velar::TVelarAboutBox&)>& Script) {
    E editor(&session, &designer);
    ASSERT_EQ(editor.GetVerbCount(), 1);
    driver.Expect([&](host::TFormScript& ui) {
      auto* box = dynamic_cast<velar::TVelarAboutBox*>(&ui.Form());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->Owner(), host::Application);
      Script(ui, *box);
    });
    editor.ExecuteVerb(0);
  }

  velar::TAsaSession session{nullptr};
  TCountingDesigner designer;
};

TEST_F(AboutVerb, TheVerbNamesTheLibraryAndItsVersion) {
  velar::TVelarAsaAboutComponentEditor editor(&session, &designer);
  EXPECT_EQ(editor.GetVerbCount(), 1);
  EXPECT_EQ(editor.GetVerb(0), "Abo&ut VelarDB 1.83");
  EXPECT_EQ(host::StripAccel(editor.GetVerb(0)), "About VelarDB 1.83");
  EXPECT_EQ(host::AccelChar(editor.GetVerb(0)), 'u');
}

TEST_F(AboutVerb, ShowsTheProductLineForTheDatabaseAndCloses) {
  RunVerb<velar::TVelarAsaAboutComponentEditor>(
      [](host::TFormScript& ui, velar::TVelarAboutBox& box) {
        EXPECT_EQ(box.Caption(), "About VelarDB");
        EXPECT_EQ(box.lblProduct->Caption(), "VelarDB 1.83 for Sybase SQL Anywhere");
        EXPECT_EQ(box.lblDescription->Caption(), "Database access components");
        EXPECT_NE(ui.Screen().find("VelarDB 1.83 for Sybase SQL Anywhere"), std::string::npos)
            << ui.Screen();
        ui.Click("btnClose");
      });
  EXPECT_EQ(driver.Shown(), (std::vector<std::string>{"About VelarDB"}));
  EXPECT_EQ(designer.ModifiedCount, 0);
}

// The logo comes from its bitmap resource and fills its place, drawn in
// shades on a terminal.
TEST_F(AboutVerb, TheBoxShowsTheLogo) {
  RunVerb<velar::TVelarAsaAboutComponentEditor>(
      [](host::TFormScript& ui, velar::TVelarAboutBox& box) {
        host::TPicture* logo = box.imgLogo->Picture();
        EXPECT_EQ(logo->Width(), 32);
        EXPECT_EQ(logo->Height(), 32);
        EXPECT_TRUE(box.imgLogo->Stretch());
        const host::TCellRect cells = box.imgLogo->CellBounds();
        host::TCellCanvas canvas(cells.Cols, cells.Rows);
        box.imgLogo->Paint(canvas, host::TCellRect{0, 0, cells.Cols, cells.Rows});
        EXPECT_NE(canvas.Text().find('@'), std::string::npos) << canvas.Text();
        ui.Escape();
      });
}

TEST_F(AboutVerb, TheLinksOpenThroughTheDesktop) {
  RunVerb<velar::TVelarAsaAboutComponentEditor>(
      [](host::TFormScript& ui, velar::TVelarAboutBox& box) {
        ui.Click("lblMail");
        ui.Click("lblWeb");
        EXPECT_FALSE(ui.Closed());
        EXPECT_NE(box.lblMail->Caption().find('@'), std::string::npos);
        ui.Escape();
      });
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "mailto:support@velardb.example");
  EXPECT_EQ(opened[1], "https://www.velardb.example");
}

TEST_F(AboutVerb, EachEditorNamesItsProductAndTheBaseOneStillShowsTheBox) {
  std::vector<std::string> lines;
  auto record = [&](host::TFormScript& ui, velar::TVelarAboutBox& box) {
    lines.push_back(box.lblProduct->Caption());
    ui.Enter();
  };
  RunVerb<velar::TVelarOciAboutComponentEditor>(record);
  RunVerb<velar::TVelarAboutComponentEditor>(record);
  EXPECT_EQ(lines, (std::vector<std::string>{"VelarDB 1.83 for Oracle", "VelarDB 1.83 for "}));
}

TEST_F(AboutVerb, TheDefaultActionIsTheVerb) {
  velar::TVelarAsaAboutComponentEditor editor(&session, &designer);
  driver.Expect([](host::TFormScript& ui) { ui.CloseByFrame(); });
  editor.Edit();
  EXPECT_EQ(driver.Shown().size(), 1u);
  editor.ExecuteVerb(1);  // no such verb: nothing shows
  EXPECT_EQ(driver.Shown().size(), 1u);
}

}  // namespace
}  // namespace design_test
