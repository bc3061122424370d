// What a run takes from the world outside it: the local clock, the waits, the
// random source and the console where the operator sees why the run waits.
// The main program makes one environment for the run and hands it to the
// pieces that need it (the lock files, the unit walk's retries); a test
// derives its own to hold the clock still, count the waits, draw chosen
// numbers or keep the messages on a screen of its own
// (testing/fake_environment.h).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <random>

namespace base {

class Console;

class RunEnvironment {
 public:
  RunEnvironment() = default;
  RunEnvironment(const RunEnvironment&) = delete;
  RunEnvironment& operator=(const RunEnvironment&) = delete;
  virtual ~RunEnvironment() = default;

  // Whole minutes since 1970-01-01 00:00 of the local date and time.
  virtual int64_t LocalMinutes();

  // The year of the local date, from LocalMinutes.
  int CurrentYear();

  virtual void SleepMilliseconds(int milliseconds);

  // A number in [0, 1). The source is seeded at its first use in a process
  // with the time of day in hundredths of a second and the process number,
  // so that two stations started in the same hundredth draw apart; a process
  // made by fork seeds its own.
  virtual double Random();

  // The console of the process's terminal (ProcessConsole).
  virtual Console& OperatorConsole();

 private:
  std::mt19937 generator_;
  pid_t seeded_for_ = 0;
};

// The minutes of the local clock now, as RunEnvironment::LocalMinutes gives
// them in a real run.
int64_t LocalMinutesNow();

}  // namespace base
