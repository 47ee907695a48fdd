// vlrdesign on a pseudo-terminal, driven by keys as a developer drives it:
// a session is added and set up through its property editors, its About
// verb is shown, the module is saved, and a program then loads the saved
// file and finds the session connected.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "host/formfile.h"
#include "host/forms.h"
#include "tests/asa/asa_fixture.h"
#include "tests/design/terminal_screen.h"

namespace {

using asa_test::LibDir;
using terminal_test::TPtyProgram;
namespace keys = terminal_test::keys;

std::string ReadFile(const std::string& Name) {
  std::ifstream file(Name);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class VlrDesignOnTerminal : public asa_test::AsaTest {
 protected:
  // Types a property's first letters in the inspector and opens its editor.
  void EditProperty(TPtyProgram& Designer, const std::string& Prefix) {
    Designer.Send(Prefix);
    Designer.Send(keys::kEnter);
  }
  // The inspector row of a property showing Value.
  static std::string Row(const std::string& Property, const std::string& Value) {
    return Property + std::string(20 - Property.size(), ' ') + Value;
  }
};

TEST_F(VlrDesignOnTerminal, ASessionSetUpInTheDesignerIsSavedAndConnectsWhenLoaded) {
  const std::string moduleFile = dir.File("module.vfm");
  TPtyProgram designer(VLRDESIGN_PROGRAM, {"module.vfm"}, dir.Path());
  ASSERT_TRUE(designer.Started());
  ASSERT_TRUE(designer.WaitFor("vlrdesign - module.vfm")) << designer.Screen();
  EXPECT_TRUE(designer.WaitFor("Palette: VelarDB")) << designer.Screen();
  EXPECT_TRUE(designer.WaitFor("|TAsaSession")) << designer.Screen();

  // The palette has the focus: Enter adds its selected component.
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor("Properties of AsaSession1")) << designer.Screen();
  EXPECT_TRUE(designer.WaitFor("AsaSession1: TAsaSession")) << designer.Screen();

  EditProperty(designer, "LibraryP");
  ASSERT_TRUE(designer.WaitFor("Choose Folder")) << designer.Screen();
  designer.Send(LibDir());
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor(Row("LibraryPath", LibDir() + " ..."))) << designer.Screen();

  EditProperty(designer, "LibraryF");
  ASSERT_TRUE(designer.WaitFor("Library Files (*.so)")) << designer.Screen();
  designer.Send(LibDir() + "/libdblib7.so");
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor(Row("LibraryFile", "libdblib7.so ..."))) << designer.Screen();

  EditProperty(designer, "LoginD");
  ASSERT_TRUE(designer.WaitFor("Databases (*.db)")) << designer.Screen();
  designer.Send(database);
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor(Row("LoginDatabase", database))) << designer.Screen();

  EditProperty(designer, "LoginU");
  ASSERT_TRUE(designer.WaitFor("LoginUser:")) << designer.Screen();
  designer.Send("DBA");
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor(Row("LoginUser", "DBA"))) << designer.Screen();

  EditProperty(designer, "LoginP");
  ASSERT_TRUE(designer.WaitFor("LoginPassword:")) << designer.Screen();
  designer.Send("SQL");
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor(Row("LoginPassword", "SQL"))) << designer.Screen();

  // Connecting at design time: the pick list offers False and True.
  EditProperty(designer, "Conn");
  ASSERT_TRUE(designer.WaitFor("|True")) << designer.Screen();
  designer.Send(keys::kDown);
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor(Row("Connected", "True"))) << designer.Screen();

  // The session's context menu and its About box.
  designer.Send(keys::kF4);
  ASSERT_TRUE(designer.WaitFor("|About VelarDB 1.83")) << designer.Screen();
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor("VelarDB 1.83 for Sybase SQL Anywhere")) << designer.Screen();
  EXPECT_TRUE(designer.WaitFor("Database access components")) << designer.Screen();
  designer.Send(keys::kEnter);
  EXPECT_TRUE(designer.WaitGone("Database access components")) << designer.Screen();

  designer.Send(keys::kF2);
  ASSERT_TRUE(designer.WaitFor("vlrdesign - module.vfm -")) << designer.Screen();
  designer.Send(keys::kF10);
  EXPECT_EQ(designer.WaitExit(), 0) << designer.Screen();

  const std::string saved = ReadFile(moduleFile);
  EXPECT_NE(saved.find("object AsaSession1: TAsaSession"), std::string::npos) << saved;
  EXPECT_NE(saved.find("LibraryFile = 'libdblib7.so'"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Connected = True"), std::string::npos) << saved;

  // A program reads the file at run time; the session connects in Loaded.
  std::unique_ptr<host::TComponent> module(host::CreateComponentFromFile(moduleFile));
  ASSERT_EQ(module->ClassName(), "TDataModule");
  auto* session = dynamic_cast<velar::TAsaSession*>(module->FindComponent("AsaSession1"));
  ASSERT_NE(session, nullptr);
  EXPECT_TRUE(session->Connected()) << session->LastError();
  EXPECT_EQ(session->LoginDatabase(), database);
  EXPECT_EQ(QueryInt(*session, "select 6 * 7"), 42);
}

TEST_F(VlrDesignOnTerminal, QuittingAModifiedModuleAsksAndCanSave) {
  TPtyProgram designer(VLRDESIGN_PROGRAM, {"fresh.vfm"}, dir.Path());
  ASSERT_TRUE(designer.Started());
  ASSERT_TRUE(designer.WaitFor("vlrdesign - fresh.vfm")) << designer.Screen();
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor("fresh.vfm *")) << designer.Screen();
  designer.Send(keys::kF10);
  ASSERT_TRUE(designer.WaitFor("Save changes to DataModule1?")) << designer.Screen();
  designer.Send(keys::kEnter);  // Yes
  EXPECT_EQ(designer.WaitExit(), 0) << designer.Screen();
  EXPECT_NE(ReadFile(dir.File("fresh.vfm")).find("object AsaSession1: TAsaSession"),
            std::string::npos);
}

}  // namespace
