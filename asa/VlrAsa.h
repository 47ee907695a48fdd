// The ASA driver as applications use it: the session over the ASA client
// library and the statement. It hands out the SQLCA and SQLDA layouts but not
// the driver's table of entry points, its library state or the library's
// codes; the driver's own sources include asa/VlrAsaSession.h.
#pragma once

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSessionPublic.h"
