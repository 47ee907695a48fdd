// The ASA session as the driver's own sources see it: the public class with
// the table of the client library's entry points, the process-wide library
// state and the library's type and outcome codes. Applications include
// asa/VlrAsa.h instead.
#pragma once

#include "asa/VlrAsaProcs.h"
#include "asa/VlrAsaSessionPublic.h"
