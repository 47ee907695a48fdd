// The vlrdesign designer in process, its dialogs played by the scripted
// driver: adding and deleting components, editing properties through their
// editors, the context menu, saving and opening, and its keys.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "asa/VlrAsa.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/formfile.h"
#include "host/graphics.h"
#include "tests/design/design_fixture.h"
#include "tests/support/velar_test.h"
#include "tools/vlrdesign/designer_form.h"

namespace design_test {
namespace {

using velar::TAsaSession;
using velar::testing::TempDir;
using vlrdesign::TDesignerForm;

class Designer : public DesignTest {
 protected:
  void SetUp() override {
    DesignTest::SetUp();
    ASSERT_FALSE(dir.Path().empty());
    host::InstallDesignUnits();
    designer = std::make_unique<TDesignerForm>(100, 32);
  }
  void TearDown() override {
    designer.reset();
    DesignTest::TearDown();
  }
  TAsaSession* AddSession() {
    return dynamic_cast<TAsaSession*>(designer->AddComponent(host::GetClass("TAsaSession")));
  }
  // The inspector row of a property.
  int RowOf(const std::string& Property) const {
    host::TStrings* items = designer->Inspector()->Items();
    for (int i = 0; i < items->Count(); ++i)
      if (items->Strings(i).rfind(Property + " ", 0) == 0) return i;
    ADD_FAILURE() << "no row for " << Property;
    return -1;
  }
  std::string RowText(const std::string& Property) const {
    return designer->Inspector()->Items()->Strings(RowOf(Property));
  }
  std::vector<std::string> TreeLines() const {
    std::vector<std::string> lines;
    host::TStrings* items = designer->Tree()->Items();
    for (int i = 0; i < items->Count(); ++i)
      lines.push_back(items->Strings(i));
    return lines;
  }

  TempDir dir;
  std::unique_ptr<TDesignerForm> designer;
};

// Beside the palette, the image of the class selected in it.
TEST_F(Designer, ThePaletteShowsTheSelectedClassesImage) {
  auto pixels = [](const host::TGraphic* Graphic) {
    std::vector<host::TColor> all;
    if (auto* bitmap = dynamic_cast<const host::TBitmap*>(Graphic))
      for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x)
          all.push_back(bitmap->Pixel(x, y));
    return all;
  };
  host::TBitmap session, dataset;
  host::LoadBitmapResource(session, "TASASESSION");
  host::LoadBitmapResource(dataset, "TASADATASET");
  host::TPicture* shown = designer->PaletteImage()->Picture();
  EXPECT_EQ(pixels(shown->Graphic()), pixels(&session));
  designer->Palette()->SelectItem(2);
  EXPECT_EQ(pixels(shown->Graphic()), pixels(&dataset));
  EXPECT_NE(pixels(&session), pixels(&dataset));
}

TEST_F(Designer, AddedComponentsAreNamedAfterTheirClassAndDesigned) {
  EXPECT_EQ(designer->Palette()->Items()->Strings(0), "TAsaSession");
  EXPECT_FALSE(designer->IsModified());
  TAsaSession* first = AddSession();
  TAsaSession* second = AddSession();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Name(), "AsaSession1");
  EXPECT_EQ(second->Name(), "AsaSession2");
  EXPECT_TRUE(second->ComponentState().Contains(host::csDesigning));
  EXPECT_EQ(designer->Selected(), second);
  EXPECT_EQ(TreeLines(),
            (std::vector<std::string>{"DataModule1: TDataModule", "  AsaSession1: TAsaSession",
                                      "  AsaSession2: TAsaSession"}));
  EXPECT_TRUE(designer->IsModified());
  EXPECT_EQ(designer->Caption(), "vlrdesign - (untitled) *");

  designer->DeleteComponent(first);
  EXPECT_EQ(TreeLines(),
            (std::vector<std::string>{"DataModule1: TDataModule", "  AsaSession2: TAsaSession"}));
  EXPECT_EQ(AddSession()->Name(), "AsaSession1");
}

TEST_F(Designer, TheInspectorEditsEachPropertyThroughItsEditor) {
  TAsaSession* session = AddSession();
  EXPECT_EQ(RowText("LibraryPath"), std::string("LibraryPath") + std::string(9, ' ') + " ...");

  driver.Expect([](host::TFormScript& ui) {
    EXPECT_EQ(ui.Form().Caption(), "LoginUser");
    ui.Type("edValue", "DBA");
    ui.Enter();
  });
  designer->EditProperty(RowOf("LoginUser"));
  EXPECT_EQ(session->LoginUser(), "DBA");
  EXPECT_EQ(RowText("LoginUser"), "LoginUser           DBA");

  driver.Expect([](host::TFormScript& ui) {
    auto& values = ui.Control<host::TListBox>("lbValues");
    EXPECT_EQ(values.Items()->Text(), "stClient\nstServer\nstWorkgroup");
    EXPECT_EQ(values.ItemIndex(), 1) << "the list starts on the current value";
    ui.ClickItem("lbValues", 0);
    ui.Enter();
  });
  designer->EditProperty(RowOf("ServerType"));
  EXPECT_EQ(session->ServerType(), velar::stClient);

  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(ui.Form().Caption(), "Choose Folder");
    ui.Type("edPath", dir.Path());
    ui.Enter();
  });
  designer->EditProperty(RowOf("LibraryPath"));
  EXPECT_EQ(session->LibraryPath(), dir.Path());
  EXPECT_EQ(RowText("LibraryPath"), "LibraryPath         " + dir.Path() + " ...");

  driver.Expect([](host::TFormScript& ui) {
    ui.Type("edValue", "not a number");
    ui.Enter();
  });
  EXPECT_THROW(designer->EditProperty(RowOf("Tag")), host::EConvertError);
  EXPECT_EQ(session->Tag(), 0);
}

