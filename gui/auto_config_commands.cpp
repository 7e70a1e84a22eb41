#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <functional>

#include "autoconfig/auto_config.h"
#include "gui/main_dialog.h"

namespace tavro {
namespace {

const QStringList kConfigFilters = {QStringLiteral("Auto-config files (*.cfg)"),
                                    QStringLiteral("All files (*.*)"),
                                    QStringLiteral("Text files (*.txt)")};

QString CreateFailureMessage(FileError error) {
    const QString prefix = QStringLiteral("Could not create Auto-Config file.\n");
    switch (error) {
        case FileError::notFound:
        case FileError::nameTooLong: return prefix + QStringLiteral("Bad path.");
        case FileError::accessDenied:
            return prefix + QStringLiteral(
                                "Access denied. Filename belongs to a ReadOnly file or\n(if NT) "
                                "write access denied in directory.");
        case FileError::quotaFull:
            return prefix + QStringLiteral(
                                "Directory full - you are allowed no more files in the chosen "
                                "directory.");
        case FileError::ioError: return prefix + QStringLiteral("Hardware error.");
        case FileError::diskFull: return prefix + QStringLiteral("Disk full.");
        default: return prefix + QStringLiteral("Unknown Error");
    }
}

}  // namespace

// Hands every key line of a loaded file to one function.
class CallbackTarget final : public AutoConfigTarget {
public:
    using Apply = std::function<void(AutoConfigKey key, bool on, const QString& text)>;
    explicit CallbackTarget(Apply apply) : apply(std::move(apply)) {}

    void SetText(AutoConfigKey key, std::string_view value) override {
        apply(key, false, QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    }
    void SetSwitch(AutoConfigKey key, bool on) override { apply(key, on, QString()); }

private:
    Apply apply;
};

// Both file dialogs start in the program directory with the same filters.
FileChooser ConfigChooser(const QString& title, const QString& programDirectory) {
    FileChooser chooser;
    chooser.title = title;
    chooser.filters = kConfigFilters;
    chooser.initialDirectory = programDirectory;
    chooser.defaultSuffix = QStringLiteral("cfg");
    return chooser;
}

void MainDialog::OnOpenAutoConfig() {
    QString path = interaction.ChooseOpenFile(
        this, ConfigChooser(QStringLiteral("Open Auto-config file ..."), programDirectory));
    if (!path.isEmpty()) ReadAutoConfigFile(path);
}

void MainDialog::ReadAutoConfigFile(const QString& path) {
    auto apply = [this](AutoConfigKey key, bool on, const QString& text) {
        switch (key) {
            case AutoConfigKey::startDir: startDirectoryBox->setEditText(text); break;
            case AutoConfigKey::fileType: fileTypeBox->setEditText(text); break;
            case AutoConfigKey::searchString: findBox->setEditText(text); break;
            case AutoConfigKey::replaceString: replaceBox->setEditText(text); break;
            case AutoConfigKey::backupExt: {
                bool backups = text != QStringLiteral("0");
                makeBackupsBox->setChecked(backups);
                if (backups) extensionBox->setText(text);
                extensionBox->setEnabled(backups);
                extensionLabel->setEnabled(backups);
                makeBackups = backups ? 1 : 0;
                DoDataExchange(true);
                break;
            }
            case AutoConfigKey::logFileName: {
                bool log = text != QStringLiteral("0");
                if (log) logNameBox->setText(text);
                logNameBox->setEnabled(log);
                recordLogfileBox->setChecked(log);
                recordLogfile = log ? 1 : 0;
                DoDataExchange(true);
                break;
            }
            case AutoConfigKey::processROFiles:
                skipReadOnly = on ? 0 : 1;
                (on ? processButton : skipButton)->setChecked(true);
                break;
            case AutoConfigKey::caseSensitiveSearch:
                caseSensitive = on ? 1 : 0;
                caseSensitiveBox->setChecked(on);
                DoDataExchange(true);
                break;
            case AutoConfigKey::includeSubDirs:
                includeSubdirectories = on ? 1 : 0;
                includeSubdirectoriesBox->setChecked(on);
                break;
            case AutoConfigKey::regex:
                regularExpression = on ? 1 : 0;
                regularExpressionBox->setChecked(on);
                caseSensitiveBox->setEnabled(!on);
                break;
        }
    };
    CallbackTarget target(apply);
    switch (ReadAutoConfig(PlatformFileServices(), path.toStdString(), OnOffReading::gui, target)) {
        case AutoConfigReadResult::couldNotOpen:
            if (!path.startsWith(QLatin1Char('*'))) {
                interaction.ShowMessage(this, QStringLiteral("Could not open auto-config file: ") + path);
            }
            break;
        case AutoConfigReadResult::notAutoConfig:
            interaction.ShowMessage(this,
                                    QStringLiteral("ERROR: the file is not an Tavro autoconfig file."));
            break;
        case AutoConfigReadResult::ok: break;
    }
}

void MainDialog::OnSaveAutoConfig() {
    QString path = interaction.ChooseSaveFile(
        this,
        ConfigChooser(QStringLiteral("Save Search As Auto-Config File ..."), programDirectory));
    if (!path.isEmpty()) WriteAutoConfigFile(path);
}

void MainDialog::WriteAutoConfigFile(const QString& path) {
    AutoConfigValues values;
    values.startDirectory = startDirectory.toStdString();
    values.fileType = fileType.toStdString();
    values.searchString = findText.toStdString();
    values.replaceString = replaceText.toStdString();
    values.processReadOnlyFiles = skipReadOnly == 0;
    values.regularExpression = regularExpression == 1;
    values.caseSensitive = caseSensitive == 1;
    values.includeSubdirectories = includeSubdirectories == 1;
    values.makeBackups = makeBackups == 1;
    values.backupExtension = backupExtension.toStdString();
    values.writeRunLog = recordLogfile == 1;
    values.logFileName = logFileName.toStdString();
    FileError error = WriteAutoConfig(PlatformFileServices(), path.toStdString(), values);
    if (error != FileError::none) interaction.ShowMessage(this, CreateFailureMessage(error));
}

}  // namespace tavro
