// mirtosek: the situation report, letters and write-back of old leases.
#include "app/main_program.h"

int main(int argc, char** argv) { return app::RunMainProgram(argc, argv); }
