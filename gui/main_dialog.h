#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <functional>

#include "engine/progress_sink.h"
#include "engine/run_settings.h"
#include "gui/settings_store.h"
#include "gui/user_interaction.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QPushButton;
class QRadioButton;

namespace tavro {

class AbortLog;
class DialogUnits;
class RunLog;

// The program's one working window: every search setting as a value, the
// recent entries of the four text fields, the files a run modifies, a status
// line and the Start/Stop button. It is the engine's progress sink during a
// run, which executes synchronously inside the button's handler.
class MainDialog final : public QDialog, public ProgressSink {
    Q_OBJECT

public:
    MainDialog(UserInteraction& interaction, SettingsStore& store, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Start-up: menu, first-run defaults, stored flags, recent lists, program
    // directory, status line, tooltips, helper programs. Called once, before
    // the dialog is shown.
    bool OnInitDialog();

    // Reads every exchanged value from its control (`save`), or sets the
    // controls from the values.
    void DoDataExchange(bool save);

    // The values of the dialog.
    QString startDirectory;
    QString findText;
    QString replaceText;
    QString fileType;
    QString backupExtension;
    QString logFileName = QStringLiteral("default.log");
    int saveSettingsOnExit = 0;
    int includeSubdirectories = 0;
    int makeBackups = 0;
    int regularExpression = 0;
    int editHtmlFiles = 0;
    int enableHtmlProcessing = 0;
    int caseSensitive = 0;
    int recordLogfile = 0;
    int skipReadOnly = 0;
    QString programDirectory;
    QString errorLogPath;

    // The helper programs and the directories they were chosen from.
    QString htmlEditor, htmlEditorPath;
    QString htmlBrowser, htmlBrowserPath;
    QString logViewer, logViewerPath;
    QString textViewer, textViewerPath;

    // Run state.
    RunState runState;
    int abortRequested = 0;
    bool IsRunning() const { return running; }

    // Handlers.
    void OnStartStop();
    void OnBrowseFolder();
    void OnOpenAutoConfig();
    void OnSaveAutoConfig();
    void ReadAutoConfigFile(const QString& path);
    void WriteAutoConfigFile(const QString& path);
    void OnOpenLogFile();
    void OpenModifiedFile();
    void OnCommand(int id);
    void OnSysCommand(int id);
    void ShowAbout();
    void OpenUserGuide();

    // Settings store.
    void ApplyFirstRunDefaults();
    void LoadFlags();
    void SaveFlags();
    void reject() override;  // the exit path: Exit, Escape, the close box, File Exit

    // Recent-entry lists.
    enum class MatchRule { ignoreCase, exact };
    void LoadRecentList(const std::string& key, QComboBox* combo, MatchRule rule);
    void SaveRecentList(const std::string& key, QComboBox* combo);
    void ClearRecentList(const QString& listName);
    static void AddRecentEntry(QComboBox* combo, const QString& text, MatchRule rule);

    // Helper programs.
    enum class Helper { htmlEditor, htmlBrowser, logViewer, textViewer };
    QString ReadHelperSetting(const std::string& name);
    void WriteHelperSetting(const std::string& name, const QString& value);
    void ChooseHelperProgram(Helper helper);
    void StartHelperProgram(const QString& program, const QString& file);
    void ShellOpenFile(const QString& file);

    // ProgressSink: the engine's calls during a run.
    bool PollStop() override;
    void SetStatus(std::string_view text) override;
    void FileAccepted(std::string_view name) override;
    void AddModifiedFile(const QString& text);

    QWidget* Control(int id) const;
    QMenuBar* MenuBar() const { return menuBar; }

signals:
    // Emitted at the start of every file of a run, before waiting input is
    // handled; `fileNumber` counts from 1.
    void Polling(int fileNumber);
    // The status line changed.
    void StatusChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void FitLabels(const DialogUnits& units);
    void BuildMenu();
    void ConnectHandlers();
    bool PreTranslateMessage(QObject* watched, QEvent* event);
    void RunSearch();
    bool ValidateSettings();
    void FillRunSettings();
    void WriteAbortRecords();
    void DisableRunButtons();
    void EnableRunButtons();
    void SetCaption(const QString& caption);
    QString Caption() const;
    void SetFlagControl(QCheckBox* box, int value);

    UserInteraction& interaction;
    SettingsStore& store;
    QIcon programIcon;
    QMenuBar* menuBar = nullptr;
    QWidget* client = nullptr;

    QComboBox* startDirectoryBox = nullptr;
    QComboBox* findBox = nullptr;
    QComboBox* replaceBox = nullptr;
    QComboBox* fileTypeBox = nullptr;
    QLineEdit* extensionBox = nullptr;
    QLabel* extensionLabel = nullptr;
    QLineEdit* logNameBox = nullptr;
    QCheckBox* makeBackupsBox = nullptr;
    QCheckBox* includeSubdirectoriesBox = nullptr;
    QCheckBox* regularExpressionBox = nullptr;
    QCheckBox* caseSensitiveBox = nullptr;
    QCheckBox* recordLogfileBox = nullptr;
    QCheckBox* enableHtmlBox = nullptr;
    QCheckBox* saveSettingsBox = nullptr;
    QRadioButton* skipButton = nullptr;
    QRadioButton* processButton = nullptr;
    QRadioButton* editButton = nullptr;
    QRadioButton* viewButton = nullptr;
    QListWidget* filesModifiedList = nullptr;
    QLabel* statusLine = nullptr;
    QPushButton* startStopButton = nullptr;
    QPushButton* exitButton = nullptr;
    QPushButton* openLogButton = nullptr;
    QPushButton* browseButton = nullptr;
    QPushButton* autoConfigButton = nullptr;

    // During a run: the engine's settings (kept in step with the values) and
    // the logs, which are opened and closed around every write.
    RunSettings runSettings;
    bool running = false;
    int polls = 0;
    RunLog* activeRunLog = nullptr;
    AbortLog* activeAbortLog = nullptr;
};

}  // namespace tavro
