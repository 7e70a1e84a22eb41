#include "gui/tavro_app.h"

int main(int argc, char** argv) {
    tavro::TavroApp app(argc, argv);
    return app.InitInstance();
}
