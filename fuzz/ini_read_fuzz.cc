// An INI file of any bytes, read for a section and key taken from the input.
#include "base/ini_file.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 3);
  const std::string path = fuzz::Scratch() + "Vorn.ini";
  fuzz::WriteFile(path, parts[0]);
  (void)base::IniRead(path, parts[1], parts[2]);
  (void)base::IniRead(path, "Sistema", "Idioma");
  (void)base::IniRead(path, "Empresa", "Camp1");
  return 0;
}
