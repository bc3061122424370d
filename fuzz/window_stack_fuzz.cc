// A window stack file ("WinPush.tmp") of any bytes, popped onto a screen, then
// a window pushed and popped over what is left.
#include "base/console.h"
#include "base/session_settings.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static base::ScreenTerminal screen(25, 80);
  base::Console console(screen);
  base::Settings().tmp_dir = fuzz::Scratch();
  fuzz::WriteFile(fuzz::Scratch() + "WinPush.tmp",
                  std::string_view(reinterpret_cast<const char*>(data), size));
  console.PopWindow();
  console.PushWindow(3, 5, 10, 40);
  console.DrawFrame(size > 0 ? data[0] % 4 : 0);
  console.PopWindow();
  console.PopWindow();
  return 0;
}
