#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "gui/main_dialog.h"

namespace tavro {
namespace {

const std::string kBackup = "Backup";
const std::string kCaseSensitive = "Case Sensitive Search";
const std::string kIncludeSubdirectories = "Include Subdirectories";
const std::string kRecordLogfile = "Record Logfile";
const std::string kSkipReadOnly = "Skip Readonly Files";
const std::string kRegularExpression = "Regular Expression Search";
const std::string kEditHtml = "Edit HTML Files";
const std::string kEnableHtml = "Enable HTML File Processing";
const std::string kSaveSettings = "Save Settings";

std::string OneOrZero(int flag) { return flag == 1 ? "1" : "0"; }

}  // namespace

void MainDialog::ApplyFirstRunDefaults() {
    if (store.KeyExists(kMakerKey)) return;
    extensionBox->setEnabled(false);
    logNameBox->setEnabled(false);
    processButton->setChecked(true);
    saveSettingsOnExit = 1;
    saveSettingsBox->setChecked(true);
    editButton->setChecked(true);
    editHtmlFiles = 1;
    enableHtmlProcessing = 0;
    editButton->setEnabled(false);
    viewButton->setEnabled(false);
}

// Every stored value touches only its own flag and controls, so the order in
// which the values come does not matter.
void MainDialog::LoadFlags() {
    if (!store.CreateKey(kFlagsKey)) return;
    std::optional<StoredValues> values = store.Values(kFlagsKey);
    if (!values) return;
    for (const auto& [name, data] : *values) {
        bool notZero = data != "0";
        bool one = data == "1";
        if (name == kBackup) {
            makeBackups = notZero ? 1 : 0;
            makeBackupsBox->setChecked(notZero);
            extensionBox->setEnabled(notZero);
            extensionLabel->setEnabled(notZero);
        } else if (name == kCaseSensitive) {
            caseSensitive = one ? 1 : 0;
            caseSensitiveBox->setChecked(one);
        } else if (name == kIncludeSubdirectories) {
            includeSubdirectories = one ? 1 : 0;
            includeSubdirectoriesBox->setChecked(one);
        } else if (name == kRecordLogfile) {
            recordLogfile = one ? 1 : 0;
            recordLogfileBox->setChecked(one);
            if (!one) logNameBox->setEnabled(false);
        } else if (name == kSkipReadOnly) {
            skipReadOnly = notZero ? 1 : 0;
            (notZero ? skipButton : processButton)->setChecked(true);
        } else if (name == kRegularExpression) {
            regularExpression = one ? 1 : 0;
            regularExpressionBox->setChecked(one);
            if (one) caseSensitiveBox->setEnabled(false);
        } else if (name == kEditHtml) {
            editHtmlFiles = one ? 1 : 0;
            (one ? editButton : viewButton)->setChecked(true);
        } else if (name == kEnableHtml) {
            enableHtmlProcessing = one ? 1 : 0;
            enableHtmlBox->setChecked(one);
            if (!one) {
                editButton->setEnabled(false);
                viewButton->setEnabled(false);
            }
        } else if (name == kSaveSettings) {
            saveSettingsOnExit = one ? 1 : 0;
            saveSettingsBox->setChecked(one);
        }
    }
}

void MainDialog::SaveFlags() {
    if (!store.CreateKey(kFlagsKey)) return;
    const std::pair<const std::string&, int> kFlags[] = {
        {kBackup, makeBackups},
        {kCaseSensitive, caseSensitive},
        {kIncludeSubdirectories, includeSubdirectories},
        {kRecordLogfile, recordLogfile},
        {kSkipReadOnly, skipReadOnly},
        {kRegularExpression, regularExpression},
        {kEditHtml, editHtmlFiles},
        {kEnableHtml, enableHtmlProcessing},
        {kSaveSettings, saveSettingsOnExit},
    };
    for (const auto& [name, flag] : kFlags) store.SetValue(kFlagsKey, name, OneOrZero(flag));
}

// The exit path. While a run is active Exit is disabled and every way out is
// refused, so a run cannot be closed away.
void MainDialog::reject() {
    if (!exitButton->isEnabled()) {
        QApplication::beep();
        return;
    }
    QDir::setCurrent(programDirectory);
    if (saveSettingsOnExit == 1) {
        SaveFlags();
    } else if (store.CreateKey(kFlagsKey)) {
        store.SetValue(kFlagsKey, kSaveSettings, "0");
    }
    SaveRecentList(kRecentStartDirKey, startDirectoryBox);
    SaveRecentList(kRecentFileTypeKey, fileTypeBox);
    SaveRecentList(kRecentFindKey, findBox);
    SaveRecentList(kRecentReplaceKey, replaceBox);
    QDialog::reject();
}

}  // namespace tavro
