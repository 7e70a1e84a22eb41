#include <QComboBox>

#include "gui/main_dialog.h"

namespace tavro {
namespace {

constexpr int kStoredEntries = 10;

bool HasEntry(const QComboBox* combo, const QString& text, MainDialog::MatchRule rule) {
    Qt::CaseSensitivity sensitivity =
        rule == MainDialog::MatchRule::exact ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).compare(text, sensitivity) == 0) return true;
    }
    return false;
}

// A NUL in stored data ends the entry there.
QString EntryText(const std::string& data) {
    return QString::fromUtf8(data.c_str());
}

}  // namespace

void MainDialog::AddRecentEntry(QComboBox* combo, const QString& text, MatchRule rule) {
    if (text.isEmpty() || HasEntry(combo, text, rule)) return;
    QString shown = combo->currentText();
    combo->addItem(text);
    combo->setEditText(shown);  // appending never changes what the field shows
}

void MainDialog::LoadRecentList(const std::string& key, QComboBox* combo, MatchRule rule) {
    if (!store.CreateKey(key)) return;
    std::optional<StoredValues> values = store.Values(key);
    if (!values) return;
    for (const auto& value : *values) {
        QString text = EntryText(value.second);
        if (!HasEntry(combo, text, rule)) combo->addItem(text);
    }
    combo->setEditText(QString());
}

void MainDialog::SaveRecentList(const std::string& key, QComboBox* combo) {
    if (!store.CreateKey(key)) return;
    std::size_t stored = store.Values(key).value_or(StoredValues()).size();
    for (std::size_t number = 0; number <= stored; ++number) {
        store.DeleteValue(key, std::to_string(number));
    }
    int count = combo->count();
    if (count > kStoredEntries) {
        for (int i = 0; i < kStoredEntries; ++i) {
            store.SetValue(key, std::to_string(i),
                           combo->itemText(count - kStoredEntries + i).toStdString());
        }
        return;
    }
    int next = 0;
    for (int i = 0; i < count; ++i) {
        QString text = combo->itemText(i);
        if (!text.isEmpty()) store.SetValue(key, std::to_string(next++), text.toStdString());
    }
}

void MainDialog::ClearRecentList(const QString& listName) {
    const std::pair<QString, QComboBox*> kLists[] = {
        {QStringLiteral("Start Dir"), startDirectoryBox},
        {QStringLiteral("Search String"), findBox},
        {QStringLiteral("Replace String"), replaceBox},
        {QStringLiteral("File Type"), fileTypeBox},
    };
    for (const auto& [name, combo] : kLists) {
        if (listName == name || listName == QStringLiteral("All")) {
            combo->clear();
            combo->setEditText(QString());
        }
    }
}

}  // namespace tavro
