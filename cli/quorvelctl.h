#pragma once
// The command-line tool as a function, so main.cpp stays a line and tests can reach it.

namespace quorvel::cli {

// Parses the global options, runs the command and returns the exit status.
int RunQuorvelCtl(int argc, char** argv);

}  // namespace quorvel::cli
