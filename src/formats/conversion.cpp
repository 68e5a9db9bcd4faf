#include "formats/conversion.h"

namespace kova::formats {

std::string NodeName(const ProblemTables& tables, std::int32_t node) {
    std::string slot = tables.NameSlot(node);
    slot = slot.substr(0, slot.find('\0'));
    return slot.substr(0, slot.find_last_not_of(' ') + 1);
}

}  // namespace kova::formats
