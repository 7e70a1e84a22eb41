#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>

#include "tests/gui/gui_fixture.h"

namespace tavro::test {

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void SaveAndLoadRoundTrip();
    void LoadingFailuresChangeNothing();
    void SaveFailureMessagesByCause();
    void HelperChooserStoresProgramAndDirectory();
    void CancelledChooserChangesNothing();
    void DoubleClickDecisionTable();
    void HtmlFilesDatRules();
    void MissingHtmlFilesDatIsReported();
    void LogViewerOnOpen();
};

void CommandsTest::SaveAndLoadRoundTrip() {
    DialogFixture f;
    f.Combo(kIdStartDirectory)->setEditText(QStringLiteral("/srv/web site"));
    f.Combo(kIdFind)->setEditText(QStringLiteral("old \"text\""));
    f.Combo(kIdReplace)->setEditText(QStringLiteral("new"));
    f.Combo(kIdFileType)->setEditText(QStringLiteral("*.htm"));
    f.Click(kIdMakeBackups);
    f.Edit(kIdBackupExtension)->setText(QStringLiteral("bak"));
    f.Click(kIdIncludeSubdirectories);
    f.Click(kIdRegularExpression);
    f.Click(kIdSkipReadOnly);
    f.Click(kIdRecordLogfile);
    f.Edit(kIdLogFileName)->setText(QStringLiteral("RUN.LOG"));
    f.dialog->DoDataExchange(true);
    QString path = QString::fromStdString(f.programDirectory.Path("saved.cfg").string());
    f.interaction.saveAnswers << path;
    f.dialog->OnCommand(kCmdSaveSearchAs);
    QCOMPARE(f.interaction.saveChoosers.value(0).initialDirectory, f.dialog->programDirectory);
    QCOMPARE(f.interaction.saveChoosers.value(0).defaultSuffix, QStringLiteral("cfg"));

    f.Reopen();
    f.interaction.openAnswers << path;
    f.Click(kIdAutoConfig);
    QCOMPARE(f.interaction.messages, QStringList());
    QCOMPARE(f.Combo(kIdStartDirectory)->currentText(), QStringLiteral("/srv/web site"));
    QCOMPARE(f.Combo(kIdFind)->currentText(), QStringLiteral("old \"text\""));
    QCOMPARE(f.Combo(kIdReplace)->currentText(), QStringLiteral("new"));
    QCOMPARE(f.Combo(kIdFileType)->currentText(), QStringLiteral("*.htm"));
    QCOMPARE(f.Edit(kIdBackupExtension)->text(), QStringLiteral("bak"));
    QCOMPARE(f.Edit(kIdLogFileName)->text(), QStringLiteral("RUN.LOG"));
    QCOMPARE(f.dialog->makeBackups, 1);
    QCOMPARE(f.dialog->includeSubdirectories, 1);
    QCOMPARE(f.dialog->regularExpression, 1);
    QCOMPARE(f.dialog->caseSensitive, 0);
    QCOMPARE(f.dialog->skipReadOnly, 1);
    QCOMPARE(f.dialog->recordLogfile, 1);
    QVERIFY(f.Edit(kIdBackupExtension)->isEnabled());
    QVERIFY(f.Edit(kIdLogFileName)->isEnabled());
    QVERIFY(!f.Button(kIdCaseSensitive)->isEnabled());
    // Loaded texts do not join the recent-entry lists.
    QCOMPARE(f.Combo(kIdFind)->count(), 0);
    QCOMPARE(f.Combo(kIdStartDirectory)->count(), 0);

    // A second file turns options off again and enables Case Sensitive.
    f.programDirectory.Write("off.cfg",
                             "#tavro autoconfig file\r\nRegex=0\r\nBackupExt=0\r\nLogFileName=0\r\n"
                             "CaseSensitiveSearch=1\r\nProcessROFiles=1\r\n");
    f.dialog->ReadAutoConfigFile(QString::fromStdString(f.programDirectory.Path("off.cfg").string()));
    QVERIFY(f.Button(kIdCaseSensitive)->isEnabled());
    QCOMPARE(f.dialog->caseSensitive, 1);
    QCOMPARE(f.dialog->makeBackups, 0);
    QVERIFY(!f.Edit(kIdBackupExtension)->isEnabled());
    QVERIFY(!f.Control(kIdExtensionLabel)->isEnabled());
    QCOMPARE(f.dialog->recordLogfile, 0);
    QCOMPARE(f.dialog->skipReadOnly, 0);
    QVERIFY(f.Button(kIdProcessReadOnly)->isChecked());
}

