#include <QMenu>
#include <QMenuBar>

#include "gui/control_ids.h"
#include "gui/main_dialog.h"

namespace tavro {
namespace {

struct MenuItem {
    const char* path;  // submenus separated by '|'; an empty last part is a separator
    int command;
};

// The menu bar, in its order.
constexpr MenuItem kMenu[] = {
    {"&File|&Save Search As ...", kCmdSaveSearchAs},
    {"&File|&Open Config File ...", kCmdOpenConfig},
    {"&File|", 0},
    {"&File|E&xit", kCmdExit},
    {"&Options|&HTML Files|&Default Editor ...", kCmdHtmlEditor},
    {"&Options|&HTML Files|Default &Browser ...", kCmdHtmlBrowser},
    {"&Options|&Log File Viewer ...", kCmdLogFileViewer},
    {"&Options|&Text File Viewer ...", kCmdTextFileViewer},
    {"&Options|", 0},
    {"&Options|&Clear MRU Lists|&Starting Directory", kCmdClearStartDir},
    {"&Options|&Clear MRU Lists|&Find", kCmdClearFind},
    {"&Options|&Clear MRU Lists|&Replace", kCmdClearReplace},
    {"&Options|&Clear MRU Lists|File &Type", kCmdClearFileType},
    {"&Options|&Clear MRU Lists|", 0},
    {"&Options|&Clear MRU Lists|&ALL", kCmdClearAll},
    {"&Options|&Save Settings Now", kCmdSaveSettingsNow},
    {"&Help|&Help Topics", kCmdHelpTopics},
    {"&Help|", 0},
    {"&Help|&About", kCmdAbout},
};

QMenu* SubMenu(QWidget* parent, const QString& title) {
    QList<QAction*> actions = parent->actions();
    for (QAction* action : actions) {
        if (action->menu() != nullptr && action->text() == title) return action->menu();
    }
    QMenu* menu = new QMenu(title, parent);
    if (auto* bar = qobject_cast<QMenuBar*>(parent)) {
        bar->addMenu(menu);
    } else {
        static_cast<QMenu*>(parent)->addMenu(menu);
    }
    return menu;
}

}  // namespace

void MainDialog::BuildMenu() {
    menuBar = new QMenuBar(this);
    menuBar->setNativeMenuBar(false);
    for (const MenuItem& item : kMenu) {
        QStringList parts = QString::fromUtf8(item.path).split('|');
        QWidget* parent = menuBar;
        for (int i = 0; i + 1 < parts.size(); ++i) parent = SubMenu(parent, parts[i]);
        auto* menu = static_cast<QMenu*>(parent);
        if (parts.back().isEmpty()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(parts.back());
        action->setObjectName(QStringLiteral("command%1").arg(item.command));
        action->setData(item.command);
        int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    }
}

void MainDialog::OnCommand(int id) {
    switch (id) {
        case kCmdSaveSearchAs: OnSaveAutoConfig(); break;
        case kCmdOpenConfig: OnOpenAutoConfig(); break;
        case kCmdExit: reject(); break;
        case kCmdHtmlEditor: ChooseHelperProgram(Helper::htmlEditor); break;
        case kCmdHtmlBrowser: ChooseHelperProgram(Helper::htmlBrowser); break;
        case kCmdLogFileViewer: ChooseHelperProgram(Helper::logViewer); break;
        case kCmdTextFileViewer: ChooseHelperProgram(Helper::textViewer); break;
        case kCmdClearStartDir: ClearRecentList(QStringLiteral("Start Dir")); break;
        case kCmdClearFind: ClearRecentList(QStringLiteral("Search String")); break;
        case kCmdClearReplace: ClearRecentList(QStringLiteral("Replace String")); break;
        case kCmdClearFileType: ClearRecentList(QStringLiteral("File Type")); break;
        case kCmdClearAll: ClearRecentList(QStringLiteral("All")); break;
        case kCmdSaveSettingsNow: SaveFlags(); break;
        case kCmdHelpTopics: OpenUserGuide(); break;
        case kCmdAbout: ShowAbout(); break;
        default: break;
    }
}

}  // namespace tavro
