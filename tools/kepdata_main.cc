// kepdata: the data tool of an installation.
#include <exception>
#include <iostream>

#include "datatool/commands.h"

int main(int argc, char** argv) {
  try {
    return datatool::RunDataTool(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                 std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "kepdata: stopped: " << e.what() << "\n";
    return 1;
  }
}
