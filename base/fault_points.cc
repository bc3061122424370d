#include "base/fault_points.h"

#include <csignal>
#include <cstdlib>

namespace base {
namespace {

long KillAt() {
  const char* value = std::getenv("KEP_FAULT_KILL_AT");
  if (value == nullptr) return 0;
  const long n = std::strtol(value, nullptr, 10);
  return n > 0 ? n : 0;
}

}  // namespace

void FaultPoint() {
  static const long kill_at = KillAt();
  static long passed = 0;
  if (kill_at == 0) return;
  if (++passed == kill_at) std::raise(SIGKILL);
}

}  // namespace base
