// A run environment whose clock, random source and waits a test sets; those
// it leaves unset are the real ones.
#pragma once

#include <cstdint>
#include <functional>

#include "base/run_environment.h"

namespace testing_support {

class FakeEnvironment : public base::RunEnvironment {
 public:
  std::function<int64_t()> clock;  // LocalMinutes
  std::function<double()> random;  // in [0, 1)
  std::function<void(int ms)> sleep;

  int64_t LocalMinutes() override { return clock ? clock() : RunEnvironment::LocalMinutes(); }
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
