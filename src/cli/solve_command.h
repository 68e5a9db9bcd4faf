// The whole of `kova-solve` but process start-up, so tests can drive it.
#pragma once

#include <atomic>
#include <ostream>

#include "cli/cli_options.h"
#include "run/settings_store.h"

namespace kova::cli {

struct SolveStreams {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;
    const std::atomic<int>* interrupts = nullptr;  // Ctrl+C presses, from the signal handler
};

int RunSolve(const SolveOptions& options, SettingsStore& settings, SolveStreams streams);

}  // namespace kova::cli
