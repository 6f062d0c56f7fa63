#include "cli/korvex_cli.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    const bool terminal = isatty(STDERR_FILENO) == 1;
    const bool canAsk = terminal && isatty(STDIN_FILENO) == 1;
    return RunKorvexCli(argc, argv, {std::cout, std::cerr, terminal, canAsk ? &std::cin : nullptr});
}