void CommandsTest::LoadingFailuresChangeNothing() {
    DialogFixture f;
    f.Combo(kIdFind)->setEditText(QStringLiteral("keep"));
    f.dialog->ReadAutoConfigFile(QStringLiteral("/no/such.cfg"));
    f.dialog->ReadAutoConfigFile(QStringLiteral("*.cfg"));  // no message for a pattern
    f.programDirectory.Write("wrong.cfg", "#Tavro autoconfig file\nSearchString=x\n");
    f.programDirectory.Write("empty.cfg", "");
    f.dialog->ReadAutoConfigFile(QString::fromStdString(f.programDirectory.Path("wrong.cfg").string()));
    f.dialog->ReadAutoConfigFile(QString::fromStdString(f.programDirectory.Path("empty.cfg").string()));
    QCOMPARE(f.interaction.messages,
             (QStringList{"Could not open auto-config file: /no/such.cfg",
                          "ERROR: the file is not an Tavro autoconfig file.",
                          "ERROR: the file is not an Tavro autoconfig file."}));
    QCOMPARE(f.Combo(kIdFind)->currentText(), QStringLiteral("keep"));
    f.Click(kIdAutoConfig);  // cancelled chooser
    QCOMPARE(f.interaction.messages.size(), 3);
}

void CommandsTest::SaveFailureMessagesByCause() {
    DialogFixture f;
    f.dialog->WriteAutoConfigFile(QStringLiteral("/no/such/dir/a.cfg"));
    QCOMPARE(f.interaction.messages.value(0),
             QStringLiteral("Could not create Auto-Config file.\nBad path."));
    f.programDirectory.Write("dir.cfg/x", "");
    f.dialog->WriteAutoConfigFile(QString::fromStdString(f.programDirectory.Path("dir.cfg").string()));
    QCOMPARE(f.interaction.messages.value(1),
             QStringLiteral("Could not create Auto-Config file.\nAccess denied. Filename belongs "
                            "to a ReadOnly file or\n(if NT) write access denied in directory."));
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        f.dialog->WriteAutoConfigFile(QStringLiteral("/dev/full"));
        QCOMPARE(f.interaction.messages.value(2),
                 QStringLiteral("Could not create Auto-Config file.\nDisk full."));
    }
}

