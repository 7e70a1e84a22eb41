#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <regex>

#include "tests/gui/gui_fixture.h"
#include "tests/support/engine_fixture.h"

namespace tavro::test {

namespace {

// Fills the dialog's fields as a user would and starts a run.
void Fill(DialogFixture& f, const QString& start, const QString& find, const QString& replace,
          const QString& type) {
    f.Combo(kIdStartDirectory)->setEditText(start);
    f.Combo(kIdFind)->setEditText(find);
    f.Combo(kIdReplace)->setEditText(replace);
    f.Combo(kIdFileType)->setEditText(type);
}

QString Native(const TempTree& tree, std::string_view relative) {
    return QString::fromStdString(tree.Path(relative).string());
}

}  // namespace

class RunControlTest : public QObject {
    Q_OBJECT

private slots:
    void ValidationChecksInTheirOrder();
    void StartingDirectoryThatCannotBeOpened();
    void LogFilesInTheProgramDirectoryAreRefused();
    void RelativeStartingDirectoryIsTakenFromTheProgramDirectory();
    void FullRunChangesFilesAndRecordsThem();
    void NothingFoundIsListed();
    void StopWritesAbortRecordsAndChangesNothingAfterIt();
    void ValueChangedDuringARunAppliesFromTheNextFile();
    void RunCannotBeClosedAway();
};

void RunControlTest::ValidationChecksInTheirOrder() {
    DialogFixture f;
    TempTree tree;
    const struct {
        QString start, find, type;
        bool backups;
        QString extension;
        bool log;
        QString logName;
        QString message;
    } kCases[] = {
        {"", "", "", false, "", false, "x",
         "Sorry, you can't leave the Starting Directory box empty."},
        {Native(tree, ""), "", "", false, "", false, "x",
         "Sorry, you can't leave the File Type box empty.\nPlease enter a file extension."},
        {Native(tree, ""), "", "*.txt", false, "", false, "x",
         "You must specify a string to search for."},
        {Native(tree, ""), "old", "*.txt", true, "", false, "x",
         "Please enter a backup file extension"},
        {Native(tree, ""), "old", "*.txt", false, "", true, "",
         "Please enter a name for the log file."},
    };
    for (const auto& c : kCases) {
        f.interaction.messages.clear();
        f.dialog->AddModifiedFile(QStringLiteral("left from before"));
        Fill(f, c.start, c.find, QString(), c.type);
        if ((f.dialog->makeBackups == 1) != c.backups) f.Click(kIdMakeBackups);
        f.Edit(kIdBackupExtension)->setText(c.extension);
        if ((f.dialog->recordLogfile == 1) != c.log) f.Click(kIdRecordLogfile);
        f.Edit(kIdLogFileName)->setText(c.logName);
        f.Click(kIdStartStop);
        QCOMPARE(f.interaction.messages, QStringList{c.message});
        QCOMPARE(f.ListItems(), QStringList());
        QCOMPARE(f.Button(kIdStartStop)->text(), QStringLiteral("&Start"));
        QCOMPARE(f.Control<QLabel>(kIdStatus)->text(), QStringLiteral(" Status :  Ready . . ."));
    }
    QCOMPARE(f.Combo(kIdFind)->count(), 0);  // no recent entry from a refused run
    QVERIFY(!f.programDirectory.Exists("error.log"));
}

void RunControlTest::StartingDirectoryThatCannotBeOpened() {
    DialogFixture f;
    f.programDirectory.Write("a.txt", "old\n");
    Fill(f, QStringLiteral("/no/such/directory"), "old", "new", "*.txt");
    f.Click(kIdStartStop);
    QCOMPARE(f.interaction.messages,
             QStringList{"Sorry, the Starting Directory could not be opened:\n/no/such/directory"});
    QCOMPARE(f.programDirectory.Read("a.txt"), "old\n");
    QCOMPARE(f.Button(kIdStartStop)->text(), QStringLiteral("&Start"));
    QCOMPARE(QDir::currentPath(), f.dialog->programDirectory);
}

void RunControlTest::LogFilesInTheProgramDirectoryAreRefused() {
    DialogFixture f;
    f.programDirectory.Write("run.log", "old\n");
    const QString refused = "Sorry, you cannot search .log files in the Tavro program directory.";
    for (QString type : {"log", ".LOG"}) {
        f.interaction.messages.clear();
        Fill(f, f.dialog->programDirectory, "old", "new", type);
        f.Click(kIdStartStop);
        QCOMPARE(f.interaction.messages, QStringList{refused});
    }
    f.interaction.messages.clear();
    Fill(f, f.dialog->programDirectory, "old", "new", "*.log");
    f.Click(kIdStartStop);
    QCOMPARE(f.interaction.messages, QStringList());
    QCOMPARE(f.programDirectory.Read("run.log"), "new\r\n");
}

void RunControlTest::RelativeStartingDirectoryIsTakenFromTheProgramDirectory() {
    DialogFixture f;
    f.programDirectory.Write("site/a.txt", "old\n");
    Fill(f, "site", "old", "new", "*.txt");
    f.Click(kIdStartStop);
    QCOMPARE(f.programDirectory.Read("site/a.txt"), "new\r\n");
    QCOMPARE(f.ListItems(), QStringList{Native(f.programDirectory, "site/a.txt")});
}

void RunControlTest::FullRunChangesFilesAndRecordsThem() {
    DialogFixture f;
    TempTree tree;
    tree.Write("a.txt", "old Old\n");
    tree.Write("b.txt", "nothing\n");
    tree.Write("sub/c.txt", "OLD\n");
    f.Click(kIdIncludeSubdirectories);
    f.Click(kIdMakeBackups);
    f.Edit(kIdBackupExtension)->setText(QStringLiteral("bak"));
    f.Click(kIdRecordLogfile);
    f.Edit(kIdLogFileName)->setText(QStringLiteral("RUN.LOG"));
    f.Combo(kIdFind)->addItem(QStringLiteral("OLD"));
    Fill(f, Native(tree, ""), "old", "new", "*.TXT");
    f.Combo(kIdFileType)->setEditText(QStringLiteral("*.txt"));
    QStringList statuses;
    connect(f.dialog.get(), &MainDialog::StatusChanged, this,
            [&](const QString& text) { statuses << text; });
    f.Click(kIdStartStop);

    QCOMPARE(tree.Read("a.txt"), "new new\r\n");
    QCOMPARE(tree.Read("sub/c.txt"), "new\r\n");
    QCOMPARE(tree.Read("a.txt.bak"), "old Old\n");
    QCOMPARE(f.ListItems(), (QStringList{Native(tree, "a.txt"), Native(tree, "sub/c.txt")}));
    QCOMPARE(statuses, (QStringList{
                           " Status :  Initializing Files . . .",
                           " Status :  Preliminary File Filtering", " Status :  Backing Up",
                           " Status :  Searching", " Status :  Preliminary File Filtering",
                           " Status :  Preliminary File Filtering", " Status :  Backing Up",
                           " Status :  Searching", " Status :  Ready . . ."}));
    QCOMPARE(f.Items(kIdFind), (QStringList{"OLD", "old"}));   // case-sensitive rule
    QCOMPARE(f.Items(kIdFileType), QStringList{"*.txt"});
    QCOMPARE(f.Items(kIdStartDirectory), QStringList{Native(tree, "")});
    QCOMPARE(f.Button(kIdStartStop)->text(), QStringLiteral("&Start"));
    QVERIFY(f.Button(kIdExit)->isEnabled());

    std::string root = tree.Root().string();
    std::string log = WithoutCr(f.programDirectory.Read("RUN.LOG"));
    std::regex record(
        "[A-Z][a-z]+day, [A-Z][a-z]+ \\d\\d, \\d{4}, \\d\\d:\\d\\d:\\d\\d [AP]M\n\n" + root +
        "/a\\.txt \\(backed up to " + root + "/a\\.txt\\.bak\\) : \t\"old\" replaced with \"new\" 2 "
        "times\n" + root + "/sub/c\\.txt \\(backed up to " + root +
        "/sub/c\\.txt\\.bak\\) : \t\"old\" replaced with \"new\" 1 times\n\n2 files processed; "
        "\\d\\d:\\d\\d:\\d\\d [AP]M\n\n={44}\n\n");
    QVERIFY2(std::regex_match(log, record), log.c_str());
    QVERIFY(!f.programDirectory.Exists("error.log"));  // only made when an error is written
    QVERIFY(!f.programDirectory.Exists("abort.log"));
}

void RunControlTest::NothingFoundIsListed() {
    DialogFixture f;
    TempTree tree;
    tree.Write("a.txt", "nothing\n");
    f.Click(kIdRecordLogfile);
    Fill(f, Native(tree, ""), "old", "new", "*.txt");
    f.Click(kIdStartStop);
    QCOMPARE(f.ListItems(), QStringList{"Search string not found."});
    QVERIFY(WithoutCr(f.programDirectory.Read("default.log")).find("\n0 files processed; ") !=
            std::string::npos);
}

void RunControlTest::StopWritesAbortRecordsAndChangesNothingAfterIt() {
    DialogFixture f;
    TempTree tree;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) tree.Write(name, "old\n");
    tree.Write("c.txt", "nothing\n");
    f.Click(kIdRecordLogfile);
    Fill(f, Native(tree, ""), "old", "new", "*.txt");
    connect(f.dialog.get(), &MainDialog::Polling, this, [&](int file) {
        if (file == 2) {
            f.Click(kIdStartStop);
            QCOMPARE(f.Button(kIdStartStop)->text(), QStringLiteral("&Start"));
        }
        if (file == 3) f.Click(kIdStartStop);  // refused while winding down
    });
    f.Click(kIdStartStop);
    QCOMPARE(tree.Read("a.txt"), "new\r\n");
    QCOMPARE(tree.Read("b.txt"), "old\n");
    QCOMPARE(tree.Read("d.txt"), "old\n");
    QCOMPARE(f.interaction.messages,
             QStringList{"Please wait until the current abort operation is fully processed."});
    QCOMPARE(f.ListItems(), QStringList{Native(tree, "a.txt")});
    QCOMPARE(f.dialog->abortRequested, 0);
    QCOMPARE(f.Control<QLabel>(kIdStatus)->text(), QStringLiteral(" Status :  Ready . . ."));

