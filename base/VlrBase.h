// The base library of the database-access components: the driver-independent
// session and statement, the exception class and message table, the shared
// routines and the value types drivers build on.
#pragma once

#include "base/VlrBlob.h"
#include "base/VlrMessages.h"
#include "base/VlrRoutines.h"
#include "base/VlrSQL.h"
#include "base/VlrSession.h"
#include "base/VlrTypes.h"
