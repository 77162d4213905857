// SPDX-License-Identifier: MIT
// The floor of tavrel-report's reading: every script file below a directory parsed by QSettings
// with the keys of its item definitions read, on as many threads as the tool reads with, and
// the fields kept as the tool keeps its records. Printed as the best of `runs` wall times.
//   bench_read directory [runs]
#include "core/load/parallel.h"
#include "core/read/discovery.h"
#include "core/read/itemdefinition.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <vector>

using namespace tavrel;

namespace {

QList<ItemFields> itemsOf(const QString &path)
{
    QList<ItemFields> items;
    QSettings script(path, QSettings::IniFormat);
    script.sync();
    const QStringList sections = script.childGroups();
    for (const QString &section : sections) {
        if (isItemDefinition(section))
            items.append(readItemDefinition(script, section));
    }
    return items;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2) {
        QTextStream(stderr) << "usage: bench_read directory [runs]\n";
        return 2;
    }
    const int runs = arguments.size() > 2 ? std::max(1, arguments.at(2).toInt()) : 3;
    const QStringList files = findScriptFiles(arguments.at(1), QStringLiteral("*.scp"));
    const int threads = QThread::idealThreadCount();

    double best = 1e300;
    qsizetype items = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        std::vector<QList<ItemFields>> read(size_t(files.size()));
        QList<ItemFields> kept;
        orderedFor(
            read.size(), threads > 1 ? threads : 0, filesReadAhead(threads),
            [&](size_t i) { read[i] = itemsOf(files.at(qsizetype(i))); },
            [&](size_t i) {
                for (const ItemFields &fields : std::as_const(read[i]))
                    kept.append(ownCopy(fields));
                return true;
            },
            [&](size_t i) { read[i] = QList<ItemFields>(); });
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        items = kept.size();
    }
    QTextStream(stdout) << "read floor: " << best << " ms, " << items << " items, "
                        << best * 1000 / double(std::max<qsizetype>(items, 1)) << " us per item, "
                        << threads << " threads\n";
    return 0;
}
