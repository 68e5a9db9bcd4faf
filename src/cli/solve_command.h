// The whole of `kova-solve` but process start-up, so tests can drive it.
#pragma once

#include <atomic>
#include <functional>
#include <ostream>

#include "cli/cli_options.h"
#include "settings/settings_store.h"

namespace kova::cli {

struct SolveStreams {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;
    // Stop signals (Ctrl+C, SIGTERM, SIGHUP) counted by the signal handler.
    const std::atomic<int>* interrupts = nullptr;
    // Called once the input is read: from then on a stop signal stops the search.
    std::function<void()> inputRead;
};

int RunSolve(const SolveOptions& options, SettingsStore& settings, SolveStreams streams);

}  // namespace kova::cli
