// The folder chooser: what it shows for a path, and the path it gives back.
#include <filesystem>
#include <memory>

#include "base/design/VlrPathDialog.h"
#include "host/controls_files.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "tests/design/design_fixture.h"
#include "tests/support/velar_test.h"

namespace design_test {
namespace {

using velar::TVelarPathDialog;
using velar::testing::TempDir;

class PathDialog : public DesignTest {
 protected:
  void SetUp() override {
    DesignTest::SetUp();
    ASSERT_FALSE(dir.Path().empty());
    std::filesystem::create_directories(dir.File("asa/lib"));
    dialog = std::make_unique<TVelarPathDialog>(host::Application);
  }
  void TearDown() override {
    dialog.reset();
    DesignTest::TearDown();
  }

  TempDir dir;
  std::unique_ptr<TVelarPathDialog> dialog;
};

TEST_F(PathDialog, IsTheChooseFolderFormOfItsResource) {
  EXPECT_EQ(dialog->Caption(), "Choose Folder");
  EXPECT_EQ(dialog->BorderStyle(), host::bsDialog);
  EXPECT_EQ(dialog->Position(), host::poScreenCenter);
  EXPECT_EQ(dialog->lblLocation->Caption(), "Location:");
  EXPECT_EQ(dialog->lblPath->Caption(), "&Path:");
  EXPECT_EQ(dialog->lblDirList->Caption(), "&Directories:");
  EXPECT_EQ(dialog->lblDrive->Caption(), "Dri&ves:");
  EXPECT_TRUE(dialog->btnOK->Default());
  EXPECT_EQ(dialog->btnOK->ModalResult(), host::mrOk);
  EXPECT_TRUE(dialog->btnCancel->Cancel());
  EXPECT_EQ(dialog->btnCancel->ModalResult(), host::mrCancel);
  EXPECT_EQ(dialog->Owner(), host::Application);
}

TEST_F(PathDialog, AnExistingPathIsShownInTheListAndTheEdit) {
  dialog->SetPath(dir.File("asa/lib/"));
  EXPECT_EQ(dialog->dlDirList->Directory(), dir.File("asa/lib"));
  EXPECT_EQ(dialog->edPath->Text(), dir.File("asa/lib"));
  EXPECT_EQ(dialog->Path(), dir.File("asa/lib"));
  EXPECT_EQ(dialog->dcDrive->Drive(), '/');
}

TEST_F(PathDialog, APathThatCannotBeShownShowsTheRootAndABlankOneChangesNothing) {
  dialog->SetPath(dir.File("asa"));
  dialog->SetPath("   ");
  EXPECT_EQ(dialog->Path(), dir.File("asa"));
  dialog->SetPath(dir.File("no/such/place"));
  EXPECT_EQ(dialog->dlDirList->Directory(), "/");
  EXPECT_EQ(dialog->Path(), "/");
  dialog->SetPath(dir.File("asa"));
  dialog->SetPath("relative");  // no drive in it
  EXPECT_EQ(dialog->Path(), "/");
}

TEST_F(PathDialog, BrowsingAndTypingChooseThePath) {
  dialog->SetPath(dir.File("asa"));
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(dialog->ActiveControl(), dialog->edPath);
    // The subdirectory lib is the last item, after asa's ancestors.
    ui.DoubleClickItem("dlDirList", dialog->dlDirList->Items()->Count() - 1);
    EXPECT_EQ(dialog->edPath->Text(), dir.File("asa/lib"));
    ui.Focus("dlDirList");
    ui.Key(host::VK_LEFT);  // up to asa again
    EXPECT_EQ(dialog->Path(), dir.File("asa"));
    ui.Type("edPath", "/opt/typed");
    ui.Enter();
  });
  ASSERT_EQ(dialog->ShowModal(), host::mrOk);
  EXPECT_EQ(dialog->Path(), "/opt/typed");
}

TEST_F(PathDialog, TheDriveBoxRefusesDrivesThisSystemDoesNotHave) {
  EXPECT_THROW(dialog->dcDrive->SetDrive('C'), host::EOSError);
  EXPECT_THROW(dialog->dlDirList->SetDrive('C'), host::EOSError);
  EXPECT_EQ(dialog->dcDrive->Drive(), '/');
}

}  // namespace
}  // namespace design_test
