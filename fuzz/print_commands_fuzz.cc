// A print command file of any bytes, read, laid out and rendered as text.
#include "fuzz/fuzz_support.h"
#include "printer/page_layout.h"
#include "printer/print_commands.h"
#include "printer/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const printer::ParseResult parsed = printer::ParsePrintCommands(file);
  (void)printer::RenderText(printer::LayOut(parsed.commands));
  return 0;
}
