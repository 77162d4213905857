// SPDX-License-Identifier: MIT
// Times the discovery walk down a chain of nested directories, one script file at each level,
// for each depth given on the command line.
#include "core/read/discovery.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace tavrel;

namespace {

// Built relative to the working directory, so that paths stay short enough for the system at
// a thousand levels.
bool makeChain(int depth)
{
    QString path = QStringLiteral("deep");
    for (int level = 0; level < depth; ++level) {
        if (!QDir().mkpath(path))
            return false;
        QFile file(path + QStringLiteral("/level.scp"));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        path += QStringLiteral("/d");
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList depths = application.arguments().mid(1);
    if (depths.isEmpty())
        depths = {QStringLiteral("250"), QStringLiteral("1000")};

    QTextStream out(stdout);
    for (const QString &argument : std::as_const(depths)) {
        const int depth = argument.toInt();
        QTemporaryDir root;
        const QString previous = QDir::currentPath();
        if (!root.isValid() || !QDir::setCurrent(root.path()) || !makeChain(depth)) {
            QTextStream(stderr) << "cannot build a chain of " << depth << " directories\n";
            return 1;
        }
        double best = 1e300;
        qsizetype found = 0;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            found = findScriptFiles(QStringLiteral("deep"), QStringLiteral("*.scp")).size();
            best = std::min(best, timer.nsecsElapsed() / 1e6);
        }
        QDir::setCurrent(previous);
        out << "walk of " << depth << " levels: " << best << " ms, " << best * 1000 / depth
            << " us per level, " << found << " files\n";
        out.flush();
        if (found != depth)
            return 1;
    }
    return 0;
}
