// The stand-in's core is built in stages whose includes run one way: a file
// includes only its own stage and the ones before it. The driver reaches the
// stand-in only through its public headers. Both rules are read from the
// sources here, so a change that breaks them fails the suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The stages of dblib/core, earliest first.
const std::vector<std::string> kStages = {"support",   "value",  "server", "connect",
                                          "statement", "cursor", "api"};

int stage_index(const std::string& stage) {
  auto it = std::find(kStages.begin(), kStages.end(), stage);
  return it == kStages.end() ? -1 : static_cast<int>(it - kStages.begin());
}

// The quoted includes of a source file.
std::vector<std::string> includes_of(const fs::path& file) {
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  static const std::regex kInclude(R"(#include\s+"([^"]+)\")");
  std::vector<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), kInclude), end; it != end; ++it) {
    found.push_back((*it)[1]);
  }
  return found;
}

std::vector<fs::path> sources_under(const fs::path& root) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string extension = entry.path().extension().string();
    if (extension == ".h" || extension == ".cpp") files.push_back(entry.path());
  }
  return files;
}

TEST(StageOrder, EveryCoreFileSitsInAStageAndIncludesNoLaterStage) {
  const fs::path core = fs::path(VELAR_SOURCE_DIR) / "dblib" / "core";
  std::vector<fs::path> files = sources_under(core);
  ASSERT_GT(files.size(), 30u);
  for (const fs::path& file : files) {
    std::string stage = fs::relative(file, core).begin()->string();
    int own = stage_index(stage);
    EXPECT_GE(own, 0) << file << " is in no stage";
    for (const std::string& included : includes_of(file)) {
      if (included.rfind("dblib/core/", 0) != 0) continue;
      std::string included_stage = fs::path(included.substr(11)).begin()->string();
      int other = stage_index(included_stage);
      EXPECT_GE(other, 0) << file << " includes " << included << ", which is in no stage";
      EXPECT_LE(other, own) << file << " (stage " << stage << ") includes " << included
                            << " of the later stage " << included_stage;
    }
  }
}

TEST(StageOrder, TheDriverIncludesOnlyTheStandInsPublicHeaders) {
  const fs::path driver = fs::path(VELAR_SOURCE_DIR) / "asa";
  for (const fs::path& file : sources_under(driver)) {
    for (const std::string& included : includes_of(file)) {
      bool stand_in = included.rfind("dblib/", 0) == 0;
      EXPECT_TRUE(!stand_in || included.rfind("dblib/include/", 0) == 0)
          << file << " includes " << included;
    }
  }
}

}  // namespace
