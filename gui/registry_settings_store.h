#pragma once

#include <optional>
#include <string>

#include "gui/settings_store.h"

namespace tavro {

// The settings store on Windows: keys of the registry below HKEY_CURRENT_USER.
// Keys are created non-volatile with full access and the class string
// "REG_SZ"; values are REG_SZ. A flag ("1" or "0") is stored with its
// terminating NUL (2 bytes), every other text without one. Reading takes a
// value's data up to its stored length or its first NUL, whatever its type.
class RegistrySettingsStore final : public SettingsStore {
public:
    // `makerKey` takes the place of "Software\Dunmoor" in every key path, so
    // that tests can work below a key of their own; keys outside the maker's
    // key are refused.
    explicit RegistrySettingsStore(std::string makerKey = kMakerKey);

    bool KeyExists(const std::string& key) override;
    bool CreateKey(const std::string& key) override;
    std::optional<StoredValues> Values(const std::string& key) override;
    std::optional<std::string> Value(const std::string& key, const std::string& name) override;
    bool SetValue(const std::string& key, const std::string& name,
                  const std::string& data) override;
    bool DeleteValue(const std::string& key, const std::string& name) override;

private:
    // The registry path of one of the program's keys.
    std::optional<std::string> Path(const std::string& key) const;

    std::string makerKey;
};

}  // namespace tavro
