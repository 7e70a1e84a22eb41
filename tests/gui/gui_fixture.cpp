#include "tests/gui/gui_fixture.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

namespace tavro::test {

void DialogFixture::Open() {
    std::filesystem::current_path(programDirectory.Root());
    store = std::make_unique<IniSettingsStore>(QString::fromStdString(config.Root().string()));
    dialog = std::make_unique<MainDialog>(interaction, *store);
    dialog->OnInitDialog();
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
}

void DialogFixture::Reopen() {
    dialog.reset();
    Open();
}

DialogFixture::~DialogFixture() { dialog.reset(); }

QStringList DialogFixture::Items(int id) const {
    QStringList items;
    QComboBox* combo = Combo(id);
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

QStringList DialogFixture::ListItems() const {
    QStringList items;
    auto* list = Control<QListWidget>(kIdFilesModified);
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
}

void DialogFixture::Click(int id) const { QTest::mouseClick(Button(id), Qt::LeftButton); }

void DialogFixture::Type(int id, const QString& text) const {
    QWidget* control = dialog->Control(id);
    QLineEdit* edit = qobject_cast<QLineEdit*>(control);
    if (auto* combo = qobject_cast<QComboBox*>(control)) edit = combo->lineEdit();
    edit->setFocus();
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
    Button(kIdIncludeSubdirectories)->setFocus();  // leaving the box reads it
}

}  // namespace tavro::test
