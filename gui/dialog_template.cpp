#include "gui/dialog_template.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "gui/control_ids.h"

// Resources of a static library must be registered by hand.
static void RegisterResources() { Q_INIT_RESOURCE(resources); }

namespace tavro {
namespace {

using K = ControlKind;

}  // namespace

const std::vector<ControlSpec>& MainDialogTemplate() {
    static const std::vector<ControlSpec> kTemplate = {
        {kIdAutoConfig, K::pushButton, "A&uto Config", 165, 38, 45, 19, kTabStop},
        {kIdBrowseFolder, K::pushButton, ". . .", 196, 64, 13, 12, kTabStop},
        {kIdStartDirectoryLabel, K::label, "Starting Director&y : ", 7, 66, 58, 11, kRightAligned},
        {kIdStartDirectory, K::comboBox, nullptr, 65, 65, 127, 76, kGroupStart | kTabStop},
        {kIdFindLabel, K::label, "Fi&nd : ", 7, 84, 57, 11, kRightAligned},
        {kIdFind, K::comboBox, nullptr, 65, 83, 127, 76, kGroupStart | kTabStop},
        {kIdReplaceLabel, K::label, "Repl&ace With : ", 10, 104, 55, 14, kRightAligned},
        {kIdReplace, K::comboBox, nullptr, 65, 103, 127, 76, kGroupStart | kTabStop},
        {kIdFileTypeLabel, K::label, "File &Type : ", 24, 125, 41, 12, kRightAligned},
        {kIdFileType, K::comboBox, nullptr, 65, 122, 127, 76, kGroupStart | kTabStop},
        {kIdMakeBackups, K::checkBox, "&Make Backups", 20, 142, 72, 12, kGroupStart | kTabStop},
        {kIdExtensionLabel, K::label, "Extension : ", 95, 143, 36, 10, kRightAligned},
        {kIdBackupExtension, K::editBox, nullptr, 134, 141, 65, 12, kTabStop},
        {kIdIncludeSubdirectories, K::checkBox, "&Include Subdirectories", 20, 164, 94, 10, kTabStop},
        {kIdRegularExpression, K::checkBox, "Re&gular Expression Search", 122, 163, 103, 10,
         kTabStop},
        {kIdCaseSensitive, K::checkBox, "&Case Sensitive Search", 122, 178, 97, 10, kTabStop},
        {kIdReadOnlyGroup, K::groupBox, "Read Only Files", 17, 185, 86, 47, 0},
        {kIdSkipReadOnly, K::radioButton, "S&kip", 33, 200, 30, 10, kGroupStart | kTabStop},
        {kIdProcessReadOnly, K::radioButton, "P&rocess", 33, 214, 46, 10, kTabStop},
        {kIdRecordLogfile, K::checkBox, "Record &Logfile", 226, 178, 65, 12, kTabStop},
        {kIdLogFileName, K::editBox, nullptr, 297, 178, 68, 12, kUpperCase | kTabStop},
        {kIdOpenLog, K::pushButton, "O&pen", 368, 178, 20, 12, kTabStop},
        {kIdHtmlGroup, K::groupBox, "", 229, 194, 137, 43, 0},
        {kIdEnableHtml, K::checkBox, "Ena&ble HTML File Processing", 241, 206, 115, 10, kTabStop},
        {kIdEditHtml, K::radioButton, "&Edit", 240, 221, 28, 10, kGroupStart | kTabStop},
        {kIdViewHtml, K::radioButton, "View in &Web Browser", 278, 221, 85, 10, kTabStop},
        {kIdFilesModifiedLabel, K::label, "Files Mo&dified", 276, 7, 76, 8, 0},
        {kIdFilesModified, K::listBox, nullptr, 216, 19, 172, 136, kTabStop},
        {kIdSaveSettingsOnExit, K::checkBox, "Sa&ve Settings on Exit", 123, 197, 94, 10, kTabStop},
        {kIdExit, K::pushButton, "E&xit", 125, 217, 37, 17, kTabStop},
        {kIdStartStop, K::defaultPushButton, "&Start", 173, 217, 37, 17, kTabStop},
        {kIdStatus, K::label, nullptr, 243, 162, 121, 11, 0},
        {kIdPicture, K::picture, nullptr, 7, 7, 136, 52, 0},
    };
    return kTemplate;
}

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetricsF metrics(font);
    baseWidth = metrics.horizontalAdvance(
                    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                52.0;
    baseHeight = metrics.height();
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * baseWidth / 4)); }
int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * baseHeight / 8)); }

QRect DialogUnits::ToPixels(int left, int top, int width, int height) const {
    return QRect(X(left), Y(top), X(left + width) - X(left), Y(top + height) - Y(top));
}

void LoadResources() {
    static const bool loaded = (RegisterResources(), true);
    (void)loaded;
}

QString ControlName(int id) { return QStringLiteral("control%1").arg(id); }

QWidget* BuildControl(const ControlSpec& control, const DialogUnits& units, QWidget* parent) {
    QString caption = control.caption != nullptr ? QString::fromUtf8(control.caption) : QString();
    QWidget* widget = nullptr;
    QRect rect = units.ToPixels(control.left, control.top, control.width, control.height);
    switch (control.kind) {
        case K::pushButton:
        case K::defaultPushButton: {
            auto* button = new QPushButton(caption, parent);
            button->setAutoDefault(false);
            button->setDefault(control.kind == K::defaultPushButton);
            widget = button;
            break;
        }
        case K::label: {
            auto* label = new QLabel(caption, parent);
            label->setAlignment((control.style & kRightAligned ? Qt::AlignRight : Qt::AlignLeft) |
                                Qt::AlignVCenter);
            widget = label;
            break;
        }
        case K::comboBox: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setMaxVisibleItems(10);
            // The rectangle's height includes the drop-down list.
            rect.setHeight(units.Y(13));
            widget = combo;
            break;
        }
        case K::checkBox: widget = new QCheckBox(caption, parent); break;
        case K::radioButton: {
            auto* radio = new QRadioButton(caption, parent);
            radio->setAutoExclusive(false);  // each pair is grouped by the dialog
            widget = radio;
            break;
        }
        case K::groupBox: widget = new QGroupBox(caption, parent); break;
        case K::editBox: {
            auto* edit = new QLineEdit(parent);
            if (control.style & kUpperCase) {
                // Only what is typed; text set by the program stays as it is.
                QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
                    int cursor = edit->cursorPosition();
                    edit->setText(text.toUpper());
                    edit->setCursorPosition(cursor);
                });
            }
            widget = edit;
            break;
        }
        case K::listBox: {
            auto* list = new QListWidget(parent);
            list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            widget = list;
            break;
        }
        case K::picture: {
            auto* picture = new QLabel(parent);
            picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            picture->setPixmap(QPixmap(QStringLiteral(":/tavro/banner.png")));
            picture->setScaledContents(true);
            widget = picture;
            break;
        }
    }
    widget->setObjectName(ControlName(control.id));
    widget->setGeometry(rect);
    widget->setFocusPolicy(control.style & kTabStop ? Qt::StrongFocus : Qt::NoFocus);
    if (control.kind == K::label || control.kind == K::groupBox || control.kind == K::picture) {
        widget->setFocusPolicy(Qt::NoFocus);
    }
    return widget;
}

}  // namespace tavro
