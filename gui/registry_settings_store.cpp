#include "gui/registry_settings_store.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace tavro {
namespace {

// The class string the program has always given its keys.
char kKeyClass[] = "REG_SZ";

// Closes a key on every path out of a function.
struct Key {
    HKEY value = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (value != nullptr) ::RegCloseKey(value);
    }
};

bool Open(const std::string& path, REGSAM access, Key& key) {
    return ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, &key.value) == ERROR_SUCCESS;
}

// Stored data as text: its stored length, or up to a NUL inside it.
std::string Text(const std::vector<BYTE>& data, DWORD size) {
    const char* bytes = reinterpret_cast<const char*>(data.data());
    const void* nul = std::memchr(bytes, '\0', size);
    return std::string(bytes, nul != nullptr ? static_cast<const char*>(nul) - bytes : size);
}

}  // namespace

RegistrySettingsStore::RegistrySettingsStore(std::string makerKey)
    : makerKey(std::move(makerKey)) {}

std::optional<std::string> RegistrySettingsStore::Path(const std::string& key) const {
    if (key == kMakerKey) return makerKey;
    if (key.size() > kMakerKey.size() && key.compare(0, kMakerKey.size(), kMakerKey) == 0 &&
        key[kMakerKey.size()] == '\\') {
        return makerKey + key.substr(kMakerKey.size());
    }
    return std::nullopt;
}

bool RegistrySettingsStore::KeyExists(const std::string& key) {
    std::optional<std::string> path = Path(key);
    Key opened;
    return path && Open(*path, KEY_READ, opened);
}

bool RegistrySettingsStore::CreateKey(const std::string& key) {
    std::optional<std::string> path = Path(key);
    if (!path) return false;
    Key created;
    DWORD disposition = 0;
    return ::RegCreateKeyExA(HKEY_CURRENT_USER, path->c_str(), 0, kKeyClass,
                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created.value,
                             &disposition) == ERROR_SUCCESS;
}

// Values in the registry's enumeration order. A value that changes while it
// is read is read again with buffers of its new size.
std::optional<StoredValues> RegistrySettingsStore::Values(const std::string& key) {
    std::optional<std::string> path = Path(key);
    Key opened;
    if (!path || !Open(*path, KEY_QUERY_VALUE, opened)) return std::nullopt;
    StoredValues values;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (::RegQueryInfoKeyA(opened.value, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, &longestName, &longestData, nullptr,
                           nullptr) != ERROR_SUCCESS) {
        return values;
    }
    std::vector<char> name(longestName + 1);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD index = 0;;) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG result = ::RegEnumValueA(opened.value, index, name.data(), &nameSize, nullptr, &type,
                                      data.data(), &dataSize);
        if (result == ERROR_MORE_DATA) {
            if (::RegQueryInfoKeyA(opened.value, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, &longestName, &longestData, nullptr,
                                   nullptr) != ERROR_SUCCESS ||
                (longestName + 1 <= name.size() && longestData + 1 <= data.size())) {
                break;
            }
            name.resize(std::max<std::size_t>(name.size(), longestName + 1));
            data.resize(std::max<std::size_t>(data.size(), longestData + 1));
            continue;
        }
        if (result != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS at the end
        values.emplace_back(std::string(name.data(), nameSize), Text(data, dataSize));
        ++index;
    }
    return values;
}

std::optional<std::string> RegistrySettingsStore::Value(const std::string& key,
                                                        const std::string& name) {
    std::optional<std::string> path = Path(key);
    Key opened;
    if (!path || !Open(*path, KEY_QUERY_VALUE, opened)) return std::nullopt;
    std::vector<BYTE> data(260);
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG result =
            ::RegQueryValueExA(opened.value, name.c_str(), nullptr, &type, data.data(), &size);
        if (result == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);
            continue;
        }
        if (result != ERROR_SUCCESS) return std::nullopt;
        return Text(data, size);
    }
}

bool RegistrySettingsStore::SetValue(const std::string& key, const std::string& name,
                                     const std::string& data) {
    std::optional<std::string> path = Path(key);
    Key opened;
    if (!path || !Open(*path, KEY_SET_VALUE, opened)) return false;
    // RegSetValueExA counts a NUL the caller left out when one follows the
    // data, so a text stored without its NUL is handed over followed by
    // another byte.
    bool withNul = key == kFlagsKey;
    std::vector<BYTE> bytes(data.begin(), data.end());
    bytes.push_back(withNul ? '\0' : '\x01');
    DWORD size = static_cast<DWORD>(data.size() + (withNul ? 1 : 0));
    return ::RegSetValueExA(opened.value, name.c_str(), 0, REG_SZ, bytes.data(), size) ==
           ERROR_SUCCESS;
}

bool RegistrySettingsStore::DeleteValue(const std::string& key, const std::string& name) {
    std::optional<std::string> path = Path(key);
    Key opened;
    if (!path || !Open(*path, KEY_SET_VALUE, opened)) return false;
    return ::RegDeleteValueA(opened.value, name.c_str()) == ERROR_SUCCESS;
}

}  // namespace tavro
