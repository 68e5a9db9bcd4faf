// Per-user settings by section and key. The application and the command-line
// solver share one persistent implementation; tests use the in-memory one.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace kova {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // Nothing when the key is absent.
    virtual std::optional<std::string> ReadString(const std::string& section,
                                                  const std::string& key) = 0;
    // `fallback` when the key is absent; a stored text reads by its leading integer.
    virtual std::int32_t ReadInt(const std::string& section, const std::string& key,
                                 std::int32_t fallback) = 0;
    virtual void WriteString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    virtual void WriteInt(const std::string& section, const std::string& key,
                          std::int32_t value) = 0;
    // Writes what is pending and takes in what another program wrote, so
    // each command sees the store as it is now. False when it cannot write.
    virtual bool Sync() { return true; }
    // Why the last Sync could not write, for the user.
    virtual std::string SyncError() const { return {}; }
};

class MemorySettingsStore final : public SettingsStore {
  public:
    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& key) override;
    std::int32_t ReadInt(const std::string& section, const std::string& key,
                         std::int32_t fallback) override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;
    void WriteInt(const std::string& section, const std::string& key, std::int32_t value) override;

    // Every stored value by section and key.
    const std::map<std::pair<std::string, std::string>, std::string>& Values() const {
        return values_;
    }

  private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace kova
