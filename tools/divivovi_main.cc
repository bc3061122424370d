// divivovi: the print program of the suite.
#include <exception>
#include <iostream>

#include "printer/divivovi.h"

int main(int argc, char** argv) {
  try {
    return printer::RunDivivovi(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "divivovi: stopped: " << e.what() << "\n";
    return 1;
  }
}
