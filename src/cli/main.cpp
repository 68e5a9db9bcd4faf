#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/solve_command.h"
#include "platform/qt_settings_store.h"

namespace {

// The signal handler's only way to the running calculation. The first stop
// signal (Ctrl+C, SIGTERM, SIGHUP) asks for the forced stop, so the best
// solution so far is still reported; the second quits at once.
std::atomic<int> interrupts{0};

extern "C" void OnStopSignal(int signal) {
    if (interrupts.fetch_add(1, std::memory_order_relaxed) >= 1) {
        _exit(128 + signal);
    }
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

// A closed standard descriptor is taken by /dev/null opened the other way
// round: no file opened later gets its number, and every use of it fails
// (so a closed standard output is reported, not written into another file).
void HoldClosedStandardDescriptors() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kova::cli;
    HoldClosedStandardDescriptors();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::cerr << "kova-solve: " << parsed.error << "\n"
                  << "Try 'kova-solve --help' for more information.\n";
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::cout << UsageText() << std::flush;
        return std::cout ? kExitSolved : kExitCannotWrite;
    }
    if (parsed.options.version) {
        std::cout << VersionText() << std::flush;
        return std::cout ? kExitSolved : kExitCannotWrite;
    }
    kova::QtSettingsStore settings;
    if (const std::string problem = settings.ReadProblem(); !problem.empty()) {
        std::cerr << "kova-solve: " << problem << "; the stored settings are not used\n";
    }
    return RunSolve(parsed.options, settings,
                    {std::cout, std::cerr, isatty(STDERR_FILENO) == 1, &interrupts,
                     InstallStopHandlers});
}
