// A run environment whose clock, random source, waits and console a test
// sets; those it leaves unset are the real ones.
#pragma once

#include <cstdint>
#include <functional>

#include "base/console.h"
#include "base/run_environment.h"

namespace testing_support {

class FakeEnvironment : public base::RunEnvironment {
 public:
  std::function<int64_t()> clock;  // LocalMinutes
  std::function<double()> random;  // in [0, 1)
  std::function<void(int ms)> sleep;
  base::Console* console = nullptr;  // OperatorConsole

  int64_t LocalMinutes() override { return clock ? clock() : RunEnvironment::LocalMinutes(); }
  base::Console& OperatorConsole() override {
    return console != nullptr ? *console : RunEnvironment::OperatorConsole();
  }
  double Random() override { return random ? random() : RunEnvironment::Random(); }
  void SleepMilliseconds(int ms) override {
    if (sleep) {
      sleep(ms);
    } else {
      RunEnvironment::SleepMilliseconds(ms);
    }
  }
};

}  // namespace testing_support
