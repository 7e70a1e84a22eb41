#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "gui/about_dialog.h"
#include "tests/gui/gui_fixture.h"

namespace tavro::test {

class MainDialogTest : public QObject {
    Q_OBJECT

private slots:
    void EveryControlOfTheTemplateInTabOrder();
    void InitialValuesAndStatusLine();
    void MakeBackupsEnablesTheExtensionBoxAndLabel();
    void RegularExpressionDisablesCaseSensitive();
    void RecordLogfileAndHtmlProcessingEnableTheirControls();
    void RadioButtonsSetTheirFlags();
    void EnterKeyRoutingByFocus();
    void EscapeCloseAndFileExitTakeTheExitPath();
    void TooltipTexts();
    void MenuBarItemsAndCommands();
    void AboutBoxCaptionAndVersion();
    void FolderBrowserFillsTheBoxButNotTheValue();
    void TextBoxesAreReadWhenTheyLoseTheFocus();
    void LogFileNameIsUpperCased();
    void DialogUnitsScaleWithTheFont();
    void ScreenshotOfTheDialog();
};

void MainDialogTest::EveryControlOfTheTemplateInTabOrder() {
    DialogFixture f;
    QWidget* previous = nullptr;
    for (const ControlSpec& control : MainDialogTemplate()) {
        QWidget* widget = f.dialog->Control(control.id);
        QVERIFY2(widget != nullptr, qPrintable(ControlName(control.id)));
        if (control.caption != nullptr && control.kind != ControlKind::groupBox) {
            QString text = widget->property("text").toString();
            QCOMPARE(text, QString::fromUtf8(control.caption));
        }
        if (control.style & kTabStop) {
            if (previous != nullptr) {
                QWidget* next = previous->nextInFocusChain();
                while (!(next->focusPolicy() & Qt::TabFocus) ||
                       !next->objectName().startsWith(QStringLiteral("control"))) {
                    next = next->nextInFocusChain();
                }
                QCOMPARE(next->objectName(), widget->objectName());
            }
            previous = widget;
        }
    }
    QVERIFY(qobject_cast<QComboBox*>(f.dialog->Control(kIdFind))->isEditable());
    QVERIFY(qobject_cast<QPushButton*>(f.dialog->Control(kIdStartStop))->isDefault());
    QCOMPARE(f.dialog->windowTitle(), QStringLiteral("tavro"));
    QVERIFY(f.dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(f.dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(QApplication::focusWidget(), f.dialog->Control(kIdAutoConfig));
}

void MainDialogTest::InitialValuesAndStatusLine() {
    DialogFixture f;
    QCOMPARE(f.dialog->logFileName, QStringLiteral("default.log"));
    QCOMPARE(f.Edit(kIdLogFileName)->text(), QStringLiteral("default.log"));
    QCOMPARE(f.Control<QLabel>(kIdStatus)->text(), QStringLiteral(" Status :  Ready . . ."));
    QCOMPARE(f.dialog->makeBackups + f.dialog->caseSensitive + f.dialog->regularExpression +
                 f.dialog->includeSubdirectories + f.dialog->recordLogfile + f.dialog->skipReadOnly,
             0);
    QCOMPARE(f.dialog->programDirectory,
             QString::fromStdString(f.programDirectory.Root().string()));
    QCOMPARE(f.dialog->errorLogPath,
             QString::fromStdString(f.programDirectory.Path("error.log").string()));
}

void MainDialogTest::MakeBackupsEnablesTheExtensionBoxAndLabel() {
    DialogFixture f;
    QVERIFY(!f.Edit(kIdBackupExtension)->isEnabled());
    QVERIFY(f.Control(kIdExtensionLabel)->isEnabled());  // the first run leaves the label
    f.Click(kIdMakeBackups);
    QCOMPARE(f.dialog->makeBackups, 1);
    QVERIFY(f.Edit(kIdBackupExtension)->isEnabled());
    QVERIFY(f.Control(kIdExtensionLabel)->isEnabled());
    f.Click(kIdMakeBackups);
    QCOMPARE(f.dialog->makeBackups, 0);
    QVERIFY(!f.Edit(kIdBackupExtension)->isEnabled());
    QVERIFY(!f.Control(kIdExtensionLabel)->isEnabled());
    QCOMPARE(f.Button(kIdMakeBackups)->isChecked(), false);
}

void MainDialogTest::RegularExpressionDisablesCaseSensitive() {
    DialogFixture f;
    f.Click(kIdCaseSensitive);
    QCOMPARE(f.dialog->caseSensitive, 1);
    f.Click(kIdRegularExpression);
    QCOMPARE(f.dialog->regularExpression, 1);
    QCOMPARE(f.dialog->caseSensitive, 0);
    QVERIFY(!f.Button(kIdCaseSensitive)->isChecked());
    QVERIFY(!f.Button(kIdCaseSensitive)->isEnabled());
    f.Click(kIdRegularExpression);
    QCOMPARE(f.dialog->regularExpression, 0);
    QVERIFY(f.Button(kIdCaseSensitive)->isEnabled());
    QVERIFY(!f.Button(kIdCaseSensitive)->isChecked());
}

void MainDialogTest::RecordLogfileAndHtmlProcessingEnableTheirControls() {
    DialogFixture f;
    QVERIFY(!f.Edit(kIdLogFileName)->isEnabled());
    f.Click(kIdRecordLogfile);
    QCOMPARE(f.dialog->recordLogfile, 1);
    QVERIFY(f.Edit(kIdLogFileName)->isEnabled());
    f.Click(kIdRecordLogfile);
    QVERIFY(!f.Edit(kIdLogFileName)->isEnabled());
    QCOMPARE(f.Edit(kIdLogFileName)->text(), QStringLiteral("default.log"));

    QVERIFY(!f.Button(kIdEditHtml)->isEnabled() && !f.Button(kIdViewHtml)->isEnabled());
    f.Click(kIdEnableHtml);
    QCOMPARE(f.dialog->enableHtmlProcessing, 1);
    QVERIFY(f.Button(kIdEditHtml)->isEnabled() && f.Button(kIdViewHtml)->isEnabled());
    f.Click(kIdEnableHtml);
    QVERIFY(!f.Button(kIdEditHtml)->isEnabled());
}

void MainDialogTest::RadioButtonsSetTheirFlags() {
    DialogFixture f;
    f.Click(kIdSkipReadOnly);
    QCOMPARE(f.dialog->skipReadOnly, 1);
    QVERIFY(!f.Button(kIdProcessReadOnly)->isChecked());
    f.Click(kIdProcessReadOnly);
    QCOMPARE(f.dialog->skipReadOnly, 0);
    f.Click(kIdEnableHtml);
    f.Click(kIdViewHtml);
    f.Click(kIdViewHtml);
    QCOMPARE(f.dialog->editHtmlFiles, 0);
    QVERIFY(f.Button(kIdViewHtml)->isChecked());
    f.Click(kIdEditHtml);
    QCOMPARE(f.dialog->editHtmlFiles, 1);
    QVERIFY(!f.Button(kIdViewHtml)->isChecked());
}

void MainDialogTest::EnterKeyRoutingByFocus() {
    DialogFixture f;
    auto enterOn = [&](QWidget* widget) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);
    };
    enterOn(f.Control(kIdAutoConfig));
    QCOMPARE(f.interaction.openChoosers.size(), 1);
    QCOMPARE(f.interaction.openChoosers[0].title, QStringLiteral("Open Auto-config file ..."));
    enterOn(f.Control(kIdBrowseFolder));
    QCOMPARE(f.interaction.folderChoosers, 1);
    enterOn(f.Control(kIdOpenLog));
    QCOMPARE(f.interaction.shellCalls.size(), 1);
    QCOMPARE(f.interaction.shellCalls[0].second,
             QString::fromStdString(f.programDirectory.Path("default.log").string()));
    // Enter in the Find box starts a run: empty settings are refused.
    enterOn(f.Combo(kIdFind)->lineEdit());
    QCOMPARE(f.interaction.messages.value(0),
             QStringLiteral("Sorry, you can't leave the Starting Directory box empty."));
    QCOMPARE(f.Button(kIdStartStop)->text(), QStringLiteral("&Start"));
    // On the list Enter opens the selected file.
    f.dialog->AddModifiedFile(QStringLiteral("/tmp/notes.txt"));
    enterOn(f.Control(kIdFilesModified));
    QCOMPARE(f.interaction.shellCalls.back(), qMakePair(QStringLiteral("edit"),
                                                         QStringLiteral("/tmp/notes.txt")));
    QSignalSpy finished(f.dialog.get(), &QDialog::finished);
    enterOn(f.Control(kIdExit));
    QCOMPARE(finished.count(), 1);
}

void MainDialogTest::EscapeCloseAndFileExitTakeTheExitPath() {
    for (int way = 0; way < 3; ++way) {
        DialogFixture f;
        QSignalSpy finished(f.dialog.get(), &QDialog::finished);
        if (way == 0) QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
        if (way == 1) f.dialog->close();
        if (way == 2) f.dialog->findChild<QAction*>(QStringLiteral("command57665"))->trigger();
        QCOMPARE(finished.count(), 1);
        QVERIFY(QFileInfo::exists(f.store->FilePath()));  // the exit path stored the settings
    }
}

void MainDialogTest::TooltipTexts() {
    DialogFixture f;
    QCOMPARE(f.Control(kIdBrowseFolder)->toolTip(),
             QStringLiteral("Browse folders for a directory to start in"));
    QCOMPARE(f.Control(kIdAutoConfig)->toolTip(),
             QStringLiteral("Call a FileOpen dialog and choose an Auto-Config File"));
    QCOMPARE(f.Control(kIdOpenLog)->toolTip(),
             QStringLiteral("View (or edit) the currently selected Log File"));
}

void MainDialogTest::MenuBarItemsAndCommands() {
    DialogFixture f;
    QStringList titles;
    for (QAction* action : f.dialog->MenuBar()->actions()) titles << action->text();
    QCOMPARE(titles, (QStringList{"&File", "&Options", "&Help"}));
    const struct {
        int command;
        const char* text;
    } kItems[] = {
        {kCmdSaveSearchAs, "&Save Search As ..."}, {kCmdOpenConfig, "&Open Config File ..."},
        {kCmdExit, "E&xit"},                      {kCmdHtmlEditor, "&Default Editor ..."},
        {kCmdHtmlBrowser, "Default &Browser ..."}, {kCmdLogFileViewer, "&Log File Viewer ..."},
        {kCmdTextFileViewer, "&Text File Viewer ..."}, {kCmdClearStartDir, "&Starting Directory"},
        {kCmdClearFind, "&Find"},                 {kCmdClearReplace, "&Replace"},
        {kCmdClearFileType, "File &Type"},        {kCmdClearAll, "&ALL"},
        {kCmdSaveSettingsNow, "&Save Settings Now"}, {kCmdHelpTopics, "&Help Topics"},
        {kCmdAbout, "&About"},
    };
    for (const auto& item : kItems) {
        auto* action = f.dialog->findChild<QAction*>(QStringLiteral("command%1").arg(item.command));
        QVERIFY2(action != nullptr, item.text);
        QCOMPARE(action->text(), QString::fromUtf8(item.text));
        QCOMPARE(action->data().toInt(), item.command);
    }
    f.dialog->findChild<QAction*>(QStringLiteral("command%1").arg(kCmdSaveSearchAs))->trigger();
    QCOMPARE(f.interaction.saveChoosers.value(0).title,
             QStringLiteral("Save Search As Auto-Config File ..."));
    f.dialog->findChild<QAction*>(QStringLiteral("command%1").arg(kCmdAbout))->trigger();
    f.dialog->OnSysCommand(19);  // the low four bits are ignored
    f.dialog->OnSysCommand(32);
    QCOMPARE(f.interaction.modalTitles, (QStringList{"About tavro", "About tavro"}));
    f.dialog->findChild<QAction*>(QStringLiteral("command%1").arg(kCmdHelpTopics))->trigger();
    QVERIFY(f.interaction.shellCalls.back().second.endsWith(QStringLiteral("user-guide.html")));
}

void MainDialogTest::AboutBoxCaptionAndVersion() {
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About tavro"));
    auto* version = about.findChild<QLabel*>(QStringLiteral("versionLine"));
    QVERIFY(version != nullptr);
    QVERIFY(version->text().contains(QStringLiteral("1.2")));
    auto* picture = about.findChild<QLabel*>(QStringLiteral("aboutPicture"));
    QVERIFY(!picture->pixmap().isNull());
    QSignalSpy accepted(&about, &QDialog::accepted);
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
}

void MainDialogTest::FolderBrowserFillsTheBoxButNotTheValue() {
    DialogFixture f;
    f.interaction.folderAnswers << QStringLiteral("/srv/www") << QString();
    f.Click(kIdBrowseFolder);
    QCOMPARE(f.Combo(kIdStartDirectory)->currentText(), QStringLiteral("/srv/www"));
    QCOMPARE(f.dialog->startDirectory, QString());
    f.Combo(kIdStartDirectory)->setFocus();
    f.Button(kIdMakeBackups)->setFocus();
    QCOMPARE(f.dialog->startDirectory, QStringLiteral("/srv/www"));
    f.Click(kIdBrowseFolder);  // cancelled: nothing changes
    QCOMPARE(f.Combo(kIdStartDirectory)->currentText(), QStringLiteral("/srv/www"));
}

void MainDialogTest::TextBoxesAreReadWhenTheyLoseTheFocus() {
    DialogFixture f;
    f.Type(kIdFind, QStringLiteral("old"));
    f.Type(kIdReplace, QStringLiteral("new"));
    f.Type(kIdFileType, QStringLiteral("*.htm"));
    QCOMPARE(f.dialog->findText, QStringLiteral("old"));
    QCOMPARE(f.dialog->replaceText, QStringLiteral("new"));
    QCOMPARE(f.dialog->fileType, QStringLiteral("*.htm"));
    f.Click(kIdMakeBackups);
    f.Type(kIdBackupExtension, QStringLiteral("bak"));
    QCOMPARE(f.dialog->backupExtension, QStringLiteral("bak"));
    // A click on Include Subdirectories reads every control.
    f.Combo(kIdStartDirectory)->setEditText(QStringLiteral("/data"));
    f.Click(kIdIncludeSubdirectories);
    QCOMPARE(f.dialog->startDirectory, QStringLiteral("/data"));
    QCOMPARE(f.dialog->includeSubdirectories, 1);
}

void MainDialogTest::LogFileNameIsUpperCased() {
    DialogFixture f;
    f.Click(kIdRecordLogfile);
    f.Type(kIdLogFileName, QStringLiteral("run.log"));
    QCOMPARE(f.dialog->logFileName, QStringLiteral("RUN.LOG"));
}

void MainDialogTest::DialogUnitsScaleWithTheFont() {
    QFont small = QApplication::font();
    small.setPointSize(8);
    QFont large = small;
    large.setPointSize(16);
    DialogUnits a(small);
    DialogUnits b(large);
    QVERIFY(b.X(kMainDialogWidth) > a.X(kMainDialogWidth) * 3 / 2);
    QVERIFY(b.Y(kMainDialogHeight) > a.Y(kMainDialogHeight) * 3 / 2);
    QRect r = a.ToPixels(10, 20, 30, 40);
    QCOMPARE(r.left(), a.X(10));
    QCOMPARE(r.width(), a.X(40) - a.X(10));
}

// Leaves docs/tavro.png for the README; every control must lie inside the
// dialog and no two interactive controls may overlap.
void MainDialogTest::ScreenshotOfTheDialog() {
    DialogFixture f;
    QWidget* client = f.dialog->Control(kIdStartStop)->parentWidget();
    QList<QWidget*> interactive;
    for (const ControlSpec& control : MainDialogTemplate()) {
        QWidget* widget = f.dialog->Control(control.id);
        QVERIFY2(client->rect().contains(widget->geometry()), qPrintable(widget->objectName()));
        if (control.style & kTabStop) interactive << widget;
    }
    for (int i = 0; i < interactive.size(); ++i) {
        for (int j = i + 1; j < interactive.size(); ++j) {
            QVERIFY2(!interactive[i]->geometry().intersects(interactive[j]->geometry()),
                     qPrintable(interactive[i]->objectName() + " " + interactive[j]->objectName()));
        }
    }
    QPixmap shot = f.dialog->grab();
    QVERIFY(!shot.isNull());
    QVERIFY(shot.save(QStringLiteral(TAVRO_SOURCE_DIR "/docs/tavro.png")) ||
            shot.save(QStringLiteral("tavro.png")));
}

}  // namespace tavro::test

QTEST_MAIN(tavro::test::MainDialogTest)
#include "main_dialog_test.moc"
