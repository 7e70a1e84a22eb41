#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>

#include "gui/html_extensions.h"
#include "gui/main_dialog.h"

namespace tavro {
namespace {

struct HelperText {
    QString* program;
    QString* directory;
    const char* programValue;
    const char* directoryValue;
    const char* title;
    const char* confirmation;
};

}  // namespace

QString MainDialog::ReadHelperSetting(const std::string& name) {
    return QString::fromStdString(store.Value(kHelpersKey, name).value_or(std::string()));
}

void MainDialog::WriteHelperSetting(const std::string& name, const QString& value) {
    if (!store.CreateKey(kHelpersKey)) {
        interaction.ShowMessage(
            this, QStringLiteral("Failed to write new value to the registry.\nPossibly you do "
                                 "not have registry write-access rights."));
        return;
    }
    store.SetValue(kHelpersKey, name, value.toStdString());
}

void MainDialog::ChooseHelperProgram(Helper helper) {
    const HelperText kHelpers[] = {
        {&htmlEditor, &htmlEditorPath, "Default HTML Editor", "Default HTML Editor Path",
         "Choose a default HTML file editor ...",
         "The default HTML file editor has been set to\n%1"},
        {&htmlBrowser, &htmlBrowserPath, "Default HTML Browser", "Default HTML Browser Path",
         "Choose a default HTML file browser ...",
         "The default HTML file browser has been set to\n%1"},
        {&logViewer, &logViewerPath, "Default Log File Viewer", "Default Log File Viewer Path",
         "Choose a default Log file editor ...", "The default log file viewer has been set to\n%1"},
        {&textViewer, &textViewerPath, "Default Text File Viewer", "Default Text File Viewer Path",
         "Choose a default Text file editor ...",
         "The default text file viewer has been set to\n%1"},
    };
    const HelperText& text = kHelpers[static_cast<int>(helper)];
    FileChooser chooser;
    chooser.title = QString::fromUtf8(text.title);
#ifdef _WIN32
    chooser.filters = {QStringLiteral("Program files (*.exe)"), QStringLiteral("All files (*.*)")};
    chooser.defaultSuffix = QStringLiteral("exe");
    const QString fallbackDirectory = QStringLiteral("C:\\");
#else
    // Programs here carry no extension: every file is offered.
    chooser.filters = {QStringLiteral("All files (*)")};
    const QString fallbackDirectory = QDir::rootPath();
#endif
    chooser.initialDirectory = text.directory->isEmpty() ? fallbackDirectory : *text.directory;
    chooser.initialName = *text.program;
    QString chosen = interaction.ChooseOpenFile(this, chooser);
    if (chosen.isEmpty()) return;
    chosen = QDir::toNativeSeparators(chosen);
    *text.program = chosen;
    interaction.ShowMessage(this, QString::fromUtf8(text.confirmation).arg(chosen));
    WriteHelperSetting(text.programValue, *text.program);
    *text.directory = HelperDirectory(chosen);
    WriteHelperSetting(text.directoryValue, *text.directory);
}

void MainDialog::StartHelperProgram(const QString& program, const QString& file) {
    interaction.StartProgram(program, file);
}

void MainDialog::ShellOpenFile(const QString& file) {
    if (!interaction.ShellOpen(file, QStringLiteral("edit"))) {
        interaction.ShellOpen(file, QStringLiteral("open"));
    }
}

void MainDialog::OnOpenLogFile() {
    QString logFile = QDir(programDirectory).filePath(logFileName);
    if (!logViewer.isEmpty()) {
        StartHelperProgram(logViewer, QDir::toNativeSeparators(logFile));
    } else {
        interaction.ShellOpen(logFile, QStringLiteral("open"));
    }
}

void MainDialog::OpenModifiedFile() {
    QListWidgetItem* selected = filesModifiedList->currentItem();
    if (selected == nullptr) return;
    QString file = selected->text();
    QString listPath = QDir(programDirectory).filePath(QString::fromUtf8(kHtmlExtensionsFile));
    std::optional<QStringList> extensions = ReadHtmlExtensions(listPath);
    if (!extensions) {
        // Beside the installed program as well, where the package puts one.
        QString shipped = QDir(QCoreApplication::applicationDirPath())
                              .filePath(QString::fromUtf8(kHtmlExtensionsFile));
        extensions = ReadHtmlExtensions(shipped);
    }
    if (!extensions) {
        interaction.ShowMessage(
            this, QStringLiteral("Could not open ") + QDir::toNativeSeparators(listPath) +
                      QStringLiteral("\nFile may not exist. Please make sure there is a file\nin "
                                     "the Tavro program directory called \"HTMLFiles.dat\""));
    }
    bool html = IsHtmlFile(file, extensions.value_or(QStringList()));
    if (!html) {
        if (!textViewer.isEmpty()) {
            StartHelperProgram(textViewer, file);
        } else {
            ShellOpenFile(file);
        }
        return;
    }
    if (enableHtmlProcessing != 1) {
        ShellOpenFile(file);
    } else if (editHtmlFiles == 1) {
        if (!htmlEditor.isEmpty()) {
            StartHelperProgram(htmlEditor, file);
        } else {
            ShellOpenFile(file);
        }
    } else if (!htmlBrowser.isEmpty()) {
        StartHelperProgram(htmlBrowser, file);
    } else {
        interaction.ShellOpen(file, QStringLiteral("open"));
    }
}

}  // namespace tavro