    std::string log = WithoutCr(f.programDirectory.Read("default.log"));
    QVERIFY2(std::regex_search(log, std::regex("\n\\d\\d:\\d\\d:\\d\\d [AP]M - \\*\\*\\* Search "
                                               "aborted by user\\.\\*\\*\\* \\(See abort\\.log for "
                                               "more information\\.\\)\n\n1 files processed\n\n"
                                               "={44}\n\n$")),
             log.c_str());
    QVERIFY(log.find("files processed;") == std::string::npos);
    std::string root = tree.Root().string();
    std::string abort = WithoutCr(f.programDirectory.Read("abort.log"));
    std::regex expected(
        "\n={27}\n\n[A-Z][a-z]+day [A-Z][a-z]+ \\d\\d, \\d\\d:\\d\\d:\\d\\d [AP]M\tSearch aborted "
        "by user\n\nStarting Directory: " + root + "/\tFile Type filter: \\*\\.txt\nInclude "
        "Subdirs: No\t\tRegex: No\nSearch String: old\nReplace String: new\n\n" + root +
        "/b\\.txt: Search string found, file not processed\\.\n" + root +
        "/d\\.txt: Search string found, file not processed\\.\n");
    QVERIFY2(std::regex_match(abort, expected), abort.c_str());

    // The next Start runs normally.
    disconnect(f.dialog.get(), &MainDialog::Polling, this, nullptr);
    f.Click(kIdStartStop);
    QCOMPARE(tree.Read("d.txt"), "new\r\n");
}

