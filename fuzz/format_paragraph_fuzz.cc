// Paragraphs of any text at any indent, width and justification.
#include "base/text_utils.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int16_t indent = static_cast<int8_t>(data[0]);
  const int width = data[1];
  const std::string mode(1, static_cast<char>(data[2]));
  const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
  (void)base::FormatParagraph(text, indent, width, mode);
  (void)base::NameOrder(text);
  (void)base::CenterColumn(text, width);
  return 0;
}
