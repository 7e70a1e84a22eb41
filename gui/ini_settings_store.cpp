#include "gui/ini_settings_store.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace tavro {
namespace {

const QString kMakerPrefix = QStringLiteral("Software\\Dunmoor");

// Backslash escapes keep any text on one line and keep '=' out of names.
QString Escape(const QString& text) {
    QString out;
    for (QChar c : text) {
        switch (c.unicode()) {
            case '\\': out += QStringLiteral("\\\\"); break;
            case '\n': out += QStringLiteral("\\n"); break;
            case '\r': out += QStringLiteral("\\r"); break;
            case '=': out += QStringLiteral("\\e"); break;
            case 0: out += QStringLiteral("\\0"); break;
            default: out += c;
        }
    }
    return out;
}

std::optional<QString> Unescape(QStringView text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\')) {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i].unicode()) {
            case '\\': out += QLatin1Char('\\'); break;
            case 'n': out += QLatin1Char('\n'); break;
            case 'r': out += QLatin1Char('\r'); break;
            case 'e': out += QLatin1Char('='); break;
            case '0': out += QChar(u'\0'); break;
            default: return std::nullopt;
        }
    }
    return out;
}

}  // namespace

IniSettingsStore::IniSettingsStore(QString configDirectory)
    : makerDirectory(QDir(configDirectory).filePath(QStringLiteral("Dunmoor"))) {
    Load();
}

QString IniSettingsStore::DefaultConfigDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString IniSettingsStore::FilePath() const {
    return QDir(makerDirectory).filePath(QStringLiteral("Tavro.ini"));
}

std::optional<QString> IniSettingsStore::GroupName(const std::string& key) const {
    QString path = QString::fromStdString(key);
    if (path == kMakerPrefix) return QString();
    if (!path.startsWith(kMakerPrefix + QLatin1Char('\\'))) return std::nullopt;
    return path.mid(kMakerPrefix.size() + 1).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

IniSettingsStore::Group* IniSettingsStore::FindGroup(const QString& name) {
    for (Group& group : groups) {
        if (group.name == name) return &group;
    }
    return nullptr;
}

void IniSettingsStore::Load() {
    groups.clear();
    QFile file(FilePath());
    if (!file.open(QIODevice::ReadOnly)) return;
    std::vector<Group> parsed;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.isEmpty()) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            parsed.push_back(Group{line.mid(1, line.size() - 2), {}});
            continue;
        }
        qsizetype equals = line.indexOf(QLatin1Char('='));
        std::optional<QString> name = Unescape(QStringView(line).left(equals));
        std::optional<QString> data = Unescape(QStringView(line).mid(equals + 1));
        if (parsed.empty() || equals < 0 || !name || !data) {
            return;  // not a file we wrote: it holds nothing for us
        }
        parsed.back().values.emplace_back(name->toStdString(), data->toStdString());
    }
    groups = std::move(parsed);
}

bool IniSettingsStore::Save() {
    if (!QDir().mkpath(makerDirectory)) return false;
    QString text;
    for (const Group& group : groups) {
        text += QLatin1Char('[') + group.name + QStringLiteral("]\n");
        for (const auto& [name, data] : group.values) {
            text += Escape(QString::fromStdString(name)) + QLatin1Char('=') +
                    Escape(QString::fromStdString(data)) + QLatin1Char('\n');
        }
    }
    QSaveFile file(FilePath());
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(text.toUtf8());
    return file.commit();
}

bool IniSettingsStore::KeyExists(const std::string& key) {
    std::optional<QString> name = GroupName(key);
    if (!name) return false;
    if (name->isEmpty()) return QDir(makerDirectory).exists();
    return QDir(makerDirectory).exists() && FindGroup(*name) != nullptr;
}

bool IniSettingsStore::CreateKey(const std::string& key) {
    std::optional<QString> name = GroupName(key);
    if (!name) return false;
    if (!QDir().mkpath(makerDirectory)) return false;
    if (name->isEmpty() || FindGroup(*name) != nullptr) return true;
    groups.push_back(Group{*name, {}});
    return Save();
}

std::optional<StoredValues> IniSettingsStore::Values(const std::string& key) {
    std::optional<QString> name = GroupName(key);
    if (!name || !KeyExists(key)) return std::nullopt;
    if (name->isEmpty()) return StoredValues();
    return FindGroup(*name)->values;
}

std::optional<std::string> IniSettingsStore::Value(const std::string& key,
                                                   const std::string& name) {
    std::optional<StoredValues> values = Values(key);
    if (!values) return std::nullopt;
    for (const auto& [stored, data] : *values) {
        if (stored == name) return data;
    }
    return std::nullopt;
}

bool IniSettingsStore::SetValue(const std::string& key, const std::string& name,
                                const std::string& data) {
    std::optional<QString> groupName = GroupName(key);
    Group* group = groupName ? FindGroup(*groupName) : nullptr;
    if (group == nullptr) return false;
    for (auto& value : group->values) {
        if (value.first == name) {
            value.second = data;
            return Save();
        }
    }
    group->values.emplace_back(name, data);
    return Save();
}

bool IniSettingsStore::DeleteValue(const std::string& key, const std::string& name) {
    std::optional<QString> groupName = GroupName(key);
    Group* group = groupName ? FindGroup(*groupName) : nullptr;
    if (group == nullptr) return false;
    for (auto it = group->values.begin(); it != group->values.end(); ++it) {
        if (it->first == name) {
            group->values.erase(it);
            return Save();
        }
    }
    return false;
}

}  // namespace tavro
