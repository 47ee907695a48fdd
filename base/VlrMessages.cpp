#include "base/VlrMessages.h"

#include "host/resstr.h"

namespace velar {

EVelarException::~EVelarException() = default;

namespace {

// The built-in texts, exactly as users and translators know them (several end
// without a full stop, one spells "Statement" with a capital S).
constexpr host::TResStringRec kMessages[] = {
    {szVelarResourceModule, VELAR_ERR_LIB_PATH_NOT_FOUND, "Could not find database library path."},
    {szVelarResourceModule, VELAR_ERR_LIB_LOAD_FAILED,
     "Could not load the Database Interface library."},
    {szVelarResourceModule, VELAR_ERR_LIB_INIT_FAILED, "Unable to initialize database interface"},
    {szVelarResourceModule, VELAR_ERR_LIB_WRONG,
     "Function not supported by this version of the Database Interface library."},
    {szVelarResourceModule, VELAR_ERR_SESS_NIL, "The session property is not linked to a session"},
    {szVelarResourceModule, VELAR_ERR_SESS_TRANS_ACTIVE,
     "A user transaction is already in progress"},
    {szVelarResourceModule, VELAR_ERR_SESS_CONNECTED, "Not allowed while connected to a database"},
    {szVelarResourceModule, VELAR_ERR_STMT_NOT_PREPARED, "The statement is not prepared."},
    {szVelarResourceModule, VELAR_ERR_CURS_NOT_QUERY, "The Statement is not a query"},
    {szVelarResourceModule, VELAR_ERR_CURS_IS_QUERY, "The statement is a query"},
    {szVelarResourceModule, VELAR_ERR_CURS_BI_NOT_SUPP, "Bidirectional cursors not supported."},
    {szVelarResourceModule, VELAR_ERR_CURS_NOT_PREPARED, "The cursor is not prepared."},
    {szVelarResourceModule, VELAR_ERR_CURS_NOT_OPENED, "The cursor is not opened."},
    {szVelarResourceModule, VELAR_ERR_CURS_READ_ONLY, "The cursor is read-only."},
    {szVelarResourceModule, VELAR_ERR_CURS_MISSING_ROWID, "Cursor is missing rowid."},
    {szVelarResourceModule, VELAR_ERR_FIELD_NOT_FOUND, "Field \"%s\" not found."},
    {szVelarResourceModule, VELAR_ERR_PARAM_NOT_FOUND, "Host variable \"%s\" not found."},
    {szVelarResourceModule, VELAR_ERR_BLOB_REQUIRED, "Field \"%s\" is not a blob."},
    {szVelarResourceModule, VELAR_ERR_BLOB_STREAM_INVALID, "Not a valid stream parameter."},
    {szVelarResourceModule, VELAR_ERR_BLOB_PICTURE_INVALID, "Not a valid picture parameter."},
    {szVelarResourceModule, VELAR_ERR_CONN_PARAM_VALUE,
     "The value of connection parameter \"%s\" cannot be written into a connection string: it "
     "needs braces but contains '}', or it contains a zero byte."},
    {szVelarResourceModule, VELAR_ERR_BACKUP_SELF,
     "Backup refused: the target %s is the database file itself."},
    {szVelarResourceModule, VELAR_ERR_TOO_MANY_FIELDS,
     "The result has %d columns; at most %d are supported."},
    {szVelarResourceModule, VELAR_ERR_TOO_MANY_VARIABLES,
     "The statement has %d host variables; at most %d are supported."},
    {szVelarResourceModule, VELAR_TXT_FALSE, "False"},
    {szVelarResourceModule, VELAR_TXT_TRUE, "True"},
};

}  // namespace

// Finds the record of the identifier and reads it through the host, which
// applies any translation installed for the base library's module. The table
// is small and read only on error paths, so a scan is enough.
std::string VlrLoadStr(int Ident) {
  for (const host::TResStringRec& message : kMessages)
    if (message.Identifier == Ident) return host::LoadResString(message);
  return std::string();
}

}  // namespace velar
