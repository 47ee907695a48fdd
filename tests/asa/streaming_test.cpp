// A session stored in a form file: defaults, what is written, and the
// deferred connect when a form is read.
#include <fstream>
#include <vector>

#include "host/formfile.h"
#include "host/typinfo.h"
#include "tests/asa/asa_fixture.h"

namespace asa_test {
namespace {

// A data module owning a session, with a handler the form file names.
class TSessionModule : public host::TComponent {
 public:
  explicit TSessionModule(host::TComponent* AOwner) : host::TComponent(AOwner) {}

  static const host::TMethodTable& Methods() {
    static const host::TMethodTable table(
        host::TComponent::Methods(),
        {host::Method("Session1AfterConnect", &TSessionModule::Session1AfterConnect)});
    return table;
  }
  // The connection is already usable here (Connected itself is recorded
  // once the connect has returned).
  void Session1AfterConnect(host::TObject* Sender) {
    auto* session = dynamic_cast<TAsaSession*>(Sender);
    std::string level;
    ConnectionUsableInHandler.push_back(session != nullptr &&
                                        session->GetOption("isolation_level", level));
  }
  TAsaSession* Session() const { return dynamic_cast<TAsaSession*>(FindComponent("Session1")); }

  std::vector<bool> ConnectionUsableInHandler;
};

class SessionStreamingTest : public AsaTest {
 protected:
  void SetUp() override {
    AsaTest::SetUp();
    host::RegisterClass<TSessionModule>();
  }
  // The form text of a module whose session is stored connected, with
  // Connected ahead of the properties the connect needs.
  std::string ConnectedForm() const {
    return "object Module: TSessionModule\n"
           "  object Session1: TAsaSession\n"
           "    Connected = True\n"
           "    LibraryPath = '" +
           LibDir() +
           "'\n"
           "    LoginDatabase = '" +
           database +
           "'\n"
           "    LoginUser = 'DBA'\n"
           "    LoginPassword = 'SQL'\n"
           "    WantRowCounts = True\n"
           "    AfterConnect = Session1AfterConnect\n"
           "  end\n"
           "end\n";
  }
};

TEST_F(SessionStreamingTest, DefaultsAreOmittedAndTheRestAlwaysWritten) {
  TSessionModule module(nullptr);
  module.SetName("Module");
  auto* session = new TAsaSession(&module);
  session->SetName("Session1");
  const std::string text = host::WriteComponentText(&module);
  EXPECT_EQ(text,
            "object Module: TSessionModule\n"
            "  object Session1: TAsaSession\n"
            "    AutoCommit = False\n"
            "    ClientParams = ''\n"
            "    Connected = False\n"
            "    LibraryFile = 'libdblib6.so'\n"
            "    LibraryPath = ''\n"
            "    LoginDatabase = ''\n"
            "    LoginUser = ''\n"
            "    LoginPassword = ''\n"
            "    LoginEngineName = ''\n"
            "    ServerParams = 'start=dbeng6'\n"
            "  end\n"
            "end\n");

  session->SetCommitOnDisconnect(false);
  session->SetServerType(velar::stWorkgroup);
  session->SetTransIsolation(velar::atSerializable);
  session->SetWantExceptions(true);
  session->SetOEMConvert(true);
  const std::string changed = host::WriteComponentText(&module);
  for (const char* line :
       {"CommitOnDisconnect = False\n", "OEMConvert = True\n", "ServerType = stWorkgroup\n",
        "TransIsolation = atSerializable\n", "WantExceptions = True\n"})
    EXPECT_NE(changed.find(line), std::string::npos) << line << changed;
}

TEST_F(SessionStreamingTest, SessionReadFromAFormFileConnectsInLoaded) {
  const std::string file = dir.File("module.vfm");
  std::ofstream(file) << ConnectedForm();
  std::unique_ptr<host::TComponent> root(host::CreateComponentFromFile(file));
  auto* module = dynamic_cast<TSessionModule*>(root.get());
  ASSERT_NE(module, nullptr);
  TAsaSession* session = module->Session();
  ASSERT_NE(session, nullptr);
  EXPECT_TRUE(session->Connected());
  EXPECT_FALSE(session->ComponentState().Contains(host::csReading));
  EXPECT_EQ(module->ConnectionUsableInHandler, std::vector<bool>{true});
  std::string rowCounts;
  ASSERT_TRUE(session->GetOption("row_counts", rowCounts));
  EXPECT_EQ(rowCounts, "ON") << "applied after the deferred connect";
  EXPECT_EQ(QueryInt(*session, "SELECT 9"), 9);
}

}  // namespace
}  // namespace asa_test
