// The progress of a long run, for an operator watching a terminal: units
// done, the building in hand and the time since the start, on one line of
// standard error rewritten a few times a second. Nothing is shown when
// standard error is not a terminal (a log file, the suite's menu).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "app/unit_walk.h"

namespace app {

class ProgressDisplay {
 public:
  // output null: nothing is shown. clock: seconds from any fixed moment.
  explicit ProgressDisplay(std::FILE* output, std::function<double()> clock = nullptr);
  ~ProgressDisplay() { Finish(); }

  // Standard error when it is a terminal, else null.
  static std::FILE* TerminalOrNull();

  void UnitDone(const std::string& building);
  // Shows the final count and ends the line (once).
  void Finish();

 private:
  void Show();

  std::FILE* output_;
  std::function<double()> clock_;
  double start_ = 0;
  double last_shown_ = -1;
  long units_ = 0;
  std::string building_;
  bool shown_ = false;
};

// Hands each unit on to handler and counts it on the display.
class CountingHandler : public UnitHandler {
 public:
  CountingHandler(UnitHandler* handler, ProgressDisplay* display)
      : handler_(handler), display_(display) {}
  void HandleUnit(RecordBuffers& records, bool new_record) override;

 private:
  UnitHandler* handler_;
  ProgressDisplay* display_;
};

}  // namespace app
