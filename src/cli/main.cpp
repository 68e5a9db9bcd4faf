#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/solve_command.h"
#include "platform/qt_settings_store.h"

int main(int argc, char** argv) {
    using namespace kova::cli;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::cerr << "kova-solve: " << parsed.error << "\n"
                  << "Try 'kova-solve --help' for more information.\n";
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::cout << UsageText();
        return kExitSolved;
    }
    if (parsed.options.version) {
        std::cout << VersionText();
        return kExitSolved;
    }
    kova::QtSettingsStore settings;
    return RunSolve(parsed.options, settings, {std::cout, std::cerr, isatty(STDERR_FILENO) == 1});
}
