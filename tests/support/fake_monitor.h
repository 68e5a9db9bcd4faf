// A run monitor for tests: records every field write, message and pump, reads
// a fixed clock, and can raise the stop request after a given number of pumps.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "optimiser/run_monitor.h"

namespace kova::testing {

class FakeMonitor final : public RunMonitor {
  public:
    explicit FakeMonitor(DateTime now = DateTime{2026, 12, 7, 9, 30, 0}) : clock_(now) {}

    void SetField(LiveField field, std::string_view text) override {
        fields.Set(field, text);
        fieldWrites.emplace_back(field, std::string(text));
        if (stopOnField && *stopOnField == field) {
            stop = true;
        }
        if (stopAfterBranches >= 0 && field == LiveField::Branches &&
            std::stol(std::string(text)) >= stopAfterBranches) {
            stop = true;
        }
    }
    void Pump() override {
        ++pumps;
        if (stopAfterPumps >= 0 && pumps >= stopAfterPumps) {
            stop = true;
        }
    }
    bool StopRequested() override { return stop; }
    void ShowMessage(std::string_view text, MessageIcon icon) override {
        messages.emplace_back(std::string(text), icon);
    }
    // The clock moves on while a message box is open, as a user reads it.
    DateTime Now() override {
        DateTime now = clock_.Now();
        now.second += static_cast<int>(messages.size()) * secondsPerMessage;
        return now;
    }

    LiveFieldTexts fields;
    std::vector<std::pair<LiveField, std::string>> fieldWrites;
    std::vector<std::pair<std::string, MessageIcon>> messages;
    long pumps = 0;
    long stopAfterPumps = -1;
    std::optional<LiveField> stopOnField;  // raise the stop when this field is first written
    long stopAfterBranches = -1;           // raise the stop once this many branches are solved
    bool stop = false;
    int secondsPerMessage = 0;  // below 60 for the whole run

  private:
    FixedClock clock_;
};

}  // namespace kova::testing
