// The only way a calculation reaches the outside world: live status fields,
// the user-interface pump, the stop request, end messages and the clock.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/clock.h"

namespace kova {

enum class LiveField : int {
    Feasibility = 1010,
    Gap = 1011,
    BestTotal = 1012,
    ResultCode = 1013,
    Elapsed = 1014,
    Branches = 1015,
};

inline constexpr std::array<LiveField, 6> kLiveFields = {
    LiveField::Feasibility, LiveField::Gap,     LiveField::BestTotal,
    LiveField::ResultCode,  LiveField::Elapsed, LiveField::Branches,
};

// Position of a field in kLiveFields.
constexpr std::size_t LiveFieldIndex(LiveField field) {
    return static_cast<std::size_t>(static_cast<int>(field) - 1010);
}

// Text a field shows before the calculation writes it (code page 932).
const std::string& InitialFieldText(LiveField field);

enum class MessageIcon { Stop, Information, None };

class RunMonitor : public Clock {
  public:
    // `text` is code page 932.
    virtual void SetField(LiveField field, std::string_view text) = 0;
    // Lets the user interface handle what is pending (at most a short slice).
    virtual void Pump() = 0;
    // Set by the stop button, a cancel request, Ctrl+C or a limit; it stays
    // set until the run ends, so a request between two solves is not lost.
    virtual bool StopRequested() = 0;
    // A modal message; returns when the user has seen it. `text` is code page 932.
    virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;
};

// The six texts as a monitor shows them.
class LiveFieldTexts {
  public:
    LiveFieldTexts();
    void Set(LiveField field, std::string_view text) {
        texts_[LiveFieldIndex(field)] = std::string(text);
    }
    const std::string& Get(LiveField field) const { return texts_[LiveFieldIndex(field)]; }

  private:
    std::array<std::string, kLiveFields.size()> texts_;
};

}  // namespace kova
