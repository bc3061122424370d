#include "base/run_environment.h"

#include <gtest/gtest.h>

#include <ctime>

#include "testing/fake_environment.h"

namespace base {
namespace {

// The year turns at local midnight of 1 January, before 1970 as after.
TEST(RunEnvironment, TheCurrentYearIsTheYearOfTheLocalClock) {
  testing_support::FakeEnvironment env;
  int64_t minutes = 0;
  env.clock = [&] { return minutes; };
  const int64_t new_year_2026 = 29453760;  // 2026-01-01 00:00
  minutes = new_year_2026;
  EXPECT_EQ(env.CurrentYear(), 2026);
  minutes = new_year_2026 - 1;
  EXPECT_EQ(env.CurrentYear(), 2025);
  minutes = 15863040 + 1439;  // 2000-02-29 23:59
  EXPECT_EQ(env.CurrentYear(), 2000);
  minutes = 0;
  EXPECT_EQ(env.CurrentYear(), 1970);
  minutes = -1;
  EXPECT_EQ(env.CurrentYear(), 1969);
  // A real run takes the year of the machine's local time.
  RunEnvironment real;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(real.CurrentYear(), local.tm_year + 1900);
}

}  // namespace
}  // namespace base
