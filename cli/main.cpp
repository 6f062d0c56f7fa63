#include "cli/korvex_cli.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    return RunKorvexCli(argc, argv, {std::cout, std::cerr, isatty(STDERR_FILENO) == 1});
}
