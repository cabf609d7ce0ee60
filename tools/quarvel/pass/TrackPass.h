// `quarvel tracks FILE n:PATH ...`: every requested track in one pass.
#pragma once

#include <string>
#include <vector>

namespace quarvel {

// arguments are the n:PATH arguments. Prints "Progress: N%" lines on standard output
// and errors on standard error; returns the exit status (0, 1 or 2).
int RunTracks(const std::string& file, const std::vector<std::string>& arguments);

}  // namespace quarvel
