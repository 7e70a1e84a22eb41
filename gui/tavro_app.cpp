#include "gui/tavro_app.h"

#include "gui/dialog_template.h"
#ifdef _WIN32
#include "gui/registry_settings_store.h"
#else
#include "gui/ini_settings_store.h"
#endif
#include "gui/main_dialog.h"
#include "gui/user_interaction.h"

namespace tavro {

TavroApp::TavroApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("tavro"));
    setApplicationVersion(QStringLiteral("1.2"));
    setOrganizationName(QStringLiteral("Dunmoor"));
    LoadResources();
    setWindowIcon(QIcon(QStringLiteral(":/tavro/tavro.png")));
}

int TavroApp::InitInstance() {
#ifdef _WIN32
    RegistrySettingsStore store;
#else
    IniSettingsStore store(IniSettingsStore::DefaultConfigDirectory());
#endif
    MainDialog dialog(QtUserInteraction(), store);
    dialog.OnInitDialog();
    dialog.exec();
    return 0;
}

}  // namespace tavro
