// The common dialogs, played through the scripted driver: choosing a file,
// answering a message, entering a line, editing lines.
#include <filesystem>
#include <string>
#include <vector>

#include "host/application.h"
#include "host/controls_files.h"
#include "host/dialogs.h"
#include "host/os.h"
#include "host/strings.h"
#include "tests/host/forms_fixture.h"
#include "tests/support/velar_test.h"

namespace forms_test {
namespace {

using velar::testing::TempDir;

// A directory with two databases, a text file and a subdirectory, and the
// application's message box replaced by a recorder.
class OpenDialogTest : public FormsTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    dir.Touch("sales.db");
    dir.Touch("stock.DB");
    dir.Touch("notes.txt");
    std::filesystem::create_directory(dir.File("archive"));
    dir.Touch("archive/old.db");
    previous = host::Application->SetMessageBoxHandler(
        [this](const std::string& Text, const std::string&, int) {
          messages.push_back(Text);
          return host::IDOK;
        });
    dialog.SetFilter("Databases (*.db)|*.db|All Files (*.*)|*.*");
    dialog.SetInitialDir(dir.Path());
    dialog.SetOptions(
        host::TOpenOptions{host::ofNoChangeDir, host::ofPathMustExist, host::ofFileMustExist});
  }
  void TearDown() override {
    host::Application->SetMessageBoxHandler(previous);
    FormsTest::TearDown();
  }
  static std::vector<std::string> Lines(host::TFormScript& ui, const char* List) {
    std::vector<std::string> lines;
    host::TStrings* items = ui.Control<host::TListBox>(List).Items();
    for (int i = 0; i < items->Count(); ++i)
      lines.push_back(items->Strings(i));
    return lines;
  }

  TempDir dir;
  host::TOpenDialog dialog{nullptr};
  std::vector<std::string> messages;
  host::TApplication::TMessageBoxHandler previous;
};

TEST_F(OpenDialogTest, ListsTheFilesOfTheChosenFilterAndReturnsTheFullPath) {
  std::vector<std::string> databases, all;
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(ui.Form().Caption(), "Open");
    databases = Lines(ui, "lbFiles");
    ui.Choose("cbFileType", "All Files (*.*)");
    all = Lines(ui, "lbFiles");
    ui.ClickItem("lbFiles", 1);  // sales.db
    ui.Enter();
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(databases, (std::vector<std::string>{"sales.db", "stock.DB"}));
  EXPECT_EQ(all, (std::vector<std::string>{"notes.txt", "sales.db", "stock.DB"}));
  EXPECT_EQ(dialog.FileName(), dir.File("sales.db"));
  EXPECT_EQ(dialog.FilterIndex(), 2);
}

TEST_F(OpenDialogTest, ATypedDirectoryIsEnteredAndAMissingFileRefused) {
  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("edFileName", "archive");
    ui.Enter();
    EXPECT_FALSE(ui.Closed());
    EXPECT_EQ(ui.Control<host::TDirectoryListBox>("dlDirectory").Directory(), dir.File("archive"));
    EXPECT_EQ(Lines(ui, "lbFiles"), (std::vector<std::string>{"old.db"}));
    ui.Type("edFileName", "missing.db");
    ui.Enter();
    EXPECT_FALSE(ui.Closed());
    ui.Type("edFileName", "old.db");
    ui.Enter();
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), dir.File("archive/old.db"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], dir.File("archive/missing.db") +
                             "\nFile not found.\nCheck the file name and try again.");
}

TEST_F(OpenDialogTest, StartsWhereTheFileNameIsAndCancelKeepsIt) {
  dialog.SetInitialDir("");
  dialog.SetFileName(dir.File("archive/old.db"));
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(ui.Control<host::TEdit>("edFileName").Text(), "old.db");
    EXPECT_EQ(ui.Control<host::TDirectoryListBox>("dlDirectory").Directory(), dir.File("archive"));
    ui.Escape();
  });
  const std::string cwd = host::GetCurrentDir();
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), dir.File("archive/old.db"));
  EXPECT_EQ(host::GetCurrentDir(), cwd);
}

