// The session's file and directory property editors: the dialog each opens,
// what it stores, and that the designer hears of a change only when there
// is one.
#include <memory>
#include <string>

#include "asa/VlrAsa.h"
#include "base/design/VlrProps.h"
#include "host/controls_files.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/forms.h"
#include "host/typinfo.h"
#include "tests/design/design_fixture.h"
#include "tests/support/velar_test.h"

namespace design_test {
namespace {

using velar::TAsaSession;
using velar::testing::TempDir;

std::vector<std::string> Items(host::TFormScript& ui, const char* Name) {
  std::vector<std::string> items;
  host::TStrings* strings = ui.Control<host::TComboBox>(Name).Items();
  for (int i = 0; i < strings->Count(); ++i)
    items.push_back(strings->Strings(i));
  return items;
}

// A data module with a session, its editors made for a counting designer.
class VelarPropertyEditors : public DesignTest {
 protected:
  void SetUp() override {
    DesignTest::SetUp();
    ASSERT_FALSE(dir.Path().empty());
    module.SetName("Module");
    session = new TAsaSession(&module);
    session->SetName("Session1");
    dir.Touch("sales.db");
    dir.Touch("libdblib6.so");
  }
  template <class E>
  std::unique_ptr<E> Editor(const char* Property) {
    return std::make_unique<E>(&designer, session, *TAsaSession::Properties().Find(Property));
  }

  TempDir dir;
  host::TDataModule module{nullptr};
  TAsaSession* session = nullptr;
  TCountingDesigner designer{&module};
};

TEST_F(VelarPropertyEditors, EachOffersADialogAndReverting) {
  const host::TPropertyAttributes expected{host::paDialog, host::paRevertable};
  EXPECT_EQ(Editor<velar::TVelarPathProperty>("LibraryPath")->GetAttributes(), expected);
  EXPECT_EQ(Editor<velar::TVelarDBFileProperty>("LoginDatabase")->GetAttributes(), expected);
  EXPECT_EQ(Editor<velar::TVelarLibFileProperty>("LibraryFile")->GetAttributes(), expected);
  EXPECT_EQ(expected.Bits(), 4u | 128u);
}

TEST_F(VelarPropertyEditors, ThePathEditorStoresTheChosenFolderOnOkOnly) {
  session->SetLibraryPath(dir.Path());
  auto editor = Editor<velar::TVelarPathProperty>("LibraryPath");
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(ui.Form().Caption(), "Choose Folder");
    EXPECT_EQ(ui.Control<host::TEdit>("edPath").Text(), dir.Path()) << "preset with the value";
    ui.Type("edPath", "/somewhere/else");
    ui.Escape();
  });
  editor->Edit();
  EXPECT_EQ(session->LibraryPath(), dir.Path());
  EXPECT_EQ(designer.ModifiedCount, 0);

  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("edPath", "/opt/asa");
    ui.Click("btnOK");
  });
  editor->Edit();
  EXPECT_EQ(session->LibraryPath(), "/opt/asa");
  EXPECT_EQ(designer.ModifiedCount, 1);
}

TEST_F(VelarPropertyEditors, TheDatabaseEditorStoresTheFullFileName) {
  session->SetLoginDatabase(dir.File("old.db"));
  auto editor = Editor<velar::TVelarDBFileProperty>("LoginDatabase");
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(Items(ui, "cbFileType"),
              (std::vector<std::string>{"Databases (*.db)", "All Files (*.*)"}));
    EXPECT_EQ(ui.Control<host::TEdit>("edFileName").Text(), "old.db");
    EXPECT_EQ(ui.Control<host::TDirectoryListBox>("dlDirectory").Directory(), dir.Path());
    ui.Enter();  // old.db does not exist: refused, the dialog stays
    EXPECT_FALSE(ui.Closed());
    ui.ClickItem("lbFiles", 0);
    ui.Enter();
  });
  editor->Edit();
  EXPECT_EQ(session->LoginDatabase(), dir.File("sales.db"));
  EXPECT_EQ(designer.ModifiedCount, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].substr(0, messages[0].find('\n')), dir.File("old.db"));
}

TEST_F(VelarPropertyEditors, TheLibraryEditorStoresTheFileNameAlone) {
  auto editor = Editor<velar::TVelarLibFileProperty>("LibraryFile");
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(Items(ui, "cbFileType"),
              (std::vector<std::string>{"Library Files (*.so)", "All Files (*.*)"}));
    ui.Type("edFileName", dir.File("libdblib6.so"));
    ui.Enter();
  });
  editor->Edit();
  EXPECT_EQ(session->LibraryFile(), "libdblib6.so");
  EXPECT_EQ(designer.ModifiedCount, 1);

  driver.Expect([](host::TFormScript& ui) { ui.CloseByFrame(); });
  editor->Edit();
  EXPECT_EQ(designer.ModifiedCount, 1);
}

TEST_F(VelarPropertyEditors, ADialogThatFailsToShowIsFreedAndTheValueKept) {
  host::TFormDriverScope none(nullptr);
  session->SetLibraryPath("/opt/asa");
  EXPECT_THROW(Editor<velar::TVelarPathProperty>("LibraryPath")->Edit(), host::EInvalidOperation);
  EXPECT_THROW(Editor<velar::TVelarDBFileProperty>("LoginDatabase")->Edit(),
               host::EInvalidOperation);
  EXPECT_EQ(session->LibraryPath(), "/opt/asa");
  EXPECT_EQ(host::Application->ComponentCount(), 0);
}

}  // namespace
}  // namespace design_test
