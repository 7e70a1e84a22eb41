#include "gui/about_dialog.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "gui/dialog_template.h"

namespace tavro {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    LoadResources();
    setWindowTitle(QStringLiteral("About tavro"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    DialogUnits units(font());
    setFixedSize(units.X(333), units.Y(265));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("aboutPicture"));
    picture->setPixmap(QPixmap(QStringLiteral(":/tavro/about.png")));
    picture->setGeometry(units.X(7), units.Y(7), 118, 130);
    picture->setScaledContents(true);

    auto* version = new QLabel(QString::fromUtf8(kVersionLine), this);
    version->setObjectName(QStringLiteral("versionLine"));
    version->setGeometry(units.ToPixels(100, 12, 160, 10));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setGeometry(units.ToPixels(276, 8, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    const char* lines[] = {
        "A multi-file, multi-directory search and replace utility for text files.",
        "Replaces plain text, with or without regard to case, or regular expressions",
        "in every matching file of a directory or a whole tree, with backups,",
        "a run log and an error log.",
        "",
        "kembrel, the console program, runs the same searches from switches",
        "or from an auto-config file saved here.",
    };
    int top = 30;
    for (const char* line : lines) {
        auto* label = new QLabel(QString::fromUtf8(line), this);
        label->setGeometry(units.ToPixels(100, top, 226, 10));
        top += 11;
    }
}

}  // namespace tavro
