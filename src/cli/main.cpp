#include <signal.h>
#include <unistd.h>

#include <atomic>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/solve_command.h"
#include "platform/qt_settings_store.h"

namespace {

// The signal handler's only way to the running calculation. The first
// Ctrl+C asks for the forced stop; the second quits at once.
std::atomic<int> interrupts{0};

extern "C" void OnInterrupt(int) {
    if (interrupts.fetch_add(1, std::memory_order_relaxed) >= 1) {
        _exit(128 + SIGINT);
    }
}

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace

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
    InstallInterruptHandler();
    kova::QtSettingsStore settings;
    return RunSolve(parsed.options, settings,
                    {std::cout, std::cerr, isatty(STDERR_FILENO) == 1, &interrupts});
}
