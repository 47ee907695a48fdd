// A data module holding a session and an open dataset, written to a form
// file and read back: the dataset's stored properties, its parameters and
// its opening once the whole file is read.
#include <memory>

#include "host/formfile.h"
#include "host/typinfo.h"
#include "tests/dataset/dataset_fixture.h"

namespace dataset_test {
namespace {

class TStoredModule : public host::TComponent {
 public:
  explicit TStoredModule(host::TComponent* Owner) : host::TComponent(Owner) {}
};

const host::TClassInfo& storedModuleClass = host::RegisterClass<TStoredModule>();

using FormFileTest = DatasetTest;

TEST_F(FormFileTest, AnOpenDatasetIsStoredAndOpensAgainWhenRead) {
  MakeNumbers(12);
  std::string text;
  {
    TStoredModule module(nullptr);
    module.SetName("Module");
    auto* moduleSession = new velar::TAsaSession(&module);
    moduleSession->SetName("Session1");
    moduleSession->SetLibraryPath(asa_test::LibDir());
    moduleSession->SetLibraryFile(libraryFile);
    moduleSession->SetLoginDatabase(database);
    moduleSession->SetLoginUser("DBA");
    moduleSession->SetLoginPassword("SQL");
    auto* query = new TAsaDataset(&module);
    query->SetName("Query1");
    query->SetSession(moduleSession);
    query->SQL()->SetText("SELECT id, name FROM numbers\nWHERE id > :low ORDER BY id");
    query->ParamByName("low")->SetAsInteger(9);
    query->SetReadOnly(false);
    query->Open();
    text = host::WriteComponentText(&module);
  }
  EXPECT_NE(text.find("  object Query1: TAsaDataset\n"
                      "    Active = True\n"
                      "    Params.Data = {"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("    ReadOnly = False\n"
                      "    Session = Session1\n"
                      "    SQL.Strings = (\n"
                      "      'SELECT id, name FROM numbers'\n"
                      "      'WHERE id > :low ORDER BY id')\n"
                      "  end\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("ParamCheck"), std::string::npos) << "defaults are not stored";
  EXPECT_EQ(text.find("TAsaDatasetSQL"), std::string::npos) << "nor the internal statement";

  std::unique_ptr<host::TComponent> module(host::CreateComponentFromText(text));
  auto* query = dynamic_cast<TAsaDataset*>(module->FindComponent("Query1"));
  ASSERT_NE(query, nullptr);
  ASSERT_TRUE(query->Active());
  EXPECT_FALSE(query->ReadOnly());
  EXPECT_EQ(query->GetSession(), module->FindComponent("Session1"));
  EXPECT_EQ(query->RecordCount(), 3) << "opened with the stored parameter";
  EXPECT_EQ(query->FieldByName("id")->AsInteger(), 10);
  EXPECT_EQ(query->ParamByName("low")->GetAsInteger(), 9);
}

}  // namespace
}  // namespace dataset_test
