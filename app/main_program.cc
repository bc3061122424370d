#include "app/main_program.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/base_changes.h"
#include "app/command_line.h"
#include "app/data_files.h"
#include "app/exit_status.h"
#include "app/lease_handler.h"
#include "app/print_program.h"
#include "app/progress.h"
#include "app/report_driver.h"
#include "app/results_table.h"
#include "app/run_parameters.h"
#include "app/run_summary.h"
#include "app/unit_output.h"
#include "app/write_back.h"
#include "base/edit_picture.h"
#include "base/ini_file.h"
#include "base/message_catalogue.h"
#include "base/platform.h"
#include "base/run_environment.h"
#include "base/session_settings.h"
#include "output/print_output.h"
#include "storage/damaged_rows.h"
#include "storage/data_files_table.h"
#include "storage/record_file.h"
#include "storage/record_layouts.h"
#include "storage/snapshots.h"

namespace app {
namespace {

using Clock = std::chrono::steady_clock;

void ReportError(const std::string& message) {
  std::fprintf(stderr, "mirtosek: %s\n", message.c_str());
}

// The temporary folder of a run from options when KEPTMP is not set: made
// for this run alone (its station identity, print and merge files) and
// removed when the run ends.
class PrivateTemporaryDirectory {
 public:
  PrivateTemporaryDirectory() = default;
  PrivateTemporaryDirectory(const PrivateTemporaryDirectory&) = delete;
  PrivateTemporaryDirectory& operator=(const PrivateTemporaryDirectory&) = delete;
  ~PrivateTemporaryDirectory() {
    if (!path_.empty()) base::RemoveTree(path_);
  }
  [[nodiscard]] bool Make(std::string* err) {
    path_ = base::MakePrivateDirectory("mirtosek-", err);
    return !path_.empty();
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The environment a run from options asks for, set before the session
// settings are read so that every reader (and the print program) sees it.
bool PrepareOptionsEnvironment(const CommandLine& c, PrivateTemporaryDirectory* tmp,
                               std::string* err) {
  if (!c.root.empty()) base::SetEnv("KEPROOT", c.root);
  if (base::GetEnv("KEPTMP").empty()) {
    if (!tmp->Make(err)) return false;
    base::SetEnv("KEPTMP", tmp->path() + "/");
  }
  return true;
}

// Without --output: report.pdf or letters.pdf in the current folder, and
// nothing for mode "A", which prints nothing. Called before the program
// enters the data root.
std::string DefaultOutput(RunMode run_mode) {
  switch (run_mode) {
    case RunMode::kWriteBack:
      return "NUL";
    case RunMode::kLetters:
      return "PDF:" + base::AbsolutePath("letters.pdf");
    case RunMode::kReport:
      break;
  }
  return "PDF:" + base::AbsolutePath("report.pdf");
}

void ApplyOptionSettings(const CommandLine& c, const RunParameters& p) {
  base::SessionSettings& s = base::Settings();
  s.output_destination = c.output.empty() ? DefaultOutput(p.run_mode) : c.output;
  if (!c.language.empty()) s.language = c.language;
}

// The run itself over the open data files, with the print file open.
// Returns the exit status so far (kExitFinished when the print file is
// complete).
int RunReport(base::RunEnvironment& env, output::PrintFile& print, const RunParameters& params,
              RecordBuffers& buffers, const RunExtras& extras, RunCounts* counts) {
  base::SetCurrency("p");
  const std::unique_ptr<UnitOutput> unit_output = MakeUnitOutput(params, print, counts);
  LeaseHandler handler(params, unit_output.get(), counts,
                       LoadBaseChanges(base::Settings().root_dir + "Vorn.ini", stderr));
  handler.SetExtras(&extras);
  ProgressDisplay progress(ProgressDisplay::TerminalOrNull());
  CountingHandler counting(&handler, &progress);
  ReportDriver driver(env, params, buffers, &counting, counts);
  driver.Run();
  progress.Finish();
  handler.stale_indices().Report(stderr);
  base::SetCurrency("");
  const bool printed = print.Close();
  storage::ResetRecordManager();
  if (!printed) {
    ReportError("the print file could not be written completely");
    return kExitOpenFailed;
  }
  // The print program's device of one file per letter reads which lines are
  // whose letter; without the index that device fails, and says so.
  std::string err;
  if (!print.WriteLetterIndex(&err)) ReportError("the letter index cannot be written: " + err);
  return kExitFinished;
}

// Hands the print file to the print program; the exit status of the run.
int Print() {
  std::string detail;
  switch (RunPrintProgram(base::Settings().exe_dir, &detail)) {
    case PrintOutcome::kPrinted:
      return kExitFinished;
    case PrintOutcome::kNotStarted:
      ReportError("the print program could not be started: " + detail);
      return kExitNoPrintProgram;
    case PrintOutcome::kFailed:
      ReportError("the run finished but its output is incomplete: the print program " + detail);
      return kExitOutputIncomplete;
  }
  return kExitFinished;
}

int LettersVerdict(const RunCounts& counts, const RunParameters& params) {
  if (counts.letters_incomplete == 0 && counts.letters_not_text != 0) {
    ReportError("the run finished but its output is not right: " +
                std::to_string(counts.letters_not_text) + " letters printed from the template \"" +
                params.template_name + "\" (or one it includes), which is not code page 850 text");
    return kExitOutputIncomplete;
  }
  if (counts.letters_incomplete == 0) return kExitFinished;
  ReportError("the run finished but its output is incomplete: " +
              std::to_string(counts.letters_incomplete) + " letters due, and the template \"" +
              params.template_name + "\" (or one it includes) cannot be read");
  return kExitOutputIncomplete;
}

// The files a run writes besides its print file: the preview of mode "A"
// and the results table, from the options or, the menu's way, from the
// terminal's "VornTerm.ini" [Mirtosek] "Previsio" and "Resultats".
struct SideFiles {
  std::string preview;
  std::string results;
  std::string preview_origin = "--preview";
  std::string results_origin = "--results";
};

SideFiles MenuSideFiles(const base::SessionSettings& settings) {
  SideFiles f;
  const std::string ini = settings.tmp_dir + "VornTerm.ini";
  f.preview = base::IniRead(ini, "Mirtosek", "Previsio");
  f.results = base::IniRead(ini, "Mirtosek", "Resultats");
  if (!f.preview.empty()) f.preview = base::AbsolutePath(f.preview);
  if (!f.results.empty()) f.results = base::AbsolutePath(f.results);
  f.preview_origin = "VornTerm.ini [Mirtosek] Previsio";
  f.results_origin = "VornTerm.ini [Mirtosek] Resultats";
  return f;
}

bool CheckSideFiles(const SideFiles& f, const RunParameters& params, std::string* err) {
  if (!f.preview.empty() && !CheckCsvPath(f.preview, f.preview_origin, err)) return false;
  if (!f.results.empty() && !CheckCsvPath(f.results, f.results_origin, err)) return false;
  if (!f.preview.empty() && params.run_mode != RunMode::kWriteBack) {
    *err = f.preview_origin + ": the preview is of mode A's write-back, and the run mode is " +
           RunModeLetter(params.run_mode);
    return false;
  }
  return true;
}

// The two files a write-back rewrites, as the snapshot copies them.
const std::vector<storage::SnapshotFile>& WrittenFiles() {
  static const std::vector<storage::SnapshotFile> files = {
      {kUnitFile, storage::RelativeFilePath(storage::unit::kFile)},
      {kTransitionFile, storage::RelativeFilePath(storage::transition::kFile)}};
  return files;
}

// Opens what the run writes besides its print file, and for a write-back
// takes the snapshot first; false with the message said when it cannot.
bool PrepareExtras(const SideFiles& side, const RunParameters& params, const std::string& root,
                   std::FILE** preview, ResultsTable* results, RunExtras* extras,
                   RunCounts* counts) {
  std::string err;
  extras->root = root;
  if (params.run_mode == RunMode::kWriteBack) {
    if (!params.preview) {
      if (!storage::TakeSnapshot(root, WrittenFiles(), &extras->snapshot, &err)) {
        ReportError("the snapshot before the write-back cannot be taken, so nothing was written: " +
                    err);
        return false;
      }
      counts->snapshot = extras->snapshot;
    }
    extras->earlier_written = storage::EarlierWrittenUnits(root, extras->snapshot);
  }
  if (params.preview) {
    *preview = std::fopen(side.preview.c_str(), "w");
    if (*preview == nullptr) {
      ReportError(side.preview + ": the preview cannot be created");
      return false;
    }
    std::fputs(PreviewHeader().c_str(), *preview);
    extras->preview = *preview;
  }
  if (!side.results.empty()) {
    if (!results->Open(side.results, &err)) {
      ReportError(err);
      return false;
    }
    extras->results = results;
  }
  return true;
}

// Closes the preview and the results table; kExitOutputIncomplete when one
// of them did not reach its file whole.
int CloseExtras(const SideFiles& side, std::FILE* preview, ResultsTable* results) {
  int status = kExitFinished;
  if (preview != nullptr) {
    const bool ok = std::fflush(preview) == 0 && !std::ferror(preview);
    if (std::fclose(preview) != 0 || !ok) {
      ReportError("the run finished but its output is incomplete: " + side.preview +
                  " could not be written whole");
      status = kExitOutputIncomplete;
    }
  }
  if (!results->Close()) {
    ReportError("the run finished but its output is incomplete: " + side.results +
                " could not be written whole");
    status = kExitOutputIncomplete;
  }
  return status;
}

// A write-back that failed is a failed run, whatever else went well.
int WriteBackVerdict(const RunCounts& counts) {
  if (counts.write_failure.empty()) return kExitFinished;
  std::string undo;
  if (!counts.snapshot.empty()) {
    undo = "; kepdata restore DATAROOT " + counts.snapshot +
           " puts every record back as it was before this run";
  }
  ReportError("the write-back failed at " + counts.write_failure + ": " +
              std::to_string(counts.units_written_back) + " units were written, " +
              std::to_string(counts.units_after_failure) + " after it were not" + undo);
  return kExitWriteBackFailed;
}

void SayEarlierWriteBacks(const RunCounts& counts) {
  if (counts.units_written_again == 0) return;
  ReportError(
      std::to_string(counts.units_written_again) +
      (counts.units_written_again == 1 ? " unit had" : " units had") +
      " been written back before for the same update date; a second write-back moves them a step "
      "further (kepdata snapshots lists the snapshots, kepdata restore puts one back)");
}

// Everything after the command line: session, parameters, run, print.
int RunWithParameters(base::RunEnvironment& env, const CommandLine& command, RunParameters params,
                      Clock::time_point start) {
  const bool from_options = command.action == CommandLine::Action::kOptionsRun;
  PrivateTemporaryDirectory private_tmp;
  std::string err;
  if (from_options && !PrepareOptionsEnvironment(command, &private_tmp, &err)) {
    ReportError("no temporary folder can be made for the run: " + err);
    return kExitOpenFailed;
  }
  base::AnchorRelativeDirectories();
  base::LoadCompanyData();
  base::LoadNumberSettings();
  base::LoadDateSettings();
  base::LoadSessionSettings();
  const base::SessionSettings& settings = base::Settings();
  base::SetProgramIdentifier(kProgramIdentifier);
  if (settings.tmp_dir.empty()) {
    ReportError(
        "no temporary directory: KEPTMP is not set and \"Sessio.ini\" [Terminal] \"Dir\" names "
        "none");
    return kExitBadParameters;
  }
  if (from_options) ApplyOptionSettings(command, params);
  SideFiles side;
  if (from_options) {
    side.preview = command.preview;
    side.results = command.results;
  } else {
    side = MenuSideFiles(settings);
  }
  if (!settings.root_dir.empty() && !base::SetCurrentDir(settings.root_dir)) {
    ReportError(base::ResolvePath(settings.root_dir) + ": the data root cannot be entered");
    return kExitOpenFailed;
  }
  // The run parameters are checked before anything touches the installation.
  if (!from_options && !ReadRunParameters(settings.tmp_dir + "pent.tmp", &params, &err)) {
    ReportError(err);
    return kExitBadParameters;
  }
  if (!CheckSideFiles(side, params, &err)) {
    ReportError(err);
    return kExitBadParameters;
  }
  params.preview = !side.preview.empty();
  for (const std::string& note : RunParameterNotes(params)) ReportError(note);

  RecordBuffers buffers;
  if (OpenDataFiles(settings.root_dir, &buffers) != 0) return kExitOpenFailed;
  RunCounts counts;
  RunExtras extras;
  std::FILE* preview = nullptr;
  ResultsTable results;
  if (!PrepareExtras(side, params, settings.root_dir, &preview, &results, &extras, &counts)) {
    if (preview != nullptr) std::fclose(preview);
    storage::ResetRecordManager();
    return kExitOpenFailed;
  }
  output::PrintFile print;
  if (!print.Open(settings.output_destination, &err)) {
    ReportError("the print file cannot be created: " + err);
    if (preview != nullptr) std::fclose(preview);
    storage::ResetRecordManager();
    return kExitOpenFailed;
  }
  int status = RunReport(env, print, params, buffers, extras, &counts);
  counts.rows_damaged = storage::DamagedRowsReported();
  if (status == kExitFinished && counts.rows_damaged != 0) {
    ReportError(
        "the run finished but its output is incomplete: " + std::to_string(counts.rows_damaged) +
        " rows of the data files are not whole records and were left out (see above)");
    status = kExitOutputIncomplete;
  }
  const int extras_status = CloseExtras(side, preview, &results);
  if (status == kExitFinished) status = Print();
  if (status == kExitFinished) status = extras_status;
  SayEarlierWriteBacks(counts);
  std::fputs(FormatRunSummary(counts, params.run_mode,
                              std::chrono::duration<double>(Clock::now() - start).count())
                 .c_str(),
             stderr);
  const int letters = LettersVerdict(counts, params);
  const int written = WriteBackVerdict(counts);
  if (written != kExitFinished) return written;
  return status != kExitFinished ? status : letters;
}

}  // namespace

int RunMainProgram(int argc, char** argv) {
  const Clock::time_point start = Clock::now();
  base::RunEnvironment env;
  // The report date may be typed with two digits of year, on the command
  // line as in "pent.tmp": they are read around the year of the run's clock.
  base::Settings().dates.current_year = env.CurrentYear();
  CommandLine command;
  std::string err;
  if (!ParseCommandLine(argc, argv, TodayText(), &command, &err)) {
    ReportError(err);
    std::fprintf(stderr, "%s\n", UsageLine().c_str());
    return kExitBadParameters;
  }
  switch (command.action) {
    case CommandLine::Action::kHelp:
      std::fputs(HelpText().c_str(), stdout);
      return kExitFinished;
    case CommandLine::Action::kVersion:
      std::fputs(VersionText().c_str(), stdout);
      return kExitFinished;
    case CommandLine::Action::kMenuRun:
      return RunWithParameters(env, command, RunParameters(), start);
    case CommandLine::Action::kOptionsRun:
      break;
  }
  RunParameters params;
  if (!CheckRunParameters(command.parameters, &params, &err) ||
      !CheckOptionValues(command, params, &err)) {
    ReportError(err);
    return kExitBadParameters;
  }
  for (const std::string& note : OptionNotes(params)) ReportError(note);
  return RunWithParameters(env, command, params, start);
}

}  // namespace app