void RunControlTest::ValueChangedDuringARunAppliesFromTheNextFile() {
    DialogFixture f;
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("b.txt", "old\n");
    Fill(f, Native(tree, ""), "old", "first", "*.txt");
    connect(f.dialog.get(), &MainDialog::Polling, this, [&](int file) {
        if (file != 2) return;
        f.Combo(kIdReplace)->setEditText(QStringLiteral("second"));
        f.Click(kIdCaseSensitive);  // a handler dispatched inside the poll
        f.dialog->DoDataExchange(true);
    });
    f.Click(kIdStartStop);
    QCOMPARE(tree.Read("a.txt"), "first\r\n");
    QCOMPARE(tree.Read("b.txt"), "second\r\n");
}

void RunControlTest::RunCannotBeClosedAway() {
    DialogFixture f;
    TempTree tree;
    tree.Write("a.txt", "old\n");
    Fill(f, Native(tree, ""), "old", "new", "*.txt");
    QSignalSpy finished(f.dialog.get(), &QDialog::finished);
    bool exitEnabled = true;
    connect(f.dialog.get(), &MainDialog::Polling, this, [&] {
        exitEnabled = f.Button(kIdExit)->isEnabled() || f.Button(kIdBrowseFolder)->isEnabled() ||
                      f.Button(kIdOpenLog)->isEnabled();
        f.dialog->close();
        QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
    });
    f.Click(kIdStartStop);
    QVERIFY(!exitEnabled);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(tree.Read("a.txt"), "new\r\n");
}

}  // namespace tavro::test

QTEST_MAIN(tavro::test::RunControlTest)
#include "run_control_test.moc"
