// A statement stored in a form file: its published properties and its link
// to a session, written by name and resolved when the form is read.
#include "host/formfile.h"
#include "host/typinfo.h"
#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

// A data module owning a session and a statement.
class TStatementModule : public host::TComponent {
 public:
  explicit TStatementModule(host::TComponent* AOwner) : host::TComponent(AOwner) {}
};

TEST(StatementStreaming, PropertiesAndTheSessionLinkRoundTrip) {
  host::RegisterClass<TStatementModule>();
  TStatementModule module(nullptr);
  module.SetName("Module");
  auto* session = new TAsaSession(&module);
  session->SetName("Session1");
  auto* query = new TAsaSQL(&module);
  query->SetName("Query1");
  const std::string unlinked = host::WriteComponentText(&module);
  EXPECT_NE(unlinked.find("  object Query1: TAsaSQL\n  end\n"), std::string::npos) << unlinked;

  query->SetSession(session);
  query->SetUniDirectional(false);
  query->SetWantExceptions(true);
  const std::string text = host::WriteComponentText(&module);
  EXPECT_NE(text.find("  object Query1: TAsaSQL\n"
                      "    Session = Session1\n"
                      "    UniDirectional = False\n"
                      "    WantExceptions = True\n"
                      "  end\n"),
            std::string::npos)
      << text;

  // The statement comes before its session: the link is resolved at the end.
  const std::string reordered =
      "object Module: TStatementModule\n"
      "  object Query1: TAsaSQL\n"
      "    Session = Session1\n"
      "    UniDirectional = False\n"
      "  end\n"
      "  object Session1: TAsaSession\n"
      "  end\n"
      "end\n";
  TStatementModule loaded(nullptr);
  host::ReadComponentText(&loaded, reordered);
  auto* readQuery = dynamic_cast<TAsaSQL*>(loaded.FindComponent("Query1"));
  auto* readSession = dynamic_cast<TAsaSession*>(loaded.FindComponent("Session1"));
  ASSERT_NE(readQuery, nullptr);
  ASSERT_NE(readSession, nullptr);
  EXPECT_EQ(readQuery->GetSession(), readSession);
  EXPECT_EQ(readSession->QueryCount(), 1);
  EXPECT_FALSE(readQuery->UniDirectional());
  EXPECT_FALSE(readQuery->WantExceptions());
}

}  // namespace
}  // namespace asa_test
