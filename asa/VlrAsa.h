// The ASA driver: the session over the ASA client library and its binding.
// The statement joins this unit in its own files.
#pragma once

#include "asa/VlrAsaProcs.h"
#include "asa/VlrAsaSession.h"
