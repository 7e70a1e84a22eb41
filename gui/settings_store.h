#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace tavro {

// Key paths of the stored settings, below the current user.
inline const QString kMakerKey = QStringLiteral("Software\\Dunmoor");
inline const QString kFlagsKey = QStringLiteral("Software\\Dunmoor\\Tavro\\Flags");
inline const QString kRecentStartDirKey = QStringLiteral("Software\\Dunmoor\\Tavro\\MRU\\StartDir");
inline const QString kRecentFindKey = QStringLiteral("Software\\Dunmoor\\Tavro\\MRU\\Find");
inline const QString kRecentReplaceKey = QStringLiteral("Software\\Dunmoor\\Tavro\\MRU\\Replace");
inline const QString kRecentFileTypeKey = QStringLiteral("Software\\Dunmoor\\Tavro\\MRU\\FileType");
inline const QString kHelpersKey = QStringLiteral("Software\\Dunmoor\\Tavro\\Helpers");

using StoredValues = QList<QPair<QString, QString>>;

// The per-user store of the dialog's settings: keys hold named text values.
// On Windows it is the registry; elsewhere one INI file per user.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Whether a key can be opened for reading; never creates it.
    virtual bool KeyExists(const QString& key) = 0;
    // Creates the key (and its parents) when missing; false when it cannot.
    virtual bool CreateKey(const QString& key) = 0;
    // The key's values in their stored order, or nothing when the key cannot be opened.
    virtual std::optional<StoredValues> Values(const QString& key) = 0;
    // One value; nothing when the key or the value is missing. Never creates.
    virtual std::optional<QString> Value(const QString& key, const QString& name) = 0;
    // Sets a value in a key that CreateKey made; false when it cannot be stored.
    virtual bool SetValue(const QString& key, const QString& name, const QString& data) = 0;
    virtual bool DeleteValue(const QString& key, const QString& name) = 0;
};

}  // namespace tavro
