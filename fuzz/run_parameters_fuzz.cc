// Run parameters ("pent.tmp") of any bytes.
#include "app/run_parameters.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  app::RunParameters params;
  std::string err;
  (void)app::ParseRunParameters(std::string_view(reinterpret_cast<const char*>(data), size),
                                "pent.tmp", &params, &err);
  return 0;
}
