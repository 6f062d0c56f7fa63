#pragma once

#include "cli/cli_io.h"

// korvex-cli with its arguments (argv[0] is the program's name); returns the exit code.
int RunKorvexCli(int argc, const char* const* argv, const CliIo& io);
