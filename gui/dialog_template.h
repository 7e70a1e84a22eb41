#pragma once

#include <QRect>
#include <QString>
#include <vector>

class QFont;
class QWidget;

namespace tavro {

enum class ControlKind {
    pushButton,
    defaultPushButton,
    label,
    comboBox,
    checkBox,
    radioButton,
    groupBox,
    editBox,
    listBox,
    picture,
};

enum ControlStyle : unsigned {
    kTabStop = 1u << 0,
    kGroupStart = 1u << 1,
    kRightAligned = 1u << 2,
    kUpperCase = 1u << 3,  // typed letters become capitals
};

// One control of a dialog template: its rectangle is in dialog units.
struct ControlSpec {
    int id;
    ControlKind kind;
    const char* caption;
    int left;
    int top;
    int width;
    int height;
    unsigned style;
};

// The main dialog's template, in tab order.
const std::vector<ControlSpec>& MainDialogTemplate();
inline constexpr int kMainDialogWidth = 395;   // dialog units
inline constexpr int kMainDialogHeight = 254;

// Dialog units of a font: a quarter of the average character width across,
// an eighth of the character height down, so layouts keep their proportions
// at any font size and screen density.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    QRect ToPixels(int left, int top, int width, int height) const;
    int X(int units) const;
    int Y(int units) const;

private:
    double baseWidth;
    double baseHeight;
};

QString ControlName(int id);

// Makes the program's pictures available; safe to call more than once.
void LoadResources();

// Creates the widget for one control, placed by its rectangle.
QWidget* BuildControl(const ControlSpec& control, const DialogUnits& units, QWidget* parent);

}  // namespace tavro
