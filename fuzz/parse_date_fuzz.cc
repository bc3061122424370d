// Dates as the user and the files give them: parsed, moved and printed. The
// first four bytes are also taken as a packed date straight from a record.
#include "base/dates.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int32_t count = size > 0 ? static_cast<int8_t>(data[0]) * 97 : 0;
  for (const base::PackedDate& date :
       {base::ParseDate(text), base::PackedDate::FromBytes(text.substr(0, 4))}) {
    for (const char* unit : {"D", "M", "A"}) {
      const base::PackedDate moved = base::AddToDate(date, count, unit);
      (void)base::DateDifference(date, moved, unit);
    }
    for (int style = -1; style <= 3; ++style) (void)base::FormatDate(date, style, "dma");
  }
  (void)base::PackDottedCode(text);
  (void)base::UnpackDigits(base::PackDigits(text));
  return 0;
}
