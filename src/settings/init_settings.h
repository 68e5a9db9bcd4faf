// The four values of section "Init" that steer a calculation and its
// printout, and the editor's choice of section "Editor".
#pragma once

#include <cstdint>

#include "settings/settings_store.h"

namespace kova {

struct InitSettings {
    double tolerance = 0.0;
    std::int32_t printData = 1;
    std::int32_t printFlow = 1;
    std::int32_t printRunList = 1;
    // The editor reads the text a moment after typing stops and marks the
    // line the calculation would refuse.
    bool checkWhileTyping = true;

    // "Tole" through strtod (absent, empty, non-numeric or not finite: 0),
    // then the three flags with default 1, then the editor's choice.
    void ReadAll(SettingsStore& store);
    void ReadFlags(SettingsStore& store);
    // "Tole" as ten-digit number text, then the flags and the editor's
    // choice as integers; false
    // when the store could not keep them (store.SyncError() says why).
    bool WriteAll(SettingsStore& store) const;
};

}  // namespace kova
