#include "app/progress.h"

#include <unistd.h>

#include <chrono>

#include "base/dates.h"
#include "storage/record_layouts.h"

namespace app {
namespace {

constexpr double kSecondsBetweenLines = 0.25;

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* output, std::function<double()> clock)
    : output_(output), clock_(clock ? std::move(clock) : SteadySeconds) {
  start_ = clock_();
  last_shown_ = start_;  // a run shorter than a glance shows nothing
}

std::FILE* ProgressDisplay::TerminalOrNull() { return ::isatty(STDERR_FILENO) ? stderr : nullptr; }

void ProgressDisplay::UnitDone(const std::string& building) {
  ++units_;
  if (output_ == nullptr) return;
  building_ = building;
  const double now = clock_();
  if (now - last_shown_ < kSecondsBetweenLines) return;
  last_shown_ = now;
  Show();
}

void ProgressDisplay::Show() {
  std::fprintf(output_, "\r%ld units, building %s, %.0f s ", units_, building_.c_str(),
               clock_() - start_);
  std::fflush(output_);
  shown_ = true;
}

void ProgressDisplay::Finish() {
  if (output_ == nullptr || !shown_) return;
  Show();
  std::fputc('\n', output_);
  std::fflush(output_);
  output_ = nullptr;
}

void CountingHandler::HandleUnit(RecordBuffers& records, bool new_record) {
  if (handler_ != nullptr) handler_->HandleUnit(records, new_record);
  const std::string building =
      base::UnpackDigits(storage::GetBytes(records.unit, storage::unit::kBuildingCode));
  display_->UnitDone(building);
}

}  // namespace app
