// The library's identity, its exception class and its message table.
//
// Every text the library raises on its own account is a resource string of the
// base library's module, numbered by the identifier's value, so that a
// translation installed for that module (host/resstr.h) replaces it at run
// time. Texts with placeholders are filled with host::Format.
#pragma once

#include <string>

#include "host/exceptions.h"

namespace velar {

// The library's version, shown in the About box.
inline constexpr char szVelarDBVersion[] = "1.83";
// The library's name: message-box caption, About texts, and the module name the
// driver hands to the client library with its statements.
inline constexpr char szVelarLibraryName[] = "VelarDB";
// The module that owns the message table; translations are installed under it.
inline constexpr char szVelarResourceModule[] = "VlrPack5";

// Every error the base raises is of this class; drivers derive theirs from it.
class EVelarException : public host::Exception {
 public:
  using host::Exception::Exception;
  ~EVelarException() override;
};

// Message identifiers; each value is the text's resource number.
inline constexpr int VELAR_ERR_LIB_PATH_NOT_FOUND = 65520;
inline constexpr int VELAR_ERR_LIB_LOAD_FAILED = 65521;
inline constexpr int VELAR_ERR_LIB_INIT_FAILED = 65522;
inline constexpr int VELAR_ERR_LIB_WRONG = 65523;
inline constexpr int VELAR_ERR_SESS_NIL = 65524;
inline constexpr int VELAR_ERR_SESS_TRANS_ACTIVE = 65525;
inline constexpr int VELAR_ERR_SESS_CONNECTED = 65526;
inline constexpr int VELAR_ERR_STMT_NOT_PREPARED = 65527;
inline constexpr int VELAR_ERR_CURS_NOT_QUERY = 65528;
inline constexpr int VELAR_ERR_CURS_IS_QUERY = 65529;
inline constexpr int VELAR_ERR_CURS_BI_NOT_SUPP = 65530;
inline constexpr int VELAR_ERR_CURS_NOT_PREPARED = 65531;
inline constexpr int VELAR_ERR_CURS_NOT_OPENED = 65532;
inline constexpr int VELAR_ERR_CURS_READ_ONLY = 65533;
inline constexpr int VELAR_ERR_CURS_MISSING_ROWID = 65534;
inline constexpr int VELAR_ERR_FIELD_NOT_FOUND = 65535;
inline constexpr int VELAR_ERR_PARAM_NOT_FOUND = 65504;
inline constexpr int VELAR_ERR_BLOB_REQUIRED = 65505;
inline constexpr int VELAR_ERR_BLOB_STREAM_INVALID = 65506;
inline constexpr int VELAR_ERR_BLOB_PICTURE_INVALID = 65507;
inline constexpr int VELAR_TXT_FALSE = 65508;
inline constexpr int VELAR_TXT_TRUE = 65509;
// Refusals added later, numbered below the first table so that its numbers
// stay as translations know them.
inline constexpr int VELAR_ERR_CONN_PARAM_VALUE = 65490;
inline constexpr int VELAR_ERR_BACKUP_SELF = 65491;
// The limits of the fixed descriptor arrays (VelarMaxItems).
inline constexpr int VELAR_ERR_TOO_MANY_FIELDS = 65492;
inline constexpr int VELAR_ERR_TOO_MANY_VARIABLES = 65493;

// The current text of a message: the installed translation's, else the
// built-in one. An identifier outside the table gives an empty string.
std::string VlrLoadStr(int Ident);

}  // namespace velar
