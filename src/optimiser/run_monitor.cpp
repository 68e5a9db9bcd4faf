#include "optimiser/run_monitor.h"

#include "text/system_texts.h"

namespace kova {

const std::string& InitialFieldText(LiveField field) {
    const SystemTexts& texts = Texts();
    switch (field) {
        case LiveField::Feasibility:
            return texts.infeasible;
        case LiveField::Gap:
            return texts.initialGap;
        case LiveField::Elapsed:
            return texts.initialElapsed;
        case LiveField::BestTotal:
        case LiveField::ResultCode:
        case LiveField::Branches:
            break;
    }
    return texts.initialZero;
}

LiveFieldTexts::LiveFieldTexts() {
    for (const LiveField field : kLiveFields) {
        Set(field, InitialFieldText(field));
    }
}

}  // namespace kova
