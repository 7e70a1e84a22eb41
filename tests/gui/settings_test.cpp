#include <QCheckBox>
#include <QFile>
#include <QRadioButton>
#include <QTest>

#include "tests/gui/gui_fixture.h"

namespace tavro::test {

namespace {

std::string Flag(DialogFixture& f, const std::string& name) {
    return f.store->Value(kFlagsKey, name).value_or("<missing>");
}

// Writes a settings file as a previous session would have left it.
void StoreFlags(DialogFixture& f, const StoredValues& values) {
    IniSettingsStore store(QString::fromStdString(f.config.Root().string()));
    store.CreateKey(kFlagsKey);
    for (const auto& [name, data] : values) store.SetValue(kFlagsKey, name, data);
}

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void FirstRunDefaults();
    void ExitingAtOnceWritesAllNineFlags();
    void StoredFlagsAndTheirReadBackTests();
    void RegexAndCaseSensitiveBothStored();
    void SaveSettingsOffWritesOnlyThatFlag();
    void SaveSettingsNowWritesAllNine();
    void RecentListsLoadWithTheirMatchingRules();
    void RecentListsKeepTheLastTenAndNumberConsecutively();
    void ClearCommandsEmptyTheLists();
    void GarbageSettingsFileStartsCleanAndIsRewritten();
    void UnreadableSettingsFileStartsClean();
};

void SettingsTest::FirstRunDefaults() {
    DialogFixture f;
    QVERIFY(f.Button(kIdProcessReadOnly)->isChecked());
    QVERIFY(!f.Button(kIdSkipReadOnly)->isChecked());
    QVERIFY(f.Button(kIdSaveSettingsOnExit)->isChecked());
    QCOMPARE(f.dialog->saveSettingsOnExit, 1);
    QVERIFY(f.Button(kIdEditHtml)->isChecked());
    QCOMPARE(f.dialog->editHtmlFiles, 1);
    QVERIFY(!f.Button(kIdEditHtml)->isEnabled());
    QVERIFY(!f.Button(kIdViewHtml)->isEnabled());
    QVERIFY(!f.Edit(kIdBackupExtension)->isEnabled());
    QVERIFY(f.Control(kIdExtensionLabel)->isEnabled());
    QVERIFY(!f.Edit(kIdLogFileName)->isEnabled());
    QCOMPARE(f.dialog->enableHtmlProcessing, 0);
}

void SettingsTest::ExitingAtOnceWritesAllNineFlags() {
    DialogFixture f;
    f.dialog->reject();
    const StoredValues expected = {
        {"Backup", "0"},          {"Case Sensitive Search", "0"},
        {"Include Subdirectories", "0"}, {"Record Logfile", "0"},
        {"Skip Readonly Files", "0"},    {"Regular Expression Search", "0"},
        {"Edit HTML Files", "1"},        {"Enable HTML File Processing", "0"},
        {"Save Settings", "1"},
    };
    IniSettingsStore reread(QString::fromStdString(f.config.Root().string()));
    QVERIFY(reread.Values(kFlagsKey).value() == expected);
}

void SettingsTest::StoredFlagsAndTheirReadBackTests() {
    DialogFixture f;
    StoreFlags(f, {{"Backup", "yes"},
                   {"Case Sensitive Search", "yes"},
                   {"Include Subdirectories", "1"},
                   {"Record Logfile", "1"},
                   {"Skip Readonly Files", "2"},
                   {"Regular Expression Search", "0"},
                   {"Edit HTML Files", "0"},
                   {"Enable HTML File Processing", "1"},
                   {"Save Settings", "true"},
                   {"backup", "0"},
                   {"Other", "kept"}});
    f.Reopen();
    QCOMPARE(f.dialog->makeBackups, 1);
    QVERIFY(f.Button(kIdMakeBackups)->isChecked());
    QVERIFY(f.Edit(kIdBackupExtension)->isEnabled());
    QCOMPARE(f.dialog->caseSensitive, 0);
    QCOMPARE(f.dialog->includeSubdirectories, 1);
    QCOMPARE(f.dialog->recordLogfile, 1);
    QVERIFY(f.Edit(kIdLogFileName)->isEnabled());
    QCOMPARE(f.dialog->skipReadOnly, 1);
    QVERIFY(f.Button(kIdSkipReadOnly)->isChecked());
    QCOMPARE(f.dialog->editHtmlFiles, 0);
    QVERIFY(f.Button(kIdViewHtml)->isChecked());
    QCOMPARE(f.dialog->enableHtmlProcessing, 1);
    QVERIFY(f.Button(kIdViewHtml)->isEnabled());
    QCOMPARE(f.dialog->saveSettingsOnExit, 0);
    QVERIFY(!f.Button(kIdSaveSettingsOnExit)->isChecked());
    f.dialog->SaveFlags();
    QCOMPARE(Flag(f, "Other"), std::string("kept"));
    QCOMPARE(Flag(f, "backup"), std::string("0"));
    QCOMPARE(Flag(f, "Backup"), std::string("1"));
}

void SettingsTest::RegexAndCaseSensitiveBothStored() {
    DialogFixture f;
    StoreFlags(f, {{"Regular Expression Search", "1"}, {"Case Sensitive Search", "1"}});
    f.Reopen();
    QVERIFY(f.Button(kIdCaseSensitive)->isChecked());
    QVERIFY(!f.Button(kIdCaseSensitive)->isEnabled());
    QCOMPARE(f.dialog->caseSensitive, 1);
    f.Click(kIdRegularExpression);
    f.Click(kIdRegularExpression);
    QCOMPARE(f.dialog->caseSensitive, 0);
}

void SettingsTest::SaveSettingsOffWritesOnlyThatFlag() {
    DialogFixture f;
    f.Click(kIdMakeBackups);
    f.dialog->reject();  // stores Backup = 1 with the rest
    f.Reopen();
    f.Click(kIdMakeBackups);             // Backup off, but not stored:
    f.Click(kIdSaveSettingsOnExit);      // Save Settings off
    f.dialog->reject();
    QCOMPARE(Flag(f, "Save Settings"), std::string("0"));
    QCOMPARE(Flag(f, "Backup"), std::string("1"));
    f.Reopen();
    QCOMPARE(f.dialog->makeBackups, 1);
    QVERIFY(!f.Button(kIdSaveSettingsOnExit)->isChecked());
}

void SettingsTest::SaveSettingsNowWritesAllNine() {
    DialogFixture f;
    f.Click(kIdSaveSettingsOnExit);
    f.Click(kIdIncludeSubdirectories);
    f.dialog->findChild<QAction*>(QStringLiteral("command%1").arg(kCmdSaveSettingsNow))->trigger();
    QCOMPARE(Flag(f, "Save Settings"), std::string("0"));
    QCOMPARE(Flag(f, "Include Subdirectories"), std::string("1"));
    QCOMPARE(f.store->Values(kFlagsKey)->size(), 9u);
}

void SettingsTest::RecentListsLoadWithTheirMatchingRules() {
    DialogFixture f;
    {
        IniSettingsStore store(QString::fromStdString(f.config.Root().string()));
        store.CreateKey(kRecentFindKey);
        store.CreateKey(kRecentStartDirKey);
        for (auto [key, name, data] :
             {std::tuple<std::string, const char*, const char*>{kRecentFindKey, "0", "abc"}, {kRecentFindKey, "1", "ABC"},
              {kRecentFindKey, "x", "3"}, {kRecentFindKey, "2", ""},
              {kRecentStartDirKey, "0", "/Data"}, {kRecentStartDirKey, "1", "/data"},
              {kRecentStartDirKey, "2", "/other"}}) {
            store.SetValue(key, name, data);
        }
    }
    f.Reopen();
    QCOMPARE(f.Items(kIdFind), (QStringList{"abc", "ABC", "3", ""}));
    QCOMPARE(f.Items(kIdStartDirectory), (QStringList{"/Data", "/other"}));
    QCOMPARE(f.Combo(kIdFind)->currentText(), QString());
    f.dialog->reject();
    // Stored back consecutively: the empty entry is dropped, "x" is left alone.
    QVERIFY(f.store->Values(kRecentFindKey).value() ==
            (StoredValues{{"x", "3"}, {"0", "abc"}, {"1", "ABC"}, {"2", "3"}}));
}

void SettingsTest::RecentListsKeepTheLastTenAndNumberConsecutively() {
    DialogFixture f;
    for (int i = 0; i < 12; ++i) {
        MainDialog::AddRecentEntry(f.Combo(kIdFind), QStringLiteral("find %1").arg(i),
                                   MainDialog::MatchRule::exact);
    }
    MainDialog::AddRecentEntry(f.Combo(kIdFind), QStringLiteral("find 3"),
                               MainDialog::MatchRule::exact);
    MainDialog::AddRecentEntry(f.Combo(kIdFind), QString(), MainDialog::MatchRule::exact);
    QCOMPARE(f.Combo(kIdFind)->count(), 12);
    f.dialog->reject();
    StoredValues stored = f.store->Values(kRecentFindKey).value();
    QCOMPARE(stored.size(), 10u);
    using Value = std::pair<std::string, std::string>;
    QVERIFY((stored.front() == Value("0", "find 2")));
    QVERIFY((stored.back() == Value("9", "find 11")));
    f.Reopen();
    QCOMPARE(f.Items(kIdFind).front(), QStringLiteral("find 2"));
    // Three stored, two in the list: the old numbers go, 0 and 1 are written.
    f.Combo(kIdFind)->clear();
    f.Combo(kIdFind)->addItems({"a", "b"});
    f.dialog->reject();
    QVERIFY(f.store->Values(kRecentFindKey).value() == (StoredValues{{"0", "a"}, {"1", "b"}}));
}

void SettingsTest::ClearCommandsEmptyTheLists() {
    DialogFixture f;
    for (int id : {kIdStartDirectory, kIdFind, kIdReplace, kIdFileType}) {
        f.Combo(id)->addItems({"one", "two"});
    }
    f.dialog->OnCommand(kCmdClearFind);
    QCOMPARE(f.Combo(kIdFind)->count(), 0);
    QCOMPARE(f.Combo(kIdReplace)->count(), 2);
    f.dialog->ClearRecentList(QStringLiteral("all"));  // names are compared exactly
    QCOMPARE(f.Combo(kIdReplace)->count(), 2);
    f.dialog->OnCommand(kCmdClearAll);
    for (int id : {kIdStartDirectory, kIdFind, kIdReplace, kIdFileType}) {
        QCOMPARE(f.Combo(id)->count(), 0);
    }
    f.dialog->reject();
    for (const std::string& key : {kRecentStartDirKey, kRecentFindKey, kRecentReplaceKey,
                                   kRecentFileTypeKey}) {
        QCOMPARE(f.store->Values(key)->size(), 0u);
    }
}

void SettingsTest::GarbageSettingsFileStartsCleanAndIsRewritten() {
    DialogFixture f;
    f.dialog->reject();
    QString path = f.store->FilePath();
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\x01\x02 garbage without any structure\n[\n=\\q\n");
    file.close();
    f.Reopen();
    QCOMPARE(f.dialog->saveSettingsOnExit, 0);  // no values, and not a first run either
    f.Click(kIdSaveSettingsOnExit);
    f.dialog->reject();
    IniSettingsStore reread(QString::fromStdString(f.config.Root().string()));
    QCOMPARE(reread.Values(kFlagsKey)->size(), 9u);
    QCOMPARE(reread.Value(kFlagsKey, "Save Settings").value(), std::string("1"));
}

void SettingsTest::UnreadableSettingsFileStartsClean() {
    DialogFixture f;
    f.dialog->reject();
    QString path = f.store->FilePath();
    QFile::remove(path);
    QDir().mkpath(path);  // a folder where the file should be: it cannot be read
    f.Reopen();
    QCOMPARE(f.dialog->makeBackups, 0);
    f.dialog->reject();   // nothing can be written either; no crash, no message
    QVERIFY(f.interaction.messages.isEmpty());
    QDir(path).removeRecursively();
    f.Reopen();
    f.dialog->findChild<QAction*>(QStringLiteral("command%1").arg(kCmdSaveSettingsNow))->trigger();
    IniSettingsStore reread(QString::fromStdString(f.config.Root().string()));
    QCOMPARE(reread.Values(kFlagsKey)->size(), 9u);
}

}  // namespace tavro::test

QTEST_MAIN(tavro::test::SettingsTest)
#include "settings_test.moc"
