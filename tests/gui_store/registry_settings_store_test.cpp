#include "gui/registry_settings_store.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/platform/win32_api.h"

namespace tavro {
namespace {

const std::string kTestKeys = "Software\\TavroTest";

// A store working below a fresh key of its own instead of "Software\Dunmoor",
// removed with everything below it afterwards.
class RegistryStoreTest : public ::testing::Test {
protected:
    RegistryStoreTest()
        : root(kTestKeys + "\\" + std::to_string(::GetCurrentProcessId()) + "-" +
               std::to_string(std::random_device()())),
          store(root) {}

    ~RegistryStoreTest() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, root.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, root.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kTestKeys.c_str());  // fails while others use it
    }

    // Where `key` (one of the program's key paths) lies for this store.
    std::string Real(const std::string& key) const { return root + key.substr(kMakerKey.size()); }

    struct Raw {
        DWORD type = 0;
        std::u16string data;  // as stored: UTF-16, one unit for each byte written here
    };

    // A value exactly as the registry holds it. The A calls convert to and
    // from UTF-16 and may add a NUL on the way back, so it is read with the W
    // call: its size tells whether the NUL was stored.
    Raw Stored(const std::string& key, const std::string& name) const {
        Raw raw;
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, Real(key).c_str(), 0, KEY_QUERY_VALUE, &opened) !=
            ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot open " << Real(key);
            return raw;
        }
        std::wstring wideName(name.begin(), name.end());
        DWORD size = 0;
        ::RegQueryValueExW(opened, wideName.c_str(), nullptr, &raw.type, nullptr, &size);
        std::vector<BYTE> bytes(size);
        ::RegQueryValueExW(opened, wideName.c_str(), nullptr, &raw.type, bytes.data(), &size);
        ::RegCloseKey(opened);
        for (DWORD i = 0; i + 1 < size; i += 2) {
            raw.data += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        }
        return raw;
    }

    static std::u16string Units(std::string_view text) { return {text.begin(), text.end()}; }

    std::string root;
    RegistrySettingsStore store;
};

TEST_F(RegistryStoreTest, ReadingNeverCreatesAKey) {
    EXPECT_FALSE(store.KeyExists(kMakerKey));
    EXPECT_EQ(store.Value(kHelpersKey, "Default HTML Editor"), std::nullopt);
    EXPECT_EQ(store.Values(kFlagsKey), std::nullopt);
    EXPECT_FALSE(store.SetValue(kFlagsKey, "Backup", "1"));
    EXPECT_FALSE(store.DeleteValue(kFlagsKey, "Backup"));
    EXPECT_FALSE(store.KeyExists(kMakerKey));
    EXPECT_FALSE(store.KeyExists(kFlagsKey));
}

TEST_F(RegistryStoreTest, CreatingAKeyCreatesItsParentsWithTheClassRegSz) {
    ASSERT_TRUE(store.CreateKey(kFlagsKey));
    EXPECT_TRUE(store.KeyExists(kMakerKey));
    EXPECT_TRUE(store.KeyExists(kFlagsKey));
    EXPECT_FALSE(store.KeyExists(kHelpersKey));
    EXPECT_TRUE(store.CreateKey(kFlagsKey));  // opening an existing key is no failure

    HKEY opened = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, Real(kFlagsKey).c_str(), 0, KEY_READ, &opened),
              ERROR_SUCCESS);
    char keyClass[64] = {};
    DWORD classLength = sizeof keyClass;
    ASSERT_EQ(::RegQueryInfoKeyA(opened, keyClass, &classLength, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(opened);
    EXPECT_EQ(std::string(keyClass, classLength), "REG_SZ");
}

TEST_F(RegistryStoreTest, KeysOutsideTheMakersKeyAreRefused) {
    for (const std::string key : {"Software\\Other", "Software\\DunmoorX\\Tavro", "Dunmoor"}) {
        EXPECT_FALSE(store.CreateKey(key)) << key;
        EXPECT_FALSE(store.KeyExists(key)) << key;
        EXPECT_FALSE(store.SetValue(key, "a", "b")) << key;
    }
}

TEST_F(RegistryStoreTest, FlagsAreRegSzOfTwoBytesWithTheirNul) {
    ASSERT_TRUE(store.CreateKey(kFlagsKey));
    ASSERT_TRUE(store.SetValue(kFlagsKey, "Backup", "1"));
    ASSERT_TRUE(store.SetValue(kFlagsKey, "Save Settings", "0"));
    Raw backup = Stored(kFlagsKey, "Backup");
    EXPECT_EQ(backup.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(backup.data, Units(std::string_view("1\0", 2)));
    EXPECT_EQ(Stored(kFlagsKey, "Save Settings").data, Units(std::string_view("0\0", 2)));
    EXPECT_EQ(store.Value(kFlagsKey, "Backup"), "1");
    EXPECT_EQ(store.Values(kFlagsKey), (StoredValues{{"Backup", "1"}, {"Save Settings", "0"}}));
}

TEST_F(RegistryStoreTest, RecentEntriesAndHelpersAreRegSzWithoutNul) {
    for (const std::string& key :
         {kRecentStartDirKey, kRecentFindKey, kRecentReplaceKey, kRecentFileTypeKey, kHelpersKey}) {
        ASSERT_TRUE(store.CreateKey(key));
        std::string text = "C:\\Program Files\\Editor \"x\".exe";
        ASSERT_TRUE(store.SetValue(key, "0", text));
        Raw raw = Stored(key, "0");
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ)) << key;
        EXPECT_EQ(raw.data, Units(text)) << key;
        EXPECT_EQ(store.Value(key, "0"), text) << key;
    }
}

