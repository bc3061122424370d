// A lock file and a station identity file of any bytes, then a lock of a key
// and its release. A wait for another station ends the input (the program
// would wait for the operator there).
#include <stdexcept>

#include "base/console.h"
#include "base/session_settings.h"
#include "fuzz/fuzz_support.h"
#include "storage/lock_files.h"
#include "testing/fake_environment.h"

namespace {
struct Waited {};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 3);
  base::Settings().root_dir = fuzz::Scratch();
  base::Settings().tmp_dir = fuzz::Scratch();
  fuzz::WriteFile(fuzz::Scratch() + "LOCKS/TRANLAUV.lck", parts[0]);
  fuzz::WriteFile(fuzz::Scratch() + "LOCKS.TMP", parts[2]);
  base::NoTerminal no_terminal;
  base::Console console(no_terminal);
  testing_support::FakeEnvironment env;
  env.console = &console;
  env.clock = [] { return int64_t{29000000}; };
  env.random = [] { return 0.5; };
  env.sleep = [](int) { throw Waited{}; };
  try {
    storage::LockStation station(env);
    station.LockKey("TranLauV", parts[1]);
    station.ReleaseTableLock("TranLauV");
    station.LockRange("TranLauV", "F", "", "");
    station.ReleaseTableLock("TranLauV");
  } catch (const Waited&) {
  }
  (void)storage::LockKeyText(parts[1]);
  return 0;
}