void CommandsTest::HelperChooserStoresProgramAndDirectory() {
    DialogFixture f;
    f.interaction.openAnswers << QStringLiteral("/opt/tools/ed") << QStringLiteral("/opt/tools/ed2");
    f.dialog->OnCommand(kCmdHtmlEditor);
    QCOMPARE(f.interaction.openChoosers.value(0).title,
             QStringLiteral("Choose a default HTML file editor ..."));
    QCOMPARE(f.interaction.messages.value(0),
             QStringLiteral("The default HTML file editor has been set to\n/opt/tools/ed"));
    QCOMPARE(QString::fromStdString(f.store->Value(kHelpersKey, "Default HTML Editor").value_or("")),
             QStringLiteral("/opt/tools/ed"));
    QCOMPARE(QString::fromStdString(f.store->Value(kHelpersKey, "Default HTML Editor Path").value_or("")),
             QStringLiteral("/opt/tools"));
    f.dialog->OnCommand(kCmdHtmlEditor);
    QCOMPARE(f.interaction.openChoosers.value(1).initialDirectory, QStringLiteral("/opt/tools"));
    QCOMPARE(f.interaction.openChoosers.value(1).initialName, QStringLiteral("/opt/tools/ed"));

    const struct {
        int command;
        const char* title;
        const char* message;
        const char* value;
    } kOthers[] = {
        {kCmdHtmlBrowser, "Choose a default HTML file browser ...",
         "The default HTML file browser has been set to\n/usr/bin/b", "Default HTML Browser"},
        {kCmdLogFileViewer, "Choose a default Log file editor ...",
         "The default log file viewer has been set to\n/usr/bin/b", "Default Log File Viewer"},
        {kCmdTextFileViewer, "Choose a default Text file editor ...",
         "The default text file viewer has been set to\n/usr/bin/b", "Default Text File Viewer"},
    };
    for (const auto& other : kOthers) {
        f.interaction.openAnswers << QStringLiteral("/usr/bin/b");
        f.dialog->OnCommand(other.command);
        QCOMPARE(f.interaction.openChoosers.back().title, QString::fromUtf8(other.title));
        QCOMPARE(f.interaction.messages.back(), QString::fromUtf8(other.message));
        QCOMPARE(QString::fromStdString(f.store->Value(kHelpersKey, other.value).value_or("")), QStringLiteral("/usr/bin/b"));
    }
    f.Reopen();  // read back at start-up
    QCOMPARE(f.dialog->htmlEditor, QStringLiteral("/opt/tools/ed2"));
    QCOMPARE(f.dialog->textViewerPath, QStringLiteral("/usr/bin"));
    QCOMPARE(HelperDirectory(QStringLiteral("C:\\ed.exe")), QStringLiteral("C:"));
    QCOMPARE(HelperDirectory(QStringLiteral("/ed")), QStringLiteral("/"));
}

void CommandsTest::CancelledChooserChangesNothing() {
    DialogFixture f;
    f.dialog->OnCommand(kCmdTextFileViewer);
    QCOMPARE(f.interaction.openChoosers.size(), 1);
    QVERIFY(f.interaction.messages.isEmpty());
    QVERIFY(!f.store->Value(kHelpersKey, "Default Text File Viewer"));
    QCOMPARE(f.dialog->textViewer, QString());
}

void CommandsTest::DoubleClickDecisionTable() {
    const struct {
        const char* file;
        int enableHtml;
        int edit;
        bool helpersSet;
        const char* expected;  // "start:<program>" or "shell:<actions>"
    } kCases[] = {
        {"/w/a.htm", 1, 0, true, "start:browser"}, {"/w/a.htm", 1, 0, false, "shell:open"},
        {"/w/a.htm", 1, 1, true, "start:editor"},  {"/w/a.htm", 1, 1, false, "shell:edit"},
        {"/w/a.htm", 0, 1, true, "shell:edit"},    {"/w/a.htm", 0, 0, true, "shell:edit"},
        {"/w/a.txt", 1, 1, true, "start:viewer"},  {"/w/a.txt", 0, 0, false, "shell:edit"},
    };
    for (const auto& c : kCases) {
        DialogFixture f;
        f.programDirectory.Write("HTMLFiles.dat", "htm\n");
        if (c.helpersSet) {
            f.dialog->htmlBrowser = QStringLiteral("browser");
            f.dialog->htmlEditor = QStringLiteral("editor");
            f.dialog->textViewer = QStringLiteral("viewer");
        }
        f.dialog->enableHtmlProcessing = c.enableHtml;
        f.dialog->editHtmlFiles = c.edit;
        f.dialog->AddModifiedFile(QString::fromUtf8(c.file));
        auto* list = f.Control<QListWidget>(kIdFilesModified);
        emit list->itemDoubleClicked(list->item(0));
        QString got;
        if (!f.interaction.started.isEmpty()) {
            QCOMPARE(f.interaction.started.size(), 1);
            QCOMPARE(f.interaction.started[0].second, QString::fromUtf8(c.file));
            got = "start:" + f.interaction.started[0].first;
        } else {
            QCOMPARE(f.interaction.shellCalls.size(), 1);
            got = "shell:" + f.interaction.shellCalls[0].first;
        }
        QCOMPARE(got, QString::fromUtf8(c.expected));
    }
    // The shell's "edit" falls back to "open" when it fails.
    DialogFixture f;
    f.interaction.shellEditWorks = false;
    f.dialog->ShellOpenFile(QStringLiteral("/w/x"));
    QCOMPARE(f.interaction.shellCalls.size(), 2);
    QCOMPARE(f.interaction.shellCalls[1].first, QStringLiteral("open"));
}

