#include "app/tavrel.h"
#include "winstate/widgetsettings.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The main window's constructor reaches this store through QWidgetSettings::WidgetSettings();
    // the window's destructor deletes it.
    QWidgetSettings *store = new QWidgetSettings(QStringLiteral("./win_config.cfg"));
    Tavrel window(nullptr, Qt::WindowFlags());
    store->LoadStates(&window);
    window.show();
    QObject::connect(&application, SIGNAL(lastWindowClosed()), &application, SLOT(quit()));
    return application.exec();
}
