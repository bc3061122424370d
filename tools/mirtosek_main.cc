// mirtosek: the situation report, letters and write-back of old leases.
#include <cstdio>
#include <exception>

#include "app/exit_status.h"
#include "app/main_program.h"

int main(int argc, char** argv) {
  // Whatever the run could not handle ends it with a message and a status,
  // never with an abort.
  try {
    return app::RunMainProgram(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mirtosek: the run stopped: %s\n", e.what());
    return app::kExitOpenFailed;
  }
}
