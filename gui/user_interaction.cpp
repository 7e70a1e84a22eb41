#include "gui/user_interaction.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace tavro {
namespace {

void Apply(QFileDialog& dialog, const FileChooser& chooser) {
    dialog.setWindowTitle(chooser.title);
    dialog.setNameFilters(chooser.filters);
    if (!chooser.filters.isEmpty()) dialog.selectNameFilter(chooser.filters.front());
    dialog.setDirectory(chooser.initialDirectory);
    if (!chooser.initialName.isEmpty()) dialog.selectFile(chooser.initialName);
    dialog.setDefaultSuffix(chooser.defaultSuffix);
}

class QtInteraction final : public UserInteraction {
public:
    void ShowMessage(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("tavro"), text, QMessageBox::Ok, owner);
        box.exec();
    }

    QString ChooseOpenFile(QWidget* owner, const FileChooser& chooser) override {
        QFileDialog dialog(owner);
        Apply(dialog, chooser);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }

    QString ChooseSaveFile(QWidget* owner, const FileChooser& chooser) override {
        QFileDialog dialog(owner);
        Apply(dialog, chooser);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }

    QString ChooseFolder(QWidget* owner) override {
        return QFileDialog::getExistingDirectory(owner, QString(), QString(),
                                                 QFileDialog::ShowDirsOnly);
    }

    void RunModal(QDialog& dialog) override { dialog.exec(); }

    void StartProgram(const QString& program, const QString& file) override {
        // No shell in between: the file is one argument whatever it holds.
        QProcess::startDetached(program, {file});
    }

    bool ShellOpen(const QString& file, const QString&) override {
        // The desktop has one default action for a file; "edit" falls to it too.
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    }
};

}  // namespace

UserInteraction& QtUserInteraction() {
    static QtInteraction interaction;
    return interaction;
}

}  // namespace tavro
