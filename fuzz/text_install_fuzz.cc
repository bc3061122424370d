// A template or language file of any bytes, as kepdata install converts it
// from UTF-8 to code page 850, then checked as the template merge checks it.
#include "datatool/text_files.h"
#include "fuzz/fuzz_support.h"
#include "output/template_merge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string cp850;
  std::vector<datatool::TextFault> faults;
  if (datatool::TextToCodePage850(std::string_view(reinterpret_cast<const char*>(data), size),
                                  &cp850, &faults)) {
    size_t column = 0;
    std::string why;
    (void)output::FindNonText(cp850, &column, &why);
  }
  return 0;
}
