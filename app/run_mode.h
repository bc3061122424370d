// The run mode, line 8 of the run parameters: what a run does with the units
// it selects. Its letter is read once, where the run parameters are checked
// (app/run_parameters.h); the rest of the program asks the mode and prints
// the letter only where a person reads it (the run summary, the messages).
#pragma once

namespace app {

enum class RunMode {
  kReport,     // "I": the situation report
  kLetters,    // "C": the letters of the units of the kinds asked for
  kWriteBack,  // "A": the results written back into the records; nothing printed
};

inline constexpr RunMode kRunModes[] = {RunMode::kWriteBack, RunMode::kReport, RunMode::kLetters};

// The mode's letter as the run parameters give it: "I", "C" or "A".
constexpr const char* RunModeLetter(RunMode mode) {
  switch (mode) {
    case RunMode::kReport:
      return "I";
    case RunMode::kLetters:
      return "C";
    case RunMode::kWriteBack:
      return "A";
  }
  return "?";
}

}  // namespace app
