// kepdata: the data tool of an installation.
#include <iostream>

#include "datatool/commands.h"

int main(int argc, char** argv) {
  return datatool::RunDataTool(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                               std::cerr);
}
