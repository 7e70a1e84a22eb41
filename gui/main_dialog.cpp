#include "gui/main_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/log_file.h"
#include "gui/about_dialog.h"
#include "gui/control_ids.h"
#include "gui/dialog_template.h"

namespace tavro {
namespace {

const QString kReadyStatus = QStringLiteral(" Status :  Ready . . .");

template <typename T>
T* Find(const QWidget* parent, int id) {
    return parent->findChild<T*>(ControlName(id));
}

}  // namespace

MainDialog::MainDialog(UserInteraction& interaction, SettingsStore& store, QWidget* parent)
    : QDialog(parent), interaction(interaction), store(store) {
    LoadResources();
    programIcon = QIcon(QStringLiteral(":/tavro/tavro.png"));
    setWindowTitle(QStringLiteral("tavro"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    BuildControls();
    ConnectHandlers();
}

MainDialog::~MainDialog() = default;

void MainDialog::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    client = new QWidget(this);
    layout->addWidget(client);

    DialogUnits units(font());
    QWidget* previous = nullptr;
    for (const ControlSpec& control : MainDialogTemplate()) {
        QWidget* widget = BuildControl(control, units, client);
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) setTabOrder(previous, widget);
            previous = widget;
        }
    }
    FitLabels(units);

    startDirectoryBox = Find<QComboBox>(client, kIdStartDirectory);
    findBox = Find<QComboBox>(client, kIdFind);
    replaceBox = Find<QComboBox>(client, kIdReplace);
    fileTypeBox = Find<QComboBox>(client, kIdFileType);
    extensionBox = Find<QLineEdit>(client, kIdBackupExtension);
    extensionLabel = Find<QLabel>(client, kIdExtensionLabel);
    logNameBox = Find<QLineEdit>(client, kIdLogFileName);
    makeBackupsBox = Find<QCheckBox>(client, kIdMakeBackups);
    includeSubdirectoriesBox = Find<QCheckBox>(client, kIdIncludeSubdirectories);
    regularExpressionBox = Find<QCheckBox>(client, kIdRegularExpression);
    caseSensitiveBox = Find<QCheckBox>(client, kIdCaseSensitive);
    recordLogfileBox = Find<QCheckBox>(client, kIdRecordLogfile);
    enableHtmlBox = Find<QCheckBox>(client, kIdEnableHtml);
    saveSettingsBox = Find<QCheckBox>(client, kIdSaveSettingsOnExit);
    skipButton = Find<QRadioButton>(client, kIdSkipReadOnly);
    processButton = Find<QRadioButton>(client, kIdProcessReadOnly);
    editButton = Find<QRadioButton>(client, kIdEditHtml);
    viewButton = Find<QRadioButton>(client, kIdViewHtml);
    filesModifiedList = Find<QListWidget>(client, kIdFilesModified);
    statusLine = Find<QLabel>(client, kIdStatus);
    startStopButton = Find<QPushButton>(client, kIdStartStop);
    exitButton = Find<QPushButton>(client, kIdExit);
    openLogButton = Find<QPushButton>(client, kIdOpenLog);
    browseButton = Find<QPushButton>(client, kIdBrowseFolder);
    autoConfigButton = Find<QPushButton>(client, kIdAutoConfig);

    // Labels carry the mnemonics of the fields they name.
    const std::pair<int, QWidget*> kBuddies[] = {
        {kIdStartDirectoryLabel, startDirectoryBox}, {kIdFindLabel, findBox},
        {kIdReplaceLabel, replaceBox},               {kIdFileTypeLabel, fileTypeBox},
        {kIdFilesModifiedLabel, filesModifiedList},
    };
    for (const auto& [label, buddy] : kBuddies) Find<QLabel>(client, label)->setBuddy(buddy);

    // Each pair of radio buttons is one group.
    for (auto [first, second] : {std::pair{skipButton, processButton}, {editButton, viewButton}}) {
        auto* group = new QButtonGroup(this);
        group->addButton(first);
        group->addButton(second);
        first->setAutoExclusive(false);
        second->setAutoExclusive(false);
    }

