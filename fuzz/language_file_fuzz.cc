// A language file of any bytes, looked up in Spanish for the texts given.
#include "base/message_catalogue.h"
#include "base/session_settings.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 2);
  base::Settings().root_dir = fuzz::Scratch();
  base::Settings().language = "SPA";
  base::SetProgramIdentifier("K");
  fuzz::WriteFile(fuzz::Scratch() + "LOCALE/MIRTOSEK.LNG", parts[0]);
  (void)base::Translate(parts[1]);
  (void)base::Translate("PÀGINA");
  (void)base::Translate("");
  return 0;
}
