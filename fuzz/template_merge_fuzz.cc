// A letter template, a merge file and an included template of any bytes,
// merged into the print file.
#include "base/session_settings.h"
#include "base/terminal.h"
#include "fuzz/fuzz_support.h"
#include "output/print_output.h"
#include "output/template_merge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 3);
  base::UseNoTerminal();
  base::Settings().root_dir = fuzz::Scratch();
  base::Settings().tmp_dir = fuzz::Scratch();
  fuzz::WriteFile(fuzz::Scratch() + "TEXTOS/CARTA.txt", parts[0]);
  fuzz::WriteFile(fuzz::Scratch() + "merge.tmp", parts[1]);
  fuzz::WriteFile(fuzz::Scratch() + "TEXTOS/PEU.txt", parts[2]);
  std::string err;
  output::PrintFile print;
  if (!print.Open("NUL", &err)) return 0;
  output::TemplateMerge merge(print);
  merge.Merge("CARTA", fuzz::Scratch() + "merge.tmp", -1);
  merge.Merge("CARTA", "", -1);
  print.Close();
  return 0;
}
