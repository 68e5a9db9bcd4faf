#include "settings/settings_store.h"

#include "text/c_runtime.h"
#include "text/number_text.h"

namespace kova {

std::optional<std::string> MemorySettingsStore::ReadString(const std::string& section,
                                                           const std::string& key) {
    const auto it = values_.find({section, key});
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::int32_t MemorySettingsStore::ReadInt(const std::string& section, const std::string& key,
                                          std::int32_t fallback) {
    const auto value = ReadString(section, key);
    return value ? Atoi(*value) : fallback;
}

void MemorySettingsStore::WriteString(const std::string& section, const std::string& key,
                                      const std::string& value) {
    values_[{section, key}] = value;
}

void MemorySettingsStore::WriteInt(const std::string& section, const std::string& key,
                                   std::int32_t value) {
    values_[{section, key}] = IntegerText(value);
}

}  // namespace kova
