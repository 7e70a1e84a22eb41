#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace tavro {

// What a file chooser shows and starts with.
struct FileChooser {
    QString title;
    QStringList filters;  // "Description (*.ext)" entries; the first is selected
    QString initialDirectory;
    QString initialName;
    QString defaultSuffix;
};

// Every modal exchange with the user and every outside program the dialog
// starts goes through here, so tests can drive the dialog without blocking.
class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    virtual void ShowMessage(QWidget* owner, const QString& text) = 0;
    // The chosen path, or an empty string when the user cancelled.
    virtual QString ChooseOpenFile(QWidget* owner, const FileChooser& chooser) = 0;
    virtual QString ChooseSaveFile(QWidget* owner, const FileChooser& chooser) = 0;
    virtual QString ChooseFolder(QWidget* owner) = 0;
    virtual void RunModal(QDialog& dialog) = 0;

    // Starts `program` on `file` and does not wait for it.
    virtual void StartProgram(const QString& program, const QString& file) = 0;
    // Asks the desktop to act on a file ("edit" or "open"); false when it could not.
    virtual bool ShellOpen(const QString& file, const QString& action) = 0;
};

// The real Qt dialogs, processes and desktop services.
UserInteraction& QtUserInteraction();

}  // namespace tavro
