#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavro {

// Key paths of the stored settings, below the current user.
inline const std::string kMakerKey = "Software\\Dunmoor";
inline const std::string kFlagsKey = "Software\\Dunmoor\\Tavro\\Flags";
inline const std::string kRecentStartDirKey = "Software\\Dunmoor\\Tavro\\MRU\\StartDir";
inline const std::string kRecentFindKey = "Software\\Dunmoor\\Tavro\\MRU\\Find";
inline const std::string kRecentReplaceKey = "Software\\Dunmoor\\Tavro\\MRU\\Replace";
inline const std::string kRecentFileTypeKey = "Software\\Dunmoor\\Tavro\\MRU\\FileType";
inline const std::string kHelpersKey = "Software\\Dunmoor\\Tavro\\Helpers";

// A key's values, name and text, in their stored order.
using StoredValues = std::vector<std::pair<std::string, std::string>>;

// The per-user store of the dialog's settings: keys hold named text values.
// On Windows it is the registry; elsewhere one INI file per user. Texts are
// byte strings (UTF-8 where the dialog writes them).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Whether a key can be opened for reading; never creates it.
    virtual bool KeyExists(const std::string& key) = 0;
    // Creates the key (and its parents) when missing; false when it cannot.
    virtual bool CreateKey(const std::string& key) = 0;
    // The key's values, or nothing when the key cannot be opened.
    virtual std::optional<StoredValues> Values(const std::string& key) = 0;
    // One value; nothing when the key or the value is missing. Never creates.
    virtual std::optional<std::string> Value(const std::string& key, const std::string& name) = 0;
    // Sets a value in a key that CreateKey made; false when it cannot be stored.
    virtual bool SetValue(const std::string& key, const std::string& name,
                          const std::string& data) = 0;
    virtual bool DeleteValue(const std::string& key, const std::string& name) = 0;
};

}  // namespace tavro
