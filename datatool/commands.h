// kepdata, the data tool of an installation: creates its files, imports and
// exports records as CSV, shows and sets the company data.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace datatool {

// Runs one command line (without the program name); messages go to err,
// exports to out. Returns the exit status: 0 on success, 1 on any error.
int RunDataTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace datatool