void CommandsTest::HtmlFilesDatRules() {
    TempTree tree;
    tree.Write("HTMLFiles.dat", "# comment\nhtm\n\n#html\n.shtml\n   \nphp\r\n");
    auto extensions =
        ReadHtmlExtensions(QString::fromStdString(tree.Path("HTMLFiles.dat").string()));
    QVERIFY(extensions.has_value());
    QCOMPARE(*extensions, (QStringList{"htm", ".shtml", "   ", "php"}));
    QVERIFY(IsHtmlFile("/w/index.htm", *extensions));
    QVERIFY(!IsHtmlFile("/w/INDEX.HTM", *extensions));
    QVERIFY(!IsHtmlFile("/w/page.html", *extensions));
    QVERIFY(!IsHtmlFile("/w/a.shtml", *extensions));  // ".shtml" matches nothing
    QVERIFY(IsHtmlFile("/w/a.php", *extensions));
    QVERIFY(!IsHtmlFile("/w/dir.htm/readme", *extensions));
    QVERIFY(IsHtmlFile("htm", *extensions));  // no dot: the whole entry
}

void CommandsTest::MissingHtmlFilesDatIsReported() {
    DialogFixture f;
    f.dialog->textViewer = QStringLiteral("viewer");
    f.dialog->AddModifiedFile(QStringLiteral("/w/a.htm"));
    // The copy shipped beside the program is the fall-back; take it away too.
    QString shipped = QDir(QCoreApplication::applicationDirPath()).filePath("HTMLFiles.dat");
    QString aside = shipped + ".aside";
    bool moved = QFile::rename(shipped, aside);
    f.dialog->OpenModifiedFile();
    if (moved) QFile::rename(aside, shipped);
    QCOMPARE(f.interaction.messages.value(0),
             "Could not open " + f.dialog->programDirectory +
                 "/HTMLFiles.dat\nFile may not exist. Please make sure there is a file\nin the "
                 "Tavro program directory called \"HTMLFiles.dat\"");
    QCOMPARE(f.interaction.started.value(0).first, QStringLiteral("viewer"));
}

void CommandsTest::LogViewerOnOpen() {
    DialogFixture f;
    f.Click(kIdOpenLog);
    QCOMPARE(f.interaction.shellCalls.value(0),
             qMakePair(QStringLiteral("open"), f.dialog->programDirectory + "/default.log"));
    f.dialog->logViewer = QStringLiteral("/usr/bin/less");
    f.Click(kIdRecordLogfile);
    f.Edit(kIdLogFileName)->setText(QStringLiteral("RUN.LOG"));
    f.dialog->DoDataExchange(true);
    f.Click(kIdOpenLog);
    QCOMPARE(f.interaction.started.value(0),
             qMakePair(QStringLiteral("/usr/bin/less"), f.dialog->programDirectory + "/RUN.LOG"));
}

}  // namespace tavro::test

QTEST_MAIN(tavro::test::CommandsTest)
#include "commands_test.moc"