    logNameBox->setText(logFileName);
    BuildMenu();
    layout->setMenuBar(menuBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The Enter key, tooltips and Escape pass through the dialog first.
    for (QWidget* widget : findChildren<QWidget*>()) widget->installEventFilter(this);
    autoConfigButton->setFocus();
}

// Fonts differ in width from the one the template was drawn for: a label whose
// text does not fit grows towards the field it names, and when that takes it
// past the left edge the whole layout moves right to make room.
void MainDialog::FitLabels(const DialogUnits& units) {
    const QList<QWidget*> controls = client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    int left = 0;
    for (QWidget* widget : controls) {
        auto* label = qobject_cast<QLabel*>(widget);
        if (label == nullptr || label->pixmap().isNull() == false) continue;
        QString text = label->text();
        text.remove(QLatin1Char('&'));
        int needed = label->fontMetrics().horizontalAdvance(text) + 2;
        QRect rect = label->geometry();
        if (needed <= rect.width()) continue;
        if (label->alignment() & Qt::AlignRight) {
            rect.setLeft(rect.right() - needed + 1);
        } else {
            rect.setWidth(needed);
        }
        label->setGeometry(rect);
        left = std::min(left, rect.left());
    }
    int margin = left < 0 ? 4 - left : 0;
    for (QWidget* widget : controls) widget->move(widget->pos() + QPoint(margin, 0));
    client->setFixedSize(units.X(kMainDialogWidth) + margin, units.Y(kMainDialogHeight));
}

void MainDialog::ConnectHandlers() {
    connect(startStopButton, &QPushButton::clicked, this, [this] { OnStartStop(); });
    connect(exitButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(openLogButton, &QPushButton::clicked, this, [this] { OnOpenLogFile(); });
    connect(browseButton, &QPushButton::clicked, this, [this] { OnBrowseFolder(); });
    connect(autoConfigButton, &QPushButton::clicked, this, [this] { OnOpenAutoConfig(); });
    connect(filesModifiedList, &QListWidget::itemDoubleClicked, this,
            [this] { OpenModifiedFile(); });

    connect(includeSubdirectoriesBox, &QCheckBox::clicked, this, [this] { DoDataExchange(true); });
    connect(makeBackupsBox, &QCheckBox::clicked, this, [this](bool checked) {
        makeBackups = checked ? 1 : 0;
        extensionBox->setEnabled(makeBackups == 1);
        extensionLabel->setEnabled(makeBackups == 1);
        DoDataExchange(true);
    });
    connect(skipButton, &QRadioButton::clicked, this, [this] {
        skipButton->setChecked(true);
        skipReadOnly = 1;
    });
    connect(processButton, &QRadioButton::clicked, this, [this] {
        processButton->setChecked(true);
        skipReadOnly = 0;
    });
    connect(saveSettingsBox, &QCheckBox::clicked, this,
            [this] { saveSettingsOnExit = saveSettingsOnExit == 0 ? 1 : 0; });
    connect(caseSensitiveBox, &QCheckBox::clicked, this,
            [this] { caseSensitive = caseSensitive == 0 ? 1 : 0; });
    connect(recordLogfileBox, &QCheckBox::clicked, this, [this] {
        recordLogfile = recordLogfile == 0 ? 1 : 0;
        logNameBox->setEnabled(recordLogfile == 1);
    });
    connect(regularExpressionBox, &QCheckBox::clicked, this, [this] {
        if (regularExpression == 0) {
            regularExpression = 1;
            caseSensitive = 0;
            caseSensitiveBox->setChecked(false);
            caseSensitiveBox->setEnabled(false);
        } else {
            regularExpression = 0;
            caseSensitiveBox->setEnabled(true);
        }
    });
    connect(editButton, &QRadioButton::clicked, this, [this] {
        editButton->setChecked(true);
        editHtmlFiles = 1;
    });
    connect(viewButton, &QRadioButton::clicked, this, [this] {
        viewButton->setChecked(true);
        editHtmlFiles = 0;
    });
    connect(enableHtmlBox, &QCheckBox::clicked, this, [this] {
        enableHtmlProcessing = enableHtmlProcessing == 0 ? 1 : 0;
        editButton->setEnabled(enableHtmlProcessing == 1);
        viewButton->setEnabled(enableHtmlProcessing == 1);
    });
}

bool MainDialog::OnInitDialog() {
    DoDataExchange(false);
    setWindowIcon(programIcon);
    abortRequested = 0;
    runState = RunState();
    ApplyFirstRunDefaults();
    LoadFlags();
    LoadRecentList(kRecentFileTypeKey, fileTypeBox, MatchRule::ignoreCase);
    LoadRecentList(kRecentFindKey, findBox, MatchRule::exact);
    LoadRecentList(kRecentReplaceKey, replaceBox, MatchRule::exact);
    LoadRecentList(kRecentStartDirKey, startDirectoryBox, MatchRule::ignoreCase);
    programDirectory = QDir::currentPath();
    errorLogPath = QDir(programDirectory).filePath(QStringLiteral("error.log"));
    SetStatus(kReadyStatus.toStdString());
    browseButton->setToolTip(QStringLiteral("Browse folders for a directory to start in"));
    autoConfigButton->setToolTip(
        QStringLiteral("Call a FileOpen dialog and choose an Auto-Config File"));
    openLogButton->setToolTip(QStringLiteral("View (or edit) the currently selected Log File"));
    htmlBrowser = ReadHelperSetting("Default HTML Browser");
    htmlBrowserPath = ReadHelperSetting("Default HTML Browser Path");
    htmlEditor = ReadHelperSetting("Default HTML Editor");
    htmlEditorPath = ReadHelperSetting("Default HTML Editor Path");
    logViewer = ReadHelperSetting("Default Log File Viewer");
    logViewerPath = ReadHelperSetting("Default Log File Viewer Path");
    textViewer = ReadHelperSetting("Default Text File Viewer");
    textViewerPath = ReadHelperSetting("Default Text File Viewer Path");
    autoConfigButton->setFocus();
    return true;
}

void MainDialog::DoDataExchange(bool save) {
    struct Text {
        QString* value;
        QComboBox* combo;
        QLineEdit* edit;
    };
    const Text texts[] = {
        {&startDirectory, startDirectoryBox, nullptr}, {&findText, findBox, nullptr},
        {&replaceText, replaceBox, nullptr},           {&fileType, fileTypeBox, nullptr},
        {&backupExtension, nullptr, extensionBox},     {&logFileName, nullptr, logNameBox},
    };
    for (const Text& text : texts) {
        if (save) {
            *text.value = text.combo != nullptr ? text.combo->currentText() : text.edit->text();
        } else if (text.combo != nullptr) {
            text.combo->setEditText(*text.value);
        } else {
            text.edit->setText(*text.value);
        }
    }
    const std::pair<int*, QAbstractButton*> checks[] = {
        {&saveSettingsOnExit, saveSettingsBox},
        {&includeSubdirectories, includeSubdirectoriesBox},
        {&makeBackups, makeBackupsBox},
        {&regularExpression, regularExpressionBox},
        {&editHtmlFiles, editButton},
        {&enableHtmlProcessing, enableHtmlBox},
    };
    for (const auto& [value, button] : checks) {
        if (save) {
            *value = button->isChecked() ? 1 : 0;
        } else {
            button->setChecked(*value != 0);
        }
    }
    if (running && save) FillRunSettings();
}

void MainDialog::SetFlagControl(QCheckBox* box, int value) { box->setChecked(value == 1); }

QWidget* MainDialog::Control(int id) const { return Find<QWidget>(client, id); }

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (PreTranslateMessage(watched, event)) return true;
    return QDialog::eventFilter(watched, event);
}

// Enter acts on the control that has the focus; any other control starts a
// run, like the Start button. During a run only the button is live.
bool MainDialog::PreTranslateMessage(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) return running;
    if (event->type() == QEvent::FocusOut) {
        // Leaving a text box reads the controls into the values.
        for (QWidget* box : {static_cast<QWidget*>(startDirectoryBox), static_cast<QWidget*>(findBox),
                             static_cast<QWidget*>(replaceBox), static_cast<QWidget*>(fileTypeBox)}) {
            if (watched == box || watched == static_cast<QComboBox*>(box)->lineEdit()) {
                DoDataExchange(true);
            }
        }
        if (watched == extensionBox || watched == logNameBox) DoDataExchange(true);
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if (key->modifiers() & ~(Qt::KeypadModifier)) return false;
    if (running) return true;
    QWidget* focus = QApplication::focusWidget();
    if (focus == filesModifiedList) {
        OpenModifiedFile();
    } else if (focus == browseButton) {
        OnBrowseFolder();
    } else if (focus == autoConfigButton) {
        OnOpenAutoConfig();
    } else if (focus == openLogButton) {
        OnOpenLogFile();
    } else if (focus == exitButton) {
        reject();
    } else {
        OnStartStop();
    }
    return true;
}

void MainDialog::closeEvent(QCloseEvent* event) {
    // The close box is the cancel command; it is refused during a run.
    event->ignore();
    reject();
}

void MainDialog::OnBrowseFolder() {
    QString folder = interaction.ChooseFolder(this);
    if (!folder.isEmpty()) startDirectoryBox->setEditText(QDir::toNativeSeparators(folder));
}

void MainDialog::ShowAbout() {
    AboutDialog about(this);
    interaction.RunModal(about);
}

// The user guide ships beside the program (installed) or in the source tree.
void MainDialog::OpenUserGuide() {
    QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {programFolder.filePath(QStringLiteral("../share/doc/tavro/user-guide.html")),
          QStringLiteral(TAVRO_SOURCE_DIR "/docs/user-guide.html")}) {
        if (QFileInfo::exists(candidate)) {
            interaction.ShellOpen(QDir::cleanPath(candidate), QStringLiteral("open"));
            return;
        }
    }
}

void MainDialog::OnSysCommand(int id) {
    if ((id & 0xFFF0) == kCmdAboutSystemMenu) ShowAbout();
}

}  // namespace tavro
