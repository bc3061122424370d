// A CSV of any bytes imported into each table of an installation, and the
// table exported again when the import was taken.
#include <sstream>

#include "datatool/commands.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string root = [] {
    std::ostringstream out, err;
    const std::string r = fuzz::Scratch() + "inst";
    if (fuzz::KeepingDirectory([&] {
          return datatool::RunDataTool({"init", r, "--no-cpi"}, out, err);
        }) != 0)
      std::abort();
    return r;
  }();
  if (size == 0) return 0;
  static const char* const kTables[] = {"PropietV", "FinquesV", "DepartaV",
                                        "TranLauV", "TVRebut",  "UIpc"};
  const char* table = kTables[data[0] % 6];
  const std::string csv = fuzz::Scratch() + "in.csv";
  fuzz::WriteFile(csv, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  std::ostringstream out, err;
  if (fuzz::KeepingDirectory([&] {
        return datatool::RunDataTool({"import", root, table, csv}, out, err);
      }) == 0) {
    if (fuzz::KeepingDirectory([&] {
          return datatool::RunDataTool({"export", root, table}, out, err);
        }) != 0) {
      std::abort();  // what was imported must export again
    }
  }
  return 0;
}