TEST_F(RegistryStoreTest, NumberedValuesComeBackInTheirOrderAndDeleteOneByOne) {
    ASSERT_TRUE(store.CreateKey(kRecentFindKey));
    const std::vector<std::string> entries = {"first", "3", "", "Old Text"};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ASSERT_TRUE(store.SetValue(kRecentFindKey, std::to_string(i), entries[i]));
    }
    EXPECT_EQ(store.Values(kRecentFindKey),
              (StoredValues{{"0", "first"}, {"1", "3"}, {"2", ""}, {"3", "Old Text"}}));
    EXPECT_TRUE(store.SetValue(kRecentFindKey, "1", "replaced"));
    EXPECT_TRUE(store.DeleteValue(kRecentFindKey, "2"));
    EXPECT_FALSE(store.DeleteValue(kRecentFindKey, "2"));
    EXPECT_FALSE(store.DeleteValue(kRecentFindKey, "7"));
    EXPECT_EQ(store.Values(kRecentFindKey),
              (StoredValues{{"0", "first"}, {"1", "replaced"}, {"3", "Old Text"}}));
}

TEST_F(RegistryStoreTest, DataEndsAtItsLengthOrItsFirstNulWhateverItsType) {
    ASSERT_TRUE(store.CreateKey(kHelpersKey));
    HKEY opened = nullptr;
    ASSERT_EQ(
        ::RegOpenKeyExA(HKEY_CURRENT_USER, Real(kHelpersKey).c_str(), 0, KEY_SET_VALUE, &opened),
        ERROR_SUCCESS);
    const BYTE withNul[] = {'a', 'b', '\0', 'c', 'd'};
    ::RegSetValueExA(opened, "inner", 0, REG_SZ, withNul, sizeof withNul);
    const BYTE binary[] = {'x', 'y', 'z'};
    ::RegSetValueExA(opened, "binary", 0, REG_BINARY, binary, sizeof binary);
    ::RegCloseKey(opened);
    EXPECT_EQ(store.Value(kHelpersKey, "inner"), "ab");
    EXPECT_EQ(store.Value(kHelpersKey, "binary"), "xyz");
    EXPECT_EQ(store.Value(kHelpersKey, "missing"), std::nullopt);
    StoredValues values = store.Values(kHelpersKey).value_or(StoredValues());
    EXPECT_EQ(values.size(), 2u);
    for (const auto& [name, data] : values) EXPECT_EQ(data, name == "inner" ? "ab" : "xyz");
}

TEST_F(RegistryStoreTest, LongTextsAndNamesRoundTrip) {
    ASSERT_TRUE(store.CreateKey(kRecentReplaceKey));
    std::string name(200, 'n');
    std::string text;
    while (text.size() < 5000) text += "a longer replacement text; ";
    ASSERT_TRUE(store.SetValue(kRecentReplaceKey, name, text));
    EXPECT_EQ(store.Value(kRecentReplaceKey, name), text);
    EXPECT_EQ(store.Values(kRecentReplaceKey), (StoredValues{{name, text}}));
}

// The tests' keys stand in for "Software\Dunmoor": that key of the user's is
// neither created nor changed by them.
TEST_F(RegistryStoreTest, TheUsersOwnSettingsAreNeverTouched) {
    HKEY real = nullptr;
    bool existed =
        ::RegOpenKeyExA(HKEY_CURRENT_USER, kMakerKey.c_str(), 0, KEY_READ, &real) == ERROR_SUCCESS;
    if (real != nullptr) ::RegCloseKey(real);
    RegistrySettingsStore user;
    EXPECT_EQ(user.KeyExists(kMakerKey), existed);

    ASSERT_TRUE(store.CreateKey(kFlagsKey));
    ASSERT_TRUE(store.SetValue(kFlagsKey, "Backup", "1"));
    ASSERT_TRUE(store.CreateKey(kRecentFindKey));
    ASSERT_TRUE(store.SetValue(kRecentFindKey, "0", "x"));
    EXPECT_EQ(user.KeyExists(kMakerKey), existed);
    if (!existed) {
        EXPECT_FALSE(user.KeyExists(kFlagsKey));
    }
}

}  // namespace
}  // namespace tavro
