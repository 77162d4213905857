// SPDX-License-Identifier: MIT
// Times the bill of materials of every item of a generated pack in turn, against one load and
// check of the same pack (what tavrel-report --check does).
#include "bench/generate_pack.h"
#include "core/check/checks.h"
#include "core/crossref/crossref.h"
#include "core/load/scriptload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace tavrel;

namespace {

long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    PackOptions options;
    if (arguments.size() > 1)
        options.items = arguments.at(1).toInt();
    const int runs = std::max(1, arguments.size() > 2 ? arguments.at(2).toInt() : 3);

    QTemporaryDir pack;
    const PackSummary summary = generatePack(pack.path(), options);
    QTextStream out(stdout);
    out << "pack: " << summary.files << " files, " << summary.itemDefinitions
        << " item definitions\n";

    double loadAndCheck = 1e300;
    double bills = 1e300;
    LoadedScripts loaded;
    qsizetype materials = 0;
    qsizetype partial = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        loaded = loadScripts({pack.path()}, QStringLiteral("*.scp"));
        const CheckResult checked = runChecks(loaded, CheckOptions());
        loadAndCheck = std::min(loadAndCheck, timer.nsecsElapsed() / 1e6);
        if (checked.findings.isEmpty())
            out << "the check found nothing: the pack is not what it should be\n";

        // A fresh cost model each run, so that every run computes every expansion.
        timer.restart();
        MaterialCosts costs(loaded.index);
        materials = 0;
        partial = 0;
        for (const ScriptRecord &record : std::as_const(loaded.records)) {
            bool cut = false;
            materials += costs.rawMaterials(record.fields.defname, 1, &cut).size();
            partial += cut ? 1 : 0;
        }
        bills = std::min(bills, timer.nsecsElapsed() / 1e6);
    }

    out << "load and check: " << loadAndCheck << " ms\n";
    out << "bill of materials of all " << loaded.records.size() << " items: " << bills << " ms, "
        << bills * 1000 / double(std::max<qsizetype>(1, loaded.records.size())) << " us per item; "
        << materials << " raw material lines, " << partial << " partial\n";
    out << "ratio bills / (load and check): " << bills / loadAndCheck << " (at most 2)\n";
    out << "peak resident memory: " << peakKilobytes() << " kB\n";
    return 0;
}
