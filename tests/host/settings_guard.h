// A base for fixtures whose tests change the global FormatSettings: the
// settings are put back when each test ends, so no change leaks into the
// next test.
#pragma once

#include <gtest/gtest.h>

#include "host/sysutils.h"

namespace host_test {

class FormatSettingsGuard : public ::testing::Test {
 protected:
  void TearDown() override { host::FormatSettings = saved_; }

 private:
  host::TFormatSettings saved_ = host::FormatSettings;
};

}  // namespace host_test
