#pragma once
// The folder of the running program's file, which the program's own files are found beside.
#include <string>

namespace quorvel {

// As the kernel knows it ("." when it cannot tell); looked up once per process.
const std::string& ExecutableDir();

}  // namespace quorvel
