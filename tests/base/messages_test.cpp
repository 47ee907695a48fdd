#include <gtest/gtest.h>

#include <string>

#include "base/VlrBase.h"
#include "host/resstr.h"
#include "host/sysutils.h"

namespace {

using namespace velar;

class MessageTable : public ::testing::Test {
 protected:
  void TearDown() override { host::RemoveResourceTranslation(szVelarResourceModule); }
};

// Identifiers carry their resource numbers, and every text reads exactly as
// users and translators know it.
TEST_F(MessageTable, EveryIdentifierHasItsNumberAndExactText) {
  struct Expected {
    int Ident;
    int Number;
    const char* Text;
  };
  const Expected table[] = {
      {VELAR_ERR_LIB_PATH_NOT_FOUND, 65520, "Could not find database library path."},
      {VELAR_ERR_LIB_LOAD_FAILED, 65521, "Could not load the Database Interface library."},
      {VELAR_ERR_LIB_INIT_FAILED, 65522, "Unable to initialize database interface"},
      {VELAR_ERR_LIB_WRONG, 65523,
       "Function not supported by this version of the Database Interface library."},
      {VELAR_ERR_SESS_NIL, 65524, "The session property is not linked to a session"},
      {VELAR_ERR_SESS_TRANS_ACTIVE, 65525, "A user transaction is already in progress"},
      {VELAR_ERR_SESS_CONNECTED, 65526, "Not allowed while connected to a database"},
      {VELAR_ERR_STMT_NOT_PREPARED, 65527, "The statement is not prepared."},
      {VELAR_ERR_CURS_NOT_QUERY, 65528, "The Statement is not a query"},
      {VELAR_ERR_CURS_IS_QUERY, 65529, "The statement is a query"},
      {VELAR_ERR_CURS_BI_NOT_SUPP, 65530, "Bidirectional cursors not supported."},
      {VELAR_ERR_CURS_NOT_PREPARED, 65531, "The cursor is not prepared."},
      {VELAR_ERR_CURS_NOT_OPENED, 65532, "The cursor is not opened."},
      {VELAR_ERR_CURS_READ_ONLY, 65533, "The cursor is read-only."},
      {VELAR_ERR_CURS_MISSING_ROWID, 65534, "Cursor is missing rowid."},
      {VELAR_ERR_FIELD_NOT_FOUND, 65535, "Field \"%s\" not found."},
      {VELAR_ERR_PARAM_NOT_FOUND, 65504, "Host variable \"%s\" not found."},
      {VELAR_ERR_BLOB_REQUIRED, 65505, "Field \"%s\" is not a blob."},
      {VELAR_ERR_BLOB_STREAM_INVALID, 65506, "Not a valid stream parameter."},
      {VELAR_ERR_BLOB_PICTURE_INVALID, 65507, "Not a valid picture parameter."},
      {VELAR_TXT_FALSE, 65508, "False"},
      {VELAR_TXT_TRUE, 65509, "True"},
      {VELAR_ERR_CONN_PARAM_VALUE, 65490,
       "The value of connection parameter \"%s\" cannot be written into a connection string: it "
       "needs braces but contains '}', or it contains a zero byte."},
      {VELAR_ERR_BACKUP_SELF, 65491, "Backup refused: the target %s is the database file itself."},
  };
  for (const Expected& entry : table) {
    EXPECT_EQ(entry.Ident, entry.Number) << entry.Text;
    EXPECT_EQ(VlrLoadStr(entry.Number), entry.Text) << entry.Number;
  }
  EXPECT_EQ(VlrLoadStr(65510), "");
}

TEST_F(MessageTable, IdentityConstants) {
  EXPECT_STREQ(szVelarDBVersion, "1.83");
  EXPECT_STREQ(szVelarLibraryName, "VelarDB");
}

// A translation replaces what it carries, leaves the rest built in, touches
// no other module, and can be taken back.
TEST_F(MessageTable, TranslationWinsAndFallsBackPerEntry) {
  host::InstallResourceTranslation(
      szVelarResourceModule, {{VELAR_TXT_TRUE, "Wahr"}, {VELAR_ERR_FIELD_NOT_FOUND, "Feld %s?"}});
  host::InstallResourceTranslation("OtherModule", {{VELAR_TXT_FALSE, "Falsch"}});
  EXPECT_EQ(VlrLoadStr(VELAR_TXT_TRUE), "Wahr");
  EXPECT_EQ(host::Format(VlrLoadStr(VELAR_ERR_FIELD_NOT_FOUND), "X"), "Feld X?");
  EXPECT_EQ(VlrLoadStr(VELAR_TXT_FALSE), "False");

  host::InstallResourceTranslation(szVelarResourceModule, {{VELAR_TXT_FALSE, "Faux"}});
  EXPECT_EQ(VlrLoadStr(VELAR_TXT_TRUE), "True") << "installing again replaces the whole table";
  EXPECT_EQ(VlrLoadStr(VELAR_TXT_FALSE), "Faux");

  EXPECT_TRUE(host::RemoveResourceTranslation(szVelarResourceModule));
  EXPECT_FALSE(host::RemoveResourceTranslation(szVelarResourceModule));
  EXPECT_TRUE(host::RemoveResourceTranslation("OtherModule"));
  EXPECT_EQ(VlrLoadStr(VELAR_TXT_FALSE), "False");
}

}  // namespace
