#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QPair>
#include <QStringList>
#include <memory>

#include "gui/control_ids.h"
#include "gui/dialog_template.h"
#include "gui/html_extensions.h"
#include "gui/ini_settings_store.h"
#include "gui/main_dialog.h"
#include "gui/user_interaction.h"
#include "tests/support/temp_tree.h"

namespace tavro::test {

// Answers the dialog's questions from scripts and records what it asked, so
// tests drive the dialog without a person and without blocking.
class ScriptedInteraction final : public UserInteraction {
public:
    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    QString ChooseOpenFile(QWidget*, const FileChooser& chooser) override {
        openChoosers << chooser;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString ChooseSaveFile(QWidget*, const FileChooser& chooser) override {
        saveChoosers << chooser;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QString ChooseFolder(QWidget*) override {
        ++folderChoosers;
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }
    void RunModal(QDialog& dialog) override { modalTitles << dialog.windowTitle(); }
    void StartProgram(const QString& program, const QString& file) override {
        started << qMakePair(program, file);
    }
    bool ShellOpen(const QString& file, const QString& action) override {
        shellCalls << qMakePair(action, file);
        return action != QStringLiteral("edit") || shellEditWorks;
    }

    QStringList messages;
    QStringList openAnswers;
    QStringList saveAnswers;
    QStringList folderAnswers;
    QList<FileChooser> openChoosers;
    QList<FileChooser> saveChoosers;
    int folderChoosers = 0;
    QStringList modalTitles;
    QList<QPair<QString, QString>> started;
    QList<QPair<QString, QString>> shellCalls;  // action, file
    bool shellEditWorks = true;
};

// A main dialog opened as at program start, with its settings in a fresh
// folder and a fresh program directory as the current directory.
class DialogFixture {
public:
    DialogFixture() { Open(); }
    ~DialogFixture();

    // Closes the dialog (without the exit path) and opens a new one on the
    // same settings, as a program restart would.
    void Reopen();
    void Open();

    template <typename T = QWidget>
    T* Control(int id) const {
        return qobject_cast<T*>(dialog->Control(id));
    }
    QComboBox* Combo(int id) const { return Control<QComboBox>(id); }
    QAbstractButton* Button(int id) const { return Control<QAbstractButton>(id); }
    QLineEdit* Edit(int id) const { return Control<QLineEdit>(id); }
    QStringList Items(int id) const;
    QStringList ListItems() const;
    void Click(int id) const;
    void Type(int id, const QString& text) const;  // replaces a text box's text and leaves it

    TempTree config;
    TempTree programDirectory;
    ScriptedInteraction interaction;
    std::unique_ptr<IniSettingsStore> store;
    std::unique_ptr<MainDialog> dialog;

private:
    CurrentDirectoryGuard guard;
};

}  // namespace tavro::test
