// A form file is user input: damaged copies of a valid file must either read
// or fail with a filer error that names a line, and never crash or leak (the
// sanitizers watch every iteration).
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/exceptions.h"
#include "host/formfile.h"
#include "tests/host/formfile_fixture.h"

namespace {

using formtest::TGadget;
using formtest::TTestForm;

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < Text.size()) {
    std::size_t end = Text.find('\n', start);
    if (end == std::string::npos) end = Text.size();
    lines.push_back(Text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& Lines) {
  std::string text;
  for (const std::string& line : Lines)
    text += line + "\n";
  return text;
}

// One to three damages of the kinds a file meets: a changed byte, a flipped
// bit, a cut-off end, a lost line, a doubled line.
std::string Damage(const std::string& Text, std::mt19937& Random) {
  std::string text = Text;
  int damages = std::uniform_int_distribution<int>(1, 3)(Random);
  for (int d = 0; d < damages && !text.empty(); ++d) {
    auto pick = [&](std::size_t n) {
      return std::uniform_int_distribution<std::size_t>(0, n - 1)(Random);
    };
    switch (std::uniform_int_distribution<int>(0, 4)(Random)) {
      case 0:
        text[pick(text.size())] = static_cast<char>(pick(256));
        break;
      case 1:
        text[pick(text.size())] ^= static_cast<char>(1 << pick(8));
        break;
      case 2:
        text.resize(pick(text.size()));
        break;
      case 3: {
        std::vector<std::string> lines = SplitLines(text);
        if (lines.empty()) break;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(pick(lines.size())));
        text = JoinLines(lines);
        break;
      }
      case 4: {
        std::vector<std::string> lines = SplitLines(text);
        if (lines.empty()) break;
        std::size_t at = pick(lines.size());
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), lines[at]);
        text = JoinLines(lines);
        break;
      }
    }
  }
  return text;
}

class FormFileCorruption : public ::testing::Test {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    std::unique_ptr<TTestForm> sample(formtest::BuildSampleForm());
    valid = host::WriteComponentText(sample.get());
  }
  std::string valid;
};

TEST_F(FormFileCorruption, DamagedFilesReadOrFailWithALineNumber) {
  std::mt19937 random(20240611);
  int reads = 0;
  int failures = 0;
  for (int i = 0; i < 4000; ++i) {
    std::string damaged = Damage(valid, random);
    bool intoExisting = i % 2 == 1;
    // Half the copies are read into a root that already owns a component of
    // the file, which a failed read must leave as it found it.
    TTestForm existing(nullptr);
    existing.SetName("MainForm");
    TGadget* first = new TGadget(&existing);
    first->SetName("First");
    try {
      if (intoExisting) {
        host::ReadComponentText(&existing, damaged);
      } else {
        std::unique_ptr<host::TComponent> form(host::CreateComponentFromText(damaged));
      }
      ++reads;
    } catch (const host::EFilerError& e) {
      ++failures;
      ASSERT_EQ(e.Message.rfind("Line ", 0), 0u) << e.Message << "\n--- file ---\n" << damaged;
      ASSERT_NE(dynamic_cast<const host::EFormReadError*>(&e), nullptr) << e.Message;
      if (intoExisting) {
        ASSERT_EQ(existing.ComponentCount(), 1) << e.Message << "\n--- file ---\n" << damaged;
        ASSERT_EQ(existing.Components(0), first);
        ASSERT_FALSE(existing.ComponentState().Contains(host::csLoading));
        ASSERT_FALSE(first->ComponentState().Contains(host::csReading));
      }
    }
  }
  // The damages are varied enough to exercise both outcomes.
  EXPECT_GT(failures, 1000);
  EXPECT_GT(reads, 100);
}

}  // namespace
