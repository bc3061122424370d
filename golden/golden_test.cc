// The golden cases of testdata/: one test for each case folder, found when
// the program starts (testdata/README.md says how a case folder is made).
// Each case runs its program in a temporary run folder and compares every
// expected file byte for byte. What differs is written, as the run made it,
// to golden_got/<the expected file's path under testdata>.got in the build
// folder, and the failure names both files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "golden/case_folder.h"
#include "golden/programs.h"
#include "golden/views.h"
#include "testing/run_mirtosek.h"
#include "testing/temp_dir.h"

namespace golden {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;

const std::string kTestdata = std::string(KEP_SOURCE_DIR) + "/testdata";

// Where two texts first differ, as "line N".
std::string FirstDifference(const std::string& a, const std::string& b) {
  const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
  return "line " + std::to_string(1 + std::count(a.begin(), a.begin() + at, '\n'));
}

std::string UnderTestdata(const std::string& path) {
  return fs::path(path).lexically_relative(kTestdata).generic_string();
}

// Where what the run made is left when it differs from the expected file.
std::string GotPath(const std::string& expected) {
  return std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/golden_got/" + UnderTestdata(expected) +
         ".got";
}

// Compares what the run made with the reviewed file. The .got file of an
// earlier run goes; a new one is written when they differ.
void ExpectSameBytes(const Expectation& e, const std::string& run_dir) {
  const std::string got = GotPath(e.expected);
  std::error_code ec;
  fs::remove(got, ec);
  std::string made, why;
  if (!MakeView(e.view, run_dir, &made, &why)) {
    ADD_FAILURE() << UnderTestdata(e.expected) << ": " << why;
    return;
  }
  const std::string expected = ReadFile(e.expected);
  if (made == expected) return;
  fs::create_directories(fs::path(got).parent_path());
  std::ofstream(got, std::ios::binary) << made;
  ADD_FAILURE() << e.view << " differs from the reviewed file, first at "
                << FirstDifference(expected, made) << "\n  expected: " << e.expected
                << "\n  got:      " << got;
}

class GoldenCase : public ::testing::Test {
 public:
  explicit GoldenCase(std::string name) : name_(std::move(name)) {}

  void TestBody() override {
    Case c;
    std::string err;
    ASSERT_TRUE(ReadCase(kTestdata, name_, &c, &err)) << err;
    const fs::path cwd = fs::current_path();
    testing_support::TempDir run;
    MakeInstallation(c, run);
    fs::current_path(cwd);
    ASSERT_FALSE(HasFailure()) << c.Key("installation") << ": the installation was not made";
    for (const Step& step : c.steps) {
      for (const Input& in : step.inputs) run.Write(in.run_path, ReadFile(in.source));
      ASSERT_TRUE(RunProgram(c, run.path(), &err)) << UnderTestdata(step.folder) << ": " << err;
      for (const Expectation& e : step.expectations) ExpectSameBytes(e, run.path());
    }
  }

 private:
  std::string name_;
};

// A test that fails with a message: testdata holds no case, or a case
// folder cannot be run by name.
class Fails : public ::testing::Test {
 public:
  explicit Fails(std::string why) : why_(std::move(why)) {}
  void TestBody() override { FAIL() << why_; }

 private:
  std::string why_;
};

// A name that gtest's filter, by which ctest runs each case, reads as it is:
// "-", ":", "*" and "?" mean something there, and a case named with one of
// them would run nothing and pass.
bool IsPlainName(const std::string& name) {
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '/' || c == '.';
  });
}

void Register(const std::string& name, std::function<::testing::Test*()> factory) {
  ::testing::RegisterTest("Golden", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          std::move(factory));
}

void RegisterCases() {
  const std::vector<std::string> names = FindCaseFolders(kTestdata);
  for (const std::string& name : names) {
    if (IsPlainName(name)) {
      Register(name, [name]() -> ::testing::Test* { return new GoldenCase(name); });
      continue;
    }
    std::string plain = name;
    for (char& c : plain) c = IsPlainName(std::string(1, c)) ? c : '_';
    const std::string why = name + ": name the case folder with letters, digits and \"_\" only";
    Register(plain, [why]() -> ::testing::Test* { return new Fails(why); });
  }
  if (names.empty()) {
    const std::string why = kTestdata + " holds no folder with case.ini";
    Register("NoCases", [why]() -> ::testing::Test* { return new Fails(why); });
  }
}

}  // namespace
}  // namespace golden

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Run by hand, the runner finds the programs in the build folder it was built in.
  ::setenv("KEP_TEST_BIN_DIR", KEP_BINARY_DIR, 0);
  golden::RegisterCases();
  return RUN_ALL_TESTS();
}
