// The host framework's value layer: exceptions, strings and formatting,
// dates, currency and variants. Include this to have all of them.
#pragma once

#include "host/currency.h"
#include "host/datetime.h"
#include "host/exceptions.h"
#include "host/sysutils.h"
#include "host/variant.h"
