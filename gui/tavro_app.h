#pragma once

#include <QApplication>

namespace tavro {

// The application: runs the main dialog modally as the program's only window
// and ends when it closes.
class TavroApp final : public QApplication {
    Q_OBJECT

public:
    TavroApp(int& argc, char** argv);
    // Start-up; returns when the dialog has closed.
    int InitInstance();
};

}  // namespace tavro
