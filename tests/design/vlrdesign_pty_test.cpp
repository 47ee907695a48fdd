// vlrdesign on a pseudo-terminal, driven by keys as a developer drives it:
// a session is added and set up through its property editors, its About
// verb is shown, a dataset is added with its SQL and its parameter declared
// in the parameter dialog, the module is saved, and a program then loads
// the saved file and finds the session connected and the dataset open on
// the rows the parameter selects.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "asa/dataset/VlrAsaDS.h"
#include "host/fields.h"
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
  // The table the dataset reads: ids 1 to 4.
  void MakeTable() {
    std::unique_ptr<velar::TAsaSession> session = NewSession();
    session->SetConnected(true);
    ASSERT_TRUE(session->Connected()) << session->LastError();
    Exec(*session, "create table t (id integer primary key, name varchar(20))");
    Exec(*session, "insert into t values (1, 'one'), (2, 'two'), (3, 'three'), (4, 'four')");
  }
  // Types a property's first letters in the inspector and opens its editor.
  void EditProperty(TPtyProgram& Designer, const std::string& Prefix) {
    Designer.Send(Prefix);
    Designer.Send(keys::kEnter);
  }
  // The inspector row of a property showing Value.
  static std::string Row(const std::string& Property, const std::string& Value) {
    return Property + std::string(20 - Property.size(), ' ') + Value;
  }
  // The 12 x 6 cells right of the palette list's frame, from its top row.
  static std::string ImageBesideThePalette(const std::string& Screen) {
    std::vector<std::string> lines;
    std::istringstream text(Screen);
    for (std::string line; std::getline(text, line);)
      lines.push_back(line);
    std::string image;
    for (std::size_t top = 0; top < lines.size(); ++top) {
      const std::size_t frame = lines[top].find("|+-");
      if (frame == std::string::npos) continue;
      const std::size_t corner = lines[top].find('+', frame + 2);
      for (std::size_t row = top; row < top + 6 && row < lines.size(); ++row) {
        std::string cells = lines[row].size() > corner + 2 ? lines[row].substr(corner + 2, 12) : "";
        image += cells + std::string(12 - cells.size(), ' ') + "\n";
      }
      break;
    }
    return image;
  }
};

TEST_F(VlrDesignOnTerminal, ASessionAndADatasetSetUpInTheDesignerAreSavedAndOpenWhenLoaded) {
  ASSERT_NO_FATAL_FAILURE(MakeTable());
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

  // A dataset: from the palette (Tab twice from the inspector), on the
  // session, with a parameter in its SQL.
  designer.Send(keys::kTab);
  designer.Send(keys::kTab);
  designer.Send("TAsaD");
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor("Properties of AsaDataset1")) << designer.Screen();

  EditProperty(designer, "Sess");
  ASSERT_TRUE(designer.WaitFor("|AsaSession1")) << designer.Screen();
  designer.Send(keys::kDown);
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor(Row("Session", "AsaSession1"))) << designer.Screen();

  EditProperty(designer, "SQL");
  ASSERT_TRUE(designer.WaitFor("AsaDataset1.SQL")) << designer.Screen();
  designer.Send(keys::kAlt + std::string("l"));
  designer.Send("SELECT * FROM t WHERE id > :minid");
  designer.Send(keys::kAlt + std::string("a"));
  ASSERT_TRUE(designer.WaitFor("|SELECT * FROM t WHERE id > :minid")) << designer.Screen();
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitGone("AsaDataset1.SQL")) << designer.Screen();

  // The parameter dialog lists the SQL text's parameter; it becomes an
  // integer of value 2.
  EditProperty(designer, "Params");
  ASSERT_TRUE(designer.WaitFor("AsaDataset1.TAsaParams Parameters")) << designer.Screen();
  ASSERT_TRUE(designer.WaitFor("|minid")) << designer.Screen();
  designer.Send(keys::kAlt + std::string("d"));
  designer.Send("ntI");
  ASSERT_TRUE(designer.WaitFor("ntInteger")) << designer.Screen();
  designer.Send(keys::kAlt + std::string("v"));
  designer.Send("2");
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitGone("Declare Parameters")) << designer.Screen();

  // Opened at design time, on the connected session.
  EditProperty(designer, "Acti");
  ASSERT_TRUE(designer.WaitFor("|True")) << designer.Screen();
  designer.Send(keys::kDown);
  designer.Send(keys::kEnter);
  ASSERT_TRUE(designer.WaitFor(Row("Active", "True"))) << designer.Screen();

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

  // The dataset opens in Loaded, after its session, with the parameter's
  // stored type and value.
  EXPECT_NE(saved.find("object AsaDataset1: TAsaDataset"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Params.Data = {"), std::string::npos) << saved;
  auto* dataset = dynamic_cast<velar::TAsaDataset*>(module->FindComponent("AsaDataset1"));
  ASSERT_NE(dataset, nullptr);
  EXPECT_EQ(dataset->GetSession(), session);
  ASSERT_EQ(dataset->Params()->Count(), 1);
  velar::TAsaParam* minid = dataset->Params()->GetParam(0);
  EXPECT_EQ(minid->Name, "minid");
  EXPECT_EQ(minid->DataType(), velar::ntInteger);
  EXPECT_EQ(minid->GetAsInteger(), 2);
  ASSERT_TRUE(dataset->Active());
  std::vector<std::string> rows;
  for (dataset->First(); !dataset->Eof(); dataset->Next())
    rows.push_back(dataset->FieldByName("name")->GetAsString());
  EXPECT_EQ(rows, (std::vector<std::string>{"three", "four"}));
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

// The program carries the palette images: beside the palette, the image
// of the selected class in shades, another for each class.
TEST_F(VlrDesignOnTerminal, ThePaletteShowsTheImageOfTheSelectedClass) {
  TPtyProgram designer(VLRDESIGN_PROGRAM, {"images.vfm"}, dir.Path());
  ASSERT_TRUE(designer.Started());
  ASSERT_TRUE(designer.WaitFor("|TAsaDataset")) << designer.Screen();
  std::vector<std::string> images;
  for (const char* name : {"TAsaSession", "TAsaSQL", "TAsaDataset"}) {
    SCOPED_TRACE(name);
    if (!images.empty()) designer.Send(keys::kDown);
    const bool shown = designer.WaitUntil([&](const std::string& Screen) {
      const std::string image = ImageBesideThePalette(Screen);
      return image.find_first_of("=+*#%@") != std::string::npos &&
             (images.empty() || image != images.back());
    });
    designer.Settle(200);
    ASSERT_TRUE(shown) << designer.Screen();
    images.push_back(ImageBesideThePalette(designer.Screen()));
  }
  EXPECT_NE(images[0], images[2]) << images[0] << images[2];
  designer.Send(keys::kF10);
  EXPECT_EQ(designer.WaitExit(), 0) << designer.Screen();
}

}  // namespace
