// Test support for the design-time editors: the scripted form driver for
// every test, a designer that counts the changes it hears of, and the
// desktop opener and message box replaced by recorders.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/application.h"
#include "host/design.h"
#include "host/forms_script.h"
#include "host/os.h"

namespace design_test {

class TCountingDesigner : public host::IDesigner {
 public:
  explicit TCountingDesigner(host::TComponent* Root = nullptr) : root_(Root) {}
  void Modified() override { ++ModifiedCount; }
  host::TComponent* GetRoot() const override { return root_; }
  int ModifiedCount = 0;

 private:
  host::TComponent* root_;
};

class DesignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::SetShellOpenHandler([this](const std::string& Target) {
      opened.push_back(Target);
      return true;
    });
    previousMessageBox = host::Application->SetMessageBoxHandler(
        [this](const std::string& Text, const std::string&, int) {
          messages.push_back(Text);
          return host::IDOK;
        });
  }
  void TearDown() override {
    host::SetShellOpenHandler(nullptr);
    host::Application->SetMessageBoxHandler(previousMessageBox);
    EXPECT_EQ(driver.Pending(), 0) << "a script was not played";
    EXPECT_EQ(host::Application->ComponentCount(), 0) << "a dialog outlived its editor";
  }

  host::TScriptedDriver driver;
  host::TFormDriverScope scope{&driver};
  std::vector<std::string> opened;
  std::vector<std::string> messages;
  host::TApplication::TMessageBoxHandler previousMessageBox;
};

}  // namespace design_test
