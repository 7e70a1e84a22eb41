#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "engine/log_file.h"
#include "engine/run_log.h"
#include "engine/search_run.h"
#include "gui/main_dialog.h"

namespace tavro {
namespace {

const QString kStartCaption = QStringLiteral("&Start");
const QString kStopCaption = QStringLiteral("&Stop");

std::string Bytes(const QString& text) { return text.toStdString(); }

}  // namespace

QString MainDialog::Caption() const { return startStopButton->text(); }
void MainDialog::SetCaption(const QString& caption) { startStopButton->setText(caption); }

void MainDialog::OnStartStop() {
    if (Caption() == kStopCaption) {
        SetCaption(kStartCaption);
        abortRequested = 1;
        DoDataExchange(true);
        WriteAbortRecords();
        return;
    }
    if (abortRequested == 1) {
        interaction.ShowMessage(
            this, QStringLiteral("Please wait until the current abort operation is fully processed."));
        return;
    }
    SetCaption(kStopCaption);
    abortRequested = 0;
    DoDataExchange(true);
    RunSearch();
}

// The first failing check shows its message; nothing is written.
bool MainDialog::ValidateSettings() {
    auto refuse = [this](const QString& message) {
        interaction.ShowMessage(this, message);
        return false;
    };
    if (startDirectory.isEmpty()) {
        return refuse(QStringLiteral("Sorry, you can't leave the Starting Directory box empty."));
    }
    // Never walk the program directory in place of one that cannot be entered.
    if (!QDir::setCurrent(startDirectory)) {
        return refuse(QStringLiteral("Sorry, the Starting Directory could not be opened:\n") +
                      startDirectory);
    }
    if (fileType.isEmpty()) {
        return refuse(QStringLiteral(
            "Sorry, you can't leave the File Type box empty.\nPlease enter a file extension."));
    }
    if (findText.isEmpty()) return refuse(QStringLiteral("You must specify a string to search for."));
    if (makeBackups == 1 && backupExtension.isEmpty()) {
        return refuse(QStringLiteral("Please enter a backup file extension"));
    }
    if (startDirectory.compare(programDirectory, Qt::CaseInsensitive) == 0 &&
        (fileType.compare(QStringLiteral(".log"), Qt::CaseInsensitive) == 0 ||
         fileType.compare(QStringLiteral("log"), Qt::CaseInsensitive) == 0)) {
        return refuse(
            QStringLiteral("Sorry, you cannot search .log files in the Tavro program directory."));
    }
    if (recordLogfile == 1 && logFileName.isEmpty()) {
        return refuse(QStringLiteral("Please enter a name for the log file."));
    }
    return true;
}

void MainDialog::FillRunSettings() {
    QDir program(programDirectory);
    runSettings.startDirectory = Bytes(startDirectory);
    runSettings.fileTypeFilter = Bytes(fileType);
    runSettings.searchString = Bytes(findText);
    runSettings.replaceString = Bytes(replaceText);
    runSettings.includeSubdirectories = includeSubdirectories == 1;
    runSettings.regularExpression = regularExpression == 1;
    runSettings.caseSensitive = caseSensitive == 1;
    runSettings.makeBackups = makeBackups == 1;
    runSettings.backupExtension = Bytes(backupExtension);
    runSettings.processReadOnlyFiles = skipReadOnly == 0;
    runSettings.writeRunLog = recordLogfile == 1;
    // The log's path is fixed when the run starts.
    if (!running) runSettings.runLogPath = Bytes(program.filePath(logFileName));
    runSettings.errorLogPath = Bytes(errorLogPath);
    runSettings.abortLogPath = Bytes(program.filePath(QStringLiteral("abort.log")));
}

void MainDialog::RunSearch() {
    QDir::setCurrent(programDirectory);
    DoDataExchange(true);
    filesModifiedList->clear();
    runState.filesModified = 0;
    if (!ValidateSettings()) {
        QDir::setCurrent(programDirectory);
        SetCaption(kStartCaption);
        return;
    }
    DisableRunButtons();
    SetStatus(" Status :  Initializing Files . . .");
    FillRunSettings();
    FileServices& files = PlatformFileServices();
    LogFile runFile(files, runSettings.runLogPath, LogFile::Mode::openPerWrite);
    LogFile errorFile(files, runSettings.errorLogPath, LogFile::Mode::openPerWrite);
    LogFile abortFile(files, runSettings.abortLogPath, LogFile::Mode::openPerWrite);
    RunLog runLog(runFile);
    ErrorLog errorLog(errorFile, FrontEnd::gui);
    AbortLog abortLog(abortFile);
    if (recordLogfile == 1) runLog.Header();

    AddRecentEntry(startDirectoryBox, startDirectory, MatchRule::ignoreCase);
    AddRecentEntry(findBox, findText, MatchRule::exact);
    AddRecentEntry(replaceBox, replaceText, MatchRule::exact);
    AddRecentEntry(fileTypeBox, fileType, MatchRule::ignoreCase);

    activeRunLog = &runLog;
    activeAbortLog = &abortLog;
    running = true;
    polls = 0;
    {
        SearchRun run(runSettings, runState, files, RunLogs{runLog, errorLog, &abortLog},
                      FrontEnd::gui, this);
        if (runSettings.includeSubdirectories) {
            run.WalkTree();
        } else {
            run.WalkDirectory();
        }
    }
    running = false;
    activeRunLog = nullptr;
    activeAbortLog = nullptr;

    if (recordLogfile == 1 && abortRequested == 0) runLog.Summary(runState.filesModified);
    if (runState.filesModified == 0) AddModifiedFile(QStringLiteral("Search string not found."));
    EnableRunButtons();
    SetStatus(" Status :  Ready . . .");
    SetCaption(kStartCaption);
    abortRequested = 0;
    runState.stopped = false;

    QStringList unwritten;
    for (const LogFile* log : {&runFile, &abortFile}) {
        if (log->Failed()) unwritten << QString::fromStdString(log->Path());
    }
    for (const QString& path : unwritten) {
        interaction.ShowMessage(this, QStringLiteral("Could not write to the log file:\n") + path);
    }
}

void MainDialog::WriteAbortRecords() {
    if (activeRunLog == nullptr) return;
    FillRunSettings();
    if (recordLogfile == 1) activeRunLog->AbortNotice(runState.filesModified);
    activeAbortLog->StopHeader(runSettings);
}

bool MainDialog::PollStop() {
    emit Polling(++polls);
    QCoreApplication::processEvents();
    // Handlers run in the poll may have changed values: the next file follows them.
    FillRunSettings();
    if (abortRequested == 1) {
        SetStatus(kStatusWritingAbortLog);
        return true;
    }
    return false;
}

void MainDialog::SetStatus(std::string_view text) {
    QString status = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    statusLine->setText(status);
    emit StatusChanged(status);
}

void MainDialog::FileAccepted(std::string_view name) {
    AddModifiedFile(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    DoDataExchange(true);
}

void MainDialog::AddModifiedFile(const QString& text) {
    if (filesModifiedList == nullptr) return;
    filesModifiedList->addItem(text);
    filesModifiedList->setCurrentRow(filesModifiedList->count() - 1);
}

void MainDialog::DisableRunButtons() {
    for (QPushButton* button : {browseButton, exitButton, openLogButton}) button->setEnabled(false);
}

void MainDialog::EnableRunButtons() {
    for (QPushButton* button : {browseButton, exitButton, openLogButton}) button->setEnabled(true);
}

}  // namespace tavro