TEST_F(Designer, TheContextMenuRunsTheChosenVerb) {
  AddSession();
  driver.Expect([](host::TFormScript& ui) {
    EXPECT_EQ(ui.Form().Caption(), "AsaSession1");
    EXPECT_EQ(ui.Control<host::TListBox>("lbValues").Items()->Text(), "About VelarDB 1.83");
    ui.Enter();
  });
  driver.Expect([](host::TFormScript& ui) {
    EXPECT_NE(ui.Screen().find("VelarDB 1.83 for Sybase SQL Anywhere"), std::string::npos);
    ui.Enter();
  });
  designer->ShowContextMenu();
  EXPECT_EQ(driver.Shown(), (std::vector<std::string>{"AsaSession1", "About VelarDB"}));

  designer->Select(designer->GetRoot());
  designer->ShowContextMenu();  // a data module has no verbs: nothing shows
  EXPECT_EQ(driver.Shown().size(), 2u);
}

TEST_F(Designer, ASavedModuleOpensWithItsComponentsInDesignState) {
  const std::string file = dir.File("module.vfm");
  designer->NewModule(file);
  TAsaSession* session = AddSession();
  session->SetLoginUser("DBA");
  session->SetServerType(velar::stClient);
  ASSERT_TRUE(designer->Save());
  EXPECT_FALSE(designer->IsModified());
  EXPECT_EQ(designer->Caption(), "vlrdesign - " + file);

  TDesignerForm reopened(100, 32);
  reopened.OpenFile(file);
  host::TComponent* root = reopened.GetRoot();
  EXPECT_EQ(root->ClassName(), "TDataModule");
  auto* read = dynamic_cast<TAsaSession*>(root->FindComponent("AsaSession1"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->LoginUser(), "DBA");
  EXPECT_EQ(read->ServerType(), velar::stClient);
  EXPECT_TRUE(read->ComponentState().Contains(host::csDesigning));
  EXPECT_FALSE(reopened.IsModified());

  EXPECT_THROW(reopened.OpenFile(dir.File("missing.vfm")), host::EFOpenError);
  const std::string notes = dir.Touch("notes.vfm");
  EXPECT_EQ(velar::testing::MessageOf<host::EReadError>([&] { reopened.OpenFile(notes); }),
            "\"" + notes + "\" does not begin as a form file does (object Name: TClass).");
  EXPECT_EQ(reopened.GetRoot(), root) << "a failed open keeps the module";
}

TEST_F(Designer, AnUnnamedModuleAsksForAFileNameWhenSaved) {
  AddSession();
  driver.Expect([](host::TFormScript& ui) { ui.Escape(); });
  EXPECT_FALSE(designer->Save());
  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("edValue", dir.File("named.vfm"));
    ui.Enter();
  });
  EXPECT_TRUE(designer->Save());
  EXPECT_EQ(designer->FileName(), dir.File("named.vfm"));
  EXPECT_TRUE(std::filesystem::exists(dir.File("named.vfm")));
}

TEST_F(Designer, TheKeysAddEditAndQuit) {
  designer->NewModule(dir.File("keys.vfm"));
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(ui.Form().ActiveControl(), designer->Palette());
    ui.Enter();  // adds the palette's component; the inspector takes the focus
    EXPECT_EQ(ui.Form().ActiveControl(), designer->Inspector());
    ui.Type("LoginE");        // finds the property by its first letters
    ui.Enter();               // opens its editor (next script)
    ui.Key(host::VK_F1 + 1);  // F2 saves
    ui.Key(host::VK_F1 + 9);  // F10 quits, nothing being modified
  });
  driver.Expect([](host::TFormScript& ui) {
    EXPECT_EQ(ui.Form().Caption(), "LoginEngineName");
    ui.Type("edValue", "engine1");
    ui.Enter();
  });
  EXPECT_EQ(designer->ShowModal(), host::mrOk);
  auto* session = dynamic_cast<TAsaSession*>(designer->GetRoot()->FindComponent("AsaSession1"));
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->LoginEngineName(), "engine1");
  EXPECT_TRUE(std::filesystem::exists(dir.File("keys.vfm")));
}

TEST_F(Designer, QuittingAModifiedModuleAsksFirst) {
  AddSession();
  std::vector<int> answers{host::IDCANCEL, host::IDNO};
  host::Application->SetMessageBoxHandler([&](const std::string& Text, const std::string&, int) {
    messages.push_back(Text);
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  bool stayed = false;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Key(host::VK_F1 + 9);
    stayed = !ui.Closed();
    ui.CloseByFrame();
  });
  designer->ShowModal();
  EXPECT_TRUE(stayed);
  EXPECT_EQ(messages, (std::vector<std::string>{"Save changes to DataModule1?",
                                                "Save changes to DataModule1?"}));
}

}  // namespace
}  // namespace design_test