TEST_F(OpenDialogTest, WithoutFileMustExistANewNameIsAccepted) {
  dialog.SetOptions(host::TOpenOptions{host::ofPathMustExist});
  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("edFileName", "new.db");
    ui.Enter();
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), dir.File("new.db"));
  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("edFileName", "nowhere/new.db");
    ui.Enter();
    EXPECT_FALSE(ui.Closed());
    ui.Escape();
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(messages,
            (std::vector<std::string>{"The path " + dir.File("nowhere/") + " does not exist."}));
}

class CommonDialogs : public FormsTest {};

TEST_F(CommonDialogs, AMessageFormAnswersWithTheButtonChosen) {
  driver.Expect([](host::TFormScript& ui) {
    EXPECT_NE(ui.Screen().find("Save changes?"), std::string::npos) << ui.Screen();
    ui.Click("btnNo");
  });
  EXPECT_EQ(host::ShowMessageForm("Save changes?", "Designer", 3), host::IDNO);
  driver.Expect([](host::TFormScript& ui) { ui.Enter(); });
  EXPECT_EQ(host::ShowMessageForm("Done", "Designer", host::MB_OK), host::IDOK);
  driver.Expect([](host::TFormScript& ui) { ui.CloseByFrame(); });
  EXPECT_EQ(host::ShowMessageForm("Stop?", "Designer", host::MB_OKCANCEL), host::IDCANCEL);
}

TEST_F(CommonDialogs, InputQueryChangesTheValueOnlyWhenConfirmed) {
  std::string value = "DBA";
  driver.Expect([](host::TFormScript& ui) {
    ui.Type("edValue", "admin");
    ui.Escape();
  });
  EXPECT_FALSE(host::InputQuery("LoginUser", "Value:", value));
  EXPECT_EQ(value, "DBA");
  driver.Expect([](host::TFormScript& ui) {
    ui.Type("edValue", "admin");
    ui.Enter();
  });
  EXPECT_TRUE(host::InputQuery("LoginUser", "Value:", value));
  EXPECT_EQ(value, "admin");
}

TEST_F(CommonDialogs, TheStringListEditorAddsReplacesAndDeletesLines) {
  host::TStringList lines;
  lines.SetText("select *\nfrom t");
  driver.Expect([](host::TFormScript& ui) {
    ui.ClickItem("lbLines", 1);
    ui.Type("edLine", "from orders");
    ui.Click("btnReplace");
    ui.Type("edLine", "where id = :id");
    ui.Click("btnAdd");
    ui.ClickItem("lbLines", 0);
    ui.Click("btnDelete");
    ui.Type("edLine", "select id");
    ui.Click("btnAdd");
    ui.Click("btnOK");
  });
  ASSERT_TRUE(host::EditStringList("Query1.SQL", &lines));
  EXPECT_EQ(lines.Text(), "from orders\nselect id\nwhere id = :id");
}

// Lines are typed one after another: Add leaves the line edit empty and
// focused, so that Enter then ends the editing instead of adding again.
TEST_F(CommonDialogs, TheStringListEditorTakesLineAfterLineAndEnterEnds) {
  host::TStringList lines;
  driver.Expect([](host::TFormScript& ui) {
    ui.Type("edLine", "select *");
    ui.Click("btnAdd");
    auto& line = ui.Control<host::TEdit>("edLine");
    EXPECT_EQ(ui.Form().ActiveControl(), &line);
    EXPECT_EQ(line.Text(), "");
    ui.Type("from t");
    ui.Key('A', host::TShiftState{host::ssAlt});
    ui.Enter();
    EXPECT_TRUE(ui.Closed());
  });
  ASSERT_TRUE(host::EditStringList("Query1.SQL", &lines));
  EXPECT_EQ(lines.Text(), "select *\nfrom t");
}

}  // namespace
}  // namespace forms_test
