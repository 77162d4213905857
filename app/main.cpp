// SPDX-License-Identifier: MIT
#include "app/tavrel.h"
#include "winstate/widgetsettings.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Docks and task bars match a window to its menu entry, and show the entry's icon, by the
    // desktop file name (the app id on Wayland) or by the window class (WM_CLASS on X11, taken
    // from the application name). The name is set rather than left to argv[0], so that the class
    // stays the entry's StartupWMClass however the program is started. The window's own icon is
    // the installed one, looked up in the icon theme.
    QApplication::setApplicationName(QStringLiteral("tavrel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tavrel.Tavrel"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.tavrel.Tavrel")));
    // The main window's constructor reaches this store through QWidgetSettings::WidgetSettings();
    // the window's destructor deletes it.
    QWidgetSettings *store = new QWidgetSettings(QStringLiteral("./win_config.cfg"));
    Tavrel window(nullptr, Qt::WindowFlags());
    store->LoadStates(&window);
    window.show();
    QObject::connect(&application, SIGNAL(lastWindowClosed()), &application, SLOT(quit()));
    return application.exec();
}
