#include "app/progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace app {
namespace {

TEST(ProgressDisplayTest, ALineAFewTimesASecondAndNothingWithoutATerminal) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = ::open_memstream(&text, &size);
  double now = 100;
  {
    ProgressDisplay display(out, [&] { return now; });
    display.UnitDone("0001");
    display.UnitDone("0001");
    std::fflush(out);
    EXPECT_EQ(std::string(text, size), "") << "a run shorter than a quarter second shows nothing";
    now = 101.5;
    display.UnitDone("0002");
    now = 101.6;
    display.UnitDone("0002");  // too soon for another line
    std::fflush(out);
    EXPECT_EQ(std::string(text, size), "\r3 units, building 0002, 2 s ");
    now = 103;
    display.Finish();
    display.UnitDone("0003");  // after the end nothing more is written
  }
  std::fclose(out);
  EXPECT_EQ(std::string(text), "\r3 units, building 0002, 2 s \r4 units, building 0002, 3 s \n");
  std::free(text);

  ProgressDisplay silent(nullptr, [&] { return now += 10; });
  silent.UnitDone("0001");
  silent.Finish();  // nothing to write to, and no crash
}

}  // namespace
}  // namespace app
