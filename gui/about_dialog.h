#pragma once

#include <QDialog>

namespace tavro {

inline constexpr const char* kVersionLine = "tavro Version 1.2";

// The About box: the program's picture, name and version, and an OK button.
class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace tavro
