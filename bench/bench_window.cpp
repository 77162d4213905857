// SPDX-License-Identifier: MIT
// Measures the window's load and report on a generated pack against their floors: the reading
// every load must do (each file read twice, the item definitions the second time), and one bare
// insertHtml of the same report.
#include "app/tavrel.h"
#include "bench/generate_pack.h"
#include "core/config/configuration.h"
#include "core/read/discovery.h"
#include "core/read/scan.h"
#include "core/report/itemrow.h"
#include "scripts/si_item.h"
#include "winstate/widgetsettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextStream>
#include <QThreadPool>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

using namespace tavrel;

namespace {

const QString filter = QStringLiteral("*.scp");

long statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Both passes of a load read every file; the second also reads the item definitions.
double floorMilliseconds(const QStringList &files)
{
    QElapsedTimer timer;
    timer.start();
    qsizetype sections = 0;
    for (const ScanDepth depth : {ScanDepth::Kinds, ScanDepth::Items}) {
        for (const QString &path : files)
            sections += scanScriptFile(path, depth).sections.size();
    }
    const double elapsed = timer.nsecsElapsed() / 1e6;
    return sections < 0 ? 0 : elapsed;
}

template <class Function> double bestOf(int runs, Function function)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, function());
    return best;
}

QAction *action(Tavrel &window, const QString &text)
{
    const QList<QAction *> actions = window.findChildren<QAction *>();
    for (QAction *a : actions) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

QTreeWidget *skillTreeOf(Tavrel &window)
{
    auto *outer = qobject_cast<QSplitter *>(window.centralWidget());
    return qobject_cast<QTreeWidget *>(qobject_cast<QSplitter *>(outer->widget(0))->widget(1));
}

QTextBrowser *browserOf(Tavrel &window)
{
    return qobject_cast<QTextBrowser *>(
        qobject_cast<QSplitter *>(window.centralWidget())->widget(1));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    PackOptions options;
    if (arguments.size() > 1)
        options.items = arguments.at(1).toInt();
    const int runs = arguments.size() > 2 ? arguments.at(2).toInt() : 3;

    QTemporaryDir pack;
    const PackSummary summary = generatePack(pack.path(), options);
    QDir::setCurrent(pack.path());
    QSettings config(QStringLiteral("./config.cfg"), QSettings::IniFormat);
    config.setValue(QStringLiteral("Settings/Filter"), filter);
    config.sync();

    QTextStream out(stdout);
    out << "pack: " << summary.files << " files, " << summary.itemDefinitions
        << " item definitions, " << summary.otherSections << " other sections\n";

    const QStringList files = findScriptFiles(QStringLiteral("./"), filter);
    // "profile" leaves the floor out, so that a profiler sees the load alone.
    const bool profile = arguments.size() > 3 && arguments.at(3) == QLatin1String("profile");
    const double floor = profile ? 1 : bestOf(runs, [&] { return floorMilliseconds(files); });

    new QWidgetSettings(QStringLiteral("./win_config.cfg"));
    const long rssBefore = statusKilobytes("VmRSS:");
    double load = 1e300;
    double clear = 1e300;
    long rssAfter = 0;
    long items = 0;
    {
        Tavrel window(nullptr, Qt::WindowFlags());
        QWidgetSettings::WidgetSettings()->LoadStates(&window);
        window.show();
        QAction *open = action(window, QStringLiteral("Open"));
        QAction *clearAction = action(window, QStringLiteral("Clear"));
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            open->trigger();
            load = std::min(load, timer.nsecsElapsed() / 1e6);
            // What the window keeps, once the load's own records are freed behind it.
            QThreadPool::globalInstance()->waitForDone();
            rssAfter = std::max(rssAfter, statusKilobytes("VmRSS:"));
            QList<SI_item *> found;
            QMetaObject::invokeMethod(&window, "FindSI", Q_RETURN_ARG(QList<SI_item *>, found),
                                      Q_ARG(QString, QStringLiteral("t_normal")));
            items = found.size();
            timer.restart();
            clearAction->trigger();
            clear = std::min(clear, timer.nsecsElapsed() / 1e6);
        }

        if (profile || (arguments.size() > 3 && arguments.at(3) == QLatin1String("load-only"))) {
            out << "floor: " << floor << " ms, load: " << load << " ms, ratio " << load / floor
                << '\n';
            return 0;
        }

        // The report of the largest skill, against one bare insertHtml of the same text.
        open->trigger();
        QTreeWidget *skills = skillTreeOf(window);
        QTreeWidgetItem *largest = skills->topLevelItem(0);
        for (int i = 1; i < skills->topLevelItemCount(); ++i) {
            if (skills->topLevelItem(i)->childCount() > largest->childCount())
                largest = skills->topLevelItem(i);
        }
        const Configuration defaults{
            {}, {}, defaultHeaderTemplate(), defaultItemTemplate(), defaultEndTemplate()};
        QString html = defaults.h1;
        for (int i = 0; i < largest->childCount(); ++i) {
            const auto *record = static_cast<const SI_item *>(largest->child(i));
            html += itemRow(defaults.h2, record->name, record->resources, record->skillmake);
        }
        html += defaults.h3;
        QTextBrowser *browser = browserOf(window);
        const double report = bestOf(runs, [&] {
            QElapsedTimer timer;
            timer.start();
            emit skills->itemClicked(largest, 0);
            return timer.nsecsElapsed() / 1e6;
        });
        const double insert = bestOf(runs, [&] {
            QElapsedTimer timer;
            timer.start();
            browser->clear();
            browser->insertHtml(html);
            return timer.nsecsElapsed() / 1e6;
        });

        const long loaded = std::max<long>(1, summary.itemDefinitions);
        out << "floor (the reading of both passes, one thread): " << floor << " ms, "
            << floor * 1000 / loaded << " us per item definition\n";
        out << "load (Open to the end): " << load << " ms, " << load * 1000 / loaded
            << " us per item definition\n";
        out << "ratio load / floor: " << load / floor << '\n';
        out << "records of type t_normal after the load: " << items << '\n';
        out << "resident memory: " << rssBefore << " kB before, " << rssAfter
            << " kB after the load, " << (rssAfter - rssBefore) * 1024.0 / loaded
            << " bytes per item definition; peak " << statusKilobytes("VmHWM:") << " kB\n";
        out << "clear after the load: " << clear << " ms\n";
        out << "report of the largest skill (" << largest->text(0) << ", " << largest->childCount()
            << " items): " << report << " ms\n";
        out << "bare insertHtml of the same report: " << insert << " ms\n";
        out << "ratio report / insertHtml: " << report / insert << '\n';
        out.flush();
        window.close();
    }
    return 0;
}
