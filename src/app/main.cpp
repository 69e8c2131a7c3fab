#include "app/StartUp.h"

#include <cstdio>
#include <cstring>

namespace {

// The program takes no command line: its only input is the catalog beside
// it. --help and --version answer before the toolkit starts, so they need no
// display; any other argument is ignored, as it always was.
int printAndExit(const char *text)
{
    // A help that could not be written (a full disk, a closed pipe) is a failure.
    const bool written = std::fputs(text, stdout) >= 0;
    return std::fflush(stdout) == 0 && written ? 0 : 1;
}

constexpr char kHelp[] = "Usage: korvane [--help | --version]\n"
                         "Browses the spare parts catalog of radio-controlled model cars in a window.\n"
                         "\n"
                         "The catalog is the folder DATA beside the program; korvane-check finds its\n"
                         "faults. Any other argument is ignored.\n"
                         "\n"
                         "  --help     print this help and exit\n"
                         "  --version  print the version and exit\n";

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0)
            return printAndExit(kHelp);
        if (std::strcmp(argv[i], "--version") == 0)
            return printAndExit("korvane " KORVANE_VERSION "\n");
    }
    return korvane::runProgram(argc, argv);
}
