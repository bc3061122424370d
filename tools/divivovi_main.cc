// divivovi: the print program of the suite.
#include <iostream>

#include "printer/divivovi.h"

int main(int argc, char** argv) {
  return printer::RunDivivovi(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                              std::cerr);
}
