#pragma once
// The output file name made unique before anything is written to it.
#include <string>

namespace kv {

// When a file exists at `path`, tries <path without extension>1<extension>,
// ...2..., and takes the first that does not exist. The chosen name is given
// back in `path` and stored as OutputFileName. False on an unexpected error.
bool GetOutPutFileName(std::string& path);

// The same choice of name, without storing it.
std::string FreeOutputFileName(const std::string& path);

}  // namespace kv
