// The ASA driver: the session over the ASA client library and its binding.
// The statement (VlrAsaSQL.h) has its own files.
#pragma once

#include "asa/VlrAsaProcs.h"
#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"
