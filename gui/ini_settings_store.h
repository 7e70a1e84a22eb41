#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "gui/settings_store.h"

namespace tavro {

// The settings store where there is no registry: one INI file per user,
// CONFIG/Dunmoor/Tavro.ini, whose groups are the key paths below
// "Software\Dunmoor" ("Tavro/Flags", "Tavro/MRU/Find"). "Software\Dunmoor"
// exists exactly when the folder CONFIG/Dunmoor does. Values keep their
// order. Every change rewrites the file whole, through a new file renamed into
// place; a file that cannot be read or parsed counts as holding no values.
class IniSettingsStore final : public SettingsStore {
public:
    // `configDirectory` is $XDG_CONFIG_HOME or ~/.config for the real store.
    explicit IniSettingsStore(QString configDirectory);

    static QString DefaultConfigDirectory();

    bool KeyExists(const std::string& key) override;
    bool CreateKey(const std::string& key) override;
    std::optional<StoredValues> Values(const std::string& key) override;
    std::optional<std::string> Value(const std::string& key, const std::string& name) override;
    bool SetValue(const std::string& key, const std::string& name,
                  const std::string& data) override;
    bool DeleteValue(const std::string& key, const std::string& name) override;

    QString FilePath() const;

private:
    struct Group {
        QString name;
        StoredValues values;
    };

    std::optional<QString> GroupName(const std::string& key) const;
    Group* FindGroup(const QString& name);
    void Load();
    bool Save();

    QString makerDirectory;
    std::vector<Group> groups;
};

}  // namespace tavro
