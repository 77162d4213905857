// SPDX-License-Identifier: MIT
#include "cli/crossrefformats.h"
#include "cli/findingformats.h"
#include "cli/outputtext.h"
#include "cli/pages.h"
#include "core/check/checks.h"
#include "core/config/configuration.h"
#include "core/crossref/crossref.h"
#include "core/load/scriptload.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>

using namespace tavrel;
#endif

namespace {

enum ExitStatus
{
    Success = 0,
    Findings = 1,
    Failure = 2
};

bool stderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr));
#else
    return isatty(fileno(stderr));
#endif
}

// False when standard output took less than all of it (a full disk, a closed pipe).
bool writeOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return written == size_t(bytes.size()) && std::fflush(stdout) == 0;
}

// One line on stderr, after the program's name.
void tell(const QString &text)
{
    const QByteArray line = QStringLiteral("tavrel-report: %1\n").arg(text).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

int fail(const QString &reason)
{
    tell(reason);
    return Failure;
}

// Why the configuration file cannot be used, or an empty text.
QString configurationProblem(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return QStringLiteral("does not exist");
    if (info.isDir())
        return QStringLiteral("is a directory");
    // A FIFO would block the read for ever and a device would never end: only regular files.
    if (!info.isFile())
        return QStringLiteral("is not a regular file");
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    QSettings settings(fileName, QSettings::IniFormat);
    settings.sync();
    if (settings.status() == QSettings::FormatError)
        return QStringLiteral("is not a valid configuration file");
    // The window writes all five keys; a file with content but none of them is another kind
    // of file given by mistake.
    static const QStringList keys = {
        QStringLiteral("Settings/Dirs"),     QStringLiteral("Settings/Filter"),
        QStringLiteral("HTML/HeaderString"), QStringLiteral("HTML/ItemString"),
        QStringLiteral("HTML/EndString"),    QStringLiteral("Check/Ignore"),
        QStringLiteral("Check/Disable")};
    const bool known = std::any_of(keys.cbegin(), keys.cend(), [&settings](const QString &key) {
        return settings.contains(key);
    });
    if (!known && info.size() > 0)
        return QStringLiteral("holds none of the keys Settings/Dirs, Settings/Filter, "
                              "HTML/HeaderString, HTML/ItemString, HTML/EndString, "
                              "Check/Ignore, Check/Disable");
    return QString();
}

// A line on the terminal that each step overwrites; nothing when stderr is not a terminal.
class ProgressLine
{
public:
    ProgressLine() : shown(stderrIsTerminal()) {}
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    ScanProgress reporter()
    {
        if (!shown)
            return {};
        return [this](int files, int itemDefinitions) {
            const QByteArray line =
                QStringLiteral("\rReading scripts: %1 files, %2 item definitions")
                    .arg(QString::number(files), QString::number(itemDefinitions))
                    .toUtf8();
            width = int(line.size());
            std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
            std::fflush(stderr);
        };
    }

    void clear()
    {
        if (width == 0)
            return;
        std::fprintf(stderr, "\r%*s\r", width, "");
        std::fflush(stderr);
        width = 0;
    }

private:
    const bool shown;
    int width = 0;
};

QString listingText(const LoadedScripts &loaded)
{
    QString text;
    for (const SkillGroup &skill : loaded.skills) {
        text += QStringLiteral("%1 (%2)\n").arg(skill.name, QString::number(skill.items.size()));
        for (const ReportItem &item : skill.items) {
            text += QStringLiteral("  %1\t%2\t%3\t%4\n")
                        .arg(item.defname, item.name, item.resources, item.skillmake);
        }
    }
    for (const QString &message : loaded.messages())
        text += message + QLatin1Char('\n');
    return text;
}

QJsonObject listingJson(const LoadedScripts &loaded)
{
    QJsonArray skills;
    for (const SkillGroup &skill : loaded.skills) {
        QJsonArray items;
        for (const ReportItem &item : skill.items) {
            items.append(QJsonObject{{QStringLiteral("defname"), item.defname},
                                     {QStringLiteral("name"), item.name},
                                     {QStringLiteral("resources"), item.resources},
                                     {QStringLiteral("skillmake"), item.skillmake}});
        }
        skills.append(
            QJsonObject{{QStringLiteral("name"), skill.name}, {QStringLiteral("items"), items}});
    }
    const QJsonArray messages = QJsonArray::fromStringList(loaded.messages());
    return QJsonObject{{QStringLiteral("skills"), skills}, {QStringLiteral("messages"), messages}};
}

QString checkList()
{
    QString text;
    for (const Check &check : checks())
        text += QStringLiteral("  %1 (%2): %3\n")
                    .arg(check.id, severityName(check.severity), check.description);
    return text;
}

QString findingsIn(const QString &format, const QList<Finding> &findings)
{
    if (format == QLatin1String("json"))
        return findingsJson(findings);
    if (format == QLatin1String("sarif"))
        return findingsSarif(findings, QDir::currentPath(), QStringLiteral(TAVREL_VERSION));
    if (format == QLatin1String("github"))
        return findingsGithub(findings);
    return findingsText(findings);
}

void note(const QString &text)
{
    tell(QStringLiteral("note: ") + text);
}

void warn(const QString &text)
{
    tell(QStringLiteral("warning: ") + text);
}

int outputFailure()
{
    return fail(QStringLiteral("cannot write the output: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno))));
}

// Ids are compared in lower case, as the scripts' ids are read.
int reportUses(const LoadedScripts &loaded, const QString &given, bool json)
{
    const QString id = given.toLower();
    const bool item = loaded.linker.namesRecord(id);
    if (!item && !loaded.linker.namesType(id))
        return fail(QStringLiteral("\"%1\" names no item and no item type").arg(given));
    const QList<LocatedUse> uses = locateUses(loaded, id, UsageIndex(loaded).usesOf(id));
    const QString name = item ? loaded.records.value(id).fields.name : id;
    if (!writeOut(json ? usesJson(id, item, name, uses) : usesText(uses)))
        return outputFailure();
    return uses.isEmpty() ? Findings : Success;
}

int reportBill(const LoadedScripts &loaded, const QString &given, qint64 amount, bool json)
{
    const QString id = given.toLower();
    MaterialCosts costs(loaded);
    if (!costs.isItem(id)) {
        if (loaded.linker.namesType(id))
            return fail(QStringLiteral("\"%1\" is an item type, not an item").arg(given));
        return fail(QStringLiteral("\"%1\" names no item").arg(given));
    }
    const BillOfMaterials bill = costs.bill(id, amount);
    for (const ResourceCycle &cycle : bill.cycles)
        warn(QStringLiteral("cycle %1: the expansion stops at %2")
                 .arg(cycleText(cycle), cycle.items.constFirst()));
    for (const QString &unknown : bill.unknown)
        warn(QStringLiteral("resource \"%1\" names no item and no item type: the totals leave "
                            "it out")
                 .arg(unknown));
    if (!writeOut(json ? billJson(bill) : billText(bill)))
        return outputFailure();
    return Success;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrel-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Loads item scripts as Tavrel's File > Open does. Without --check, --uses, --bom or "
            "--html, lists every skill with its items, then the resource ids that name no item.\n"
            "With --uses, lists the items whose resources name the id, one per line as "
            "\"file:line:column: defname \"name\" needs amount [skills]\" (exit status 1 when "
            "none does). With --bom, prints the tree of the item's resources down to raw "
            "materials, each line \"amount name (id)\", then the raw materials, largest "
            "first.\n"
            "With --check, reports what the checks find, one finding per line as "
            "\"file:line:column: severity: message [check] (in defname)\". The checks:\n") +
        checkList() +
        QStringLiteral("Exit status: 0 when no error is found (warnings alone give 0 unless "
                       "--strict), 1 when one is, 2 on bad usage or when the check could not be "
                       "carried out."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption configOption(
        QStringLiteral("config"),
        QStringLiteral("Configuration file (default: ./config.cfg if it exists, else the "
                       "defaults)."),
        QStringLiteral("file"));
    const QCommandLineOption dirOption(
        QStringLiteral("dir"),
        QStringLiteral("Script directory, instead of the configured ones; may be repeated."),
        QStringLiteral("directory"));
    const QCommandLineOption filterOption(
        QStringLiteral("filter"),
        QStringLiteral("File-name patterns separated by \",\", instead of the configured ones."),
        QStringLiteral("patterns"));
    const QCommandLineOption checkOption(QStringLiteral("check"),
                                         QStringLiteral("Check the scripts and report findings."));
    const QCommandLineOption listChecksOption(QStringLiteral("list-checks"),
                                              QStringLiteral("List the checks and exit."));
    const QCommandLineOption ignoreOption(
        QStringLiteral("ignore"),
        QStringLiteral("Drop findings about this resource id, skill or defname; may be repeated "
                       "(also Check/Ignore in the configuration)."),
        QStringLiteral("id"));
    const QCommandLineOption disableOption(
        QStringLiteral("disable"),
        QStringLiteral("Do not run this check; may be repeated (also Check/Disable in the "
                       "configuration)."),
        QStringLiteral("check"));
    const QCommandLineOption strictOption(QStringLiteral("strict"),
                                          QStringLiteral("Warnings fail the check too."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Say on stderr how the checks ran."));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("Output format: text or json; with --check also sarif or github."),
        QStringLiteral("format"), QStringLiteral("text"));
    const QCommandLineOption htmlOption(
        QStringLiteral("html"),
        QStringLiteral("Write index.html, the report page of every skill, items.html and the "
                       "page of every crafted item into the directory."),
        QStringLiteral("directory"));
    const QCommandLineOption usesOption(
        QStringLiteral("uses"),
        QStringLiteral("List the items whose resources name the id (an item or an item type)."),
        QStringLiteral("id"));
    const QCommandLineOption bomOption(
        QStringLiteral("bom"),
        QStringLiteral("Expand the item's resources down to raw materials and total them."),
        QStringLiteral("id"));
    const QCommandLineOption amountOption(
        QStringLiteral("amount"), QStringLiteral("With --bom, the number of items (default 1)."),
        QStringLiteral("n"));
    parser.addOptions({configOption, dirOption, filterOption, checkOption, listChecksOption,
                       ignoreOption, disableOption, strictOption, verboseOption, formatOption,
                       htmlOption, usesOption, bomOption, amountOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(Success);
    if (parser.isSet(versionOption))
        parser.showVersion();
    if (parser.isSet(listChecksOption))
        return writeOut(checkList()) ? Success : fail(QStringLiteral("cannot write the output"));
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"")
                        .arg(parser.positionalArguments().constFirst()));
    const bool check = parser.isSet(checkOption);
    const QString format = parser.value(formatOption);
    static const QStringList formats = {QStringLiteral("text"), QStringLiteral("json"),
                                        QStringLiteral("sarif"), QStringLiteral("github")};
    if (!formats.contains(format))
        return fail(
            QStringLiteral("unknown format \"%1\": use text, json, sarif or github").arg(format));
    if (!check && formats.indexOf(format) > 1)
        return fail(QStringLiteral("--format %1 needs --check").arg(format));
    if (parser.isSet(htmlOption) && parser.value(htmlOption).isEmpty())
        return fail(QStringLiteral("--html needs a directory"));
    const bool uses = parser.isSet(usesOption);
    const bool bom = parser.isSet(bomOption);
    if (int(check) + int(uses) + int(bom) > 1)
        return fail(QStringLiteral("use only one of --check, --uses and --bom"));
    if ((uses && parser.value(usesOption).isEmpty()) || (bom && parser.value(bomOption).isEmpty()))
        return fail(QStringLiteral("--%1 needs an id")
                        .arg(uses ? QStringLiteral("uses") : QStringLiteral("bom")));
    if (parser.isSet(amountOption) && !bom)
        return fail(QStringLiteral("--amount needs --bom"));
    qint64 amount = 1;
    if (parser.isSet(amountOption)) {
        bool whole = false;
        amount = parser.value(amountOption).toLongLong(&whole);
        if (!whole || amount < 1)
            return fail(QStringLiteral("--amount needs a whole number above 0, not \"%1\"")
                            .arg(parser.value(amountOption)));
    }

    QString configFile = QStringLiteral("./config.cfg");
    if (parser.isSet(configOption))
        configFile = parser.value(configOption);
    CheckOptions checkOptions;
    if (parser.isSet(configOption) || QFileInfo::exists(configFile)) {
        const QString problem = configurationProblem(configFile);
        if (!problem.isEmpty())
            return fail(QStringLiteral("configuration \"%1\": %2").arg(configFile, problem));
        const CheckConfiguration kept = readCheckConfiguration(configFile);
        checkOptions.ignored = kept.ignore;
        for (const QString &id : kept.disable)
            checkOptions.disabled.insert(id);
    }
    Configuration configuration = readConfiguration(configFile);
    if (parser.isSet(dirOption))
        configuration.dirs = parser.values(dirOption);
    if (parser.isSet(filterOption))
        configuration.filter = parser.value(filterOption);
    checkOptions.ignored += parser.values(ignoreOption);
    for (const QString &id : parser.values(disableOption))
        checkOptions.disabled.insert(id);
    for (const QString &id : std::as_const(checkOptions.disabled)) {
        if (!findCheck(id))
            return fail(QStringLiteral("unknown check \"%1\" (see --list-checks)").arg(id));
    }

    for (const QString &directory : std::as_const(configuration.dirs)) {
        const QString problem = directoryProblem(directory);
        if (!problem.isEmpty())
            return fail(QStringLiteral("script directory \"%1\": %2").arg(directory, problem));
    }

    LoadedScripts loaded;
    {
        ProgressLine progress;
        loaded = loadScripts(configuration.dirs, configuration.filter, progress.reporter());
    }

    if (parser.isSet(htmlOption)) {
        const QString failure = writePages(parser.value(htmlOption), loaded, configuration);
        if (!failure.isEmpty())
            return fail(failure);
    }

    const bool json = format == QLatin1String("json");
    if (uses)
        return reportUses(loaded, parser.value(usesOption), json);
    if (bom)
        return reportBill(loaded, parser.value(bomOption), amount, json);
    if (check) {
        const CheckResult result = runChecks(loaded, checkOptions);
        if (parser.isSet(verboseOption)) {
            for (const QString &text : result.notes)
                note(text);
        }
        if (!writeOut(findingsIn(format, result.findings)))
            return outputFailure();
        const bool strict = parser.isSet(strictOption);
        const bool failed = std::any_of(
            result.findings.cbegin(), result.findings.cend(),
            [strict](const Finding &f) { return strict || f.severity == Severity::Error; });
        return failed ? Findings : Success;
    }
    if (!parser.isSet(htmlOption) &&
        !writeOut(json ? jsonText(listingJson(loaded)) : listingText(loaded)))
        return outputFailure();
    return Success;
}
