// Any picture applied to a value taken from the input, in both currencies.
#include <cstring>

#include "base/edit_picture.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  double value = 0;
  if (size >= sizeof value) {
    std::memcpy(&value, data, sizeof value);
    data += sizeof value;
    size -= sizeof value;
  }
  const std::string picture(reinterpret_cast<const char*>(data), size);
  for (const char* currency : {"", "p", "a,E"}) {
    base::SetCurrency(currency);
    (void)base::FormatPicture(picture, value);
    (void)base::FormatAmount(picture, value);
    (void)base::FormatAmount(picture, static_cast<double>(static_cast<int64_t>(value) % 100000000));
  }
  return 0;
}
