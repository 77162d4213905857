// SPDX-License-Identifier: MIT
// The floor of the tools' reading: every script file below a directory read and its item
// definitions kept as a load keeps them, on as many threads as the tools read with, against
// reading the same bytes one file after the other, as cat does. Each is the best of `runs` wall
// times.
//   bench_read directory [runs]
#include "core/load/parallel.h"
#include "core/read/discovery.h"
#include "core/read/scan.h"
#include "core/read/scriptfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <vector>

using namespace tavrel;

namespace {

template <class Function> double bestOf(int runs, Function function)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        function();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
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

    qsizetype bytes = 0;
    const double cat = bestOf(runs, [&] {
        bytes = 0;
        QByteArray content;
        for (const QString &path : files) {
            readScriptBytes(path, content);
            bytes += content.size();
        }
    });

    qsizetype items = 0;
    const double read = bestOf(runs, [&] {
        std::vector<ScannedFile> scanned(size_t(files.size()));
        QList<ItemDefinition> kept;
        orderedFor(
            scanned.size(), threads > 1 ? threads : 0, filesReadAhead(threads),
            [&](size_t i) {
                scanned[i] = scanScriptFile(files.at(qsizetype(i)), ScanDepth::Everything);
            },
            [&](size_t i) {
                for (ScannedSection &section : scanned[i].sections) {
                    if (section.accepted)
                        kept.append(std::move(section.item));
                }
                return true;
            },
            [&](size_t i) { scanned[i] = ScannedFile(); });
        items = kept.size();
    });

    QTextStream(stdout) << "read floor: " << read << " ms, " << items << " items, "
                        << read * 1000 / double(std::max<qsizetype>(items, 1)) << " us per item, "
                        << threads << " threads; the bytes alone (" << bytes / 1024
                        << " kB): " << cat << " ms, ratio " << read / cat << '\n';
    return 0;
}
