// SPDX-License-Identifier: MIT
#include "cli/crossrefformats.h"
#include "cli/findingformats.h"
#include "cli/outputtext.h"
#include "cli/pages.h"
#include "cli/sitepublication.h"
#include "core/check/checks.h"
#include "core/config/configuration.h"
#include "core/config/project.h"
#include "core/crossref/crossref.h"
#include "core/load/scriptload.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <variant>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace tavrel;

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

int outputFailure()
{
    return fail(QStringLiteral("cannot write the output: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno))));
}

// A line on the terminal that each file read overwrites; nothing when stderr is not a terminal.
class ProgressLine : public LoadObserver
{
public:
    ProgressLine() : shown(stderrIsTerminal()) {}
    ~ProgressLine() override { clear(); }
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    void itemDefinitionRead(const ScriptRecord *) override { ++itemDefinitions; }

    void fileFinished() override
    {
        ++files;
        if (!shown)
            return;
        const QByteArray line = QStringLiteral("\rReading scripts: %1 files, %2 item definitions")
                                    .arg(QString::number(files), QString::number(itemDefinitions))
                                    .toUtf8();
        width = int(line.size());
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }

    void linkingStarted(qsizetype) override { clear(); }

private:
    void clear()
    {
        if (width == 0)
            return;
        std::fprintf(stderr, "\r%*s\r", width, "");
        std::fflush(stderr);
        width = 0;
    }

    const bool shown;
    int width = 0;
    int files = 0;
    int itemDefinitions = 0;
};

enum class Command
{
    Listing,
    Check,
    Uses,
    Bom
};

// The command line, parsed and checked.
struct Invocation
{
    Command command = Command::Listing;
    QString format;
    // What to load and check: the configuration file (./config.cfg unless given) and what the
    // options give instead of its values.
    ProjectRequest project;
    bool strict = false;
    bool verbose = false;
    // Where --html writes its pages, or empty.
    QString htmlDirectory;
    // Whether --html ends at once when another run publishes there.
    bool noWait = false;
    // The id of --uses and --bom, and the amount of --bom.
    QString id;
    qint64 amount = 1;
};

// The invocation, or the status the program ends with at once (bad usage, the check list).
using Parsed = std::variant<Invocation, int>;

QString checkList()
{
    QString text;
    for (const Check &check : checks())
        text += QStringLiteral("  %1 (%2%3): %4\n")
                    .arg(check.id, severityName(check.severity),
                         check.offByDefault ? QStringLiteral(", off unless enabled") : QString(),
                         check.description);
    return text;
}

QString description()
{
    return QStringLiteral(
               "Loads item scripts as Tavrel's File > Open does. Without --check, --uses, --bom "
               "or --html, lists every skill with its items, then the resource ids that name no "
               "item.\n"
               "With --uses, lists the items whose resources name the id, one per line as "
               "\"file:line:column: defname \"name\" needs amount [skills]\" (exit status 1 when "
               "none does). With --bom, prints the tree of the item's resources down to raw "
               "materials, each line \"amount name (id)\", then the raw materials, largest "
               "first.\n"
               "With --check, reports what the checks find, one finding per line as "
               "\"file:line:column: severity: message [check] (in defname)\". The checks:\n") +
           checkList() +
           QStringLiteral("Exit status: 0 when no error is found (warnings alone give 0 unless "
                          "--strict), 1 when one is, 2 on bad usage or when the check could not "
                          "be carried out.");
}

// The options of the command line, in the order the help lists them.
struct Options
{
    QCommandLineOption config{QStringLiteral("config"),
                              QStringLiteral("Configuration file (default: ./config.cfg if it "
                                             "exists, else the defaults)."),
                              QStringLiteral("file")};
    QCommandLineOption dir{
        QStringLiteral("dir"),
        QStringLiteral("Script directory, instead of the configured ones; may be repeated."),
        QStringLiteral("directory")};
    QCommandLineOption filter{
        QStringLiteral("filter"),
        QStringLiteral("File-name patterns separated by \",\", instead of the configured ones."),
        QStringLiteral("patterns")};
    QCommandLineOption tables{
        QStringLiteral("tables"),
        QStringLiteral("Read the script files the server's tables file lists in [RESOURCES], and "
                       "those beside it, instead of the directories (also Check/Tables in the "
                       "configuration)."),
        QStringLiteral("file")};
    QCommandLineOption check{QStringLiteral("check"),
                             QStringLiteral("Check the scripts and report findings.")};
    QCommandLineOption listChecks{QStringLiteral("list-checks"),
                                  QStringLiteral("List the checks and exit.")};
    QCommandLineOption ignore{
        QStringLiteral("ignore"),
        QStringLiteral("Drop findings about this resource id, skill or defname; may be repeated "
                       "(also Check/Ignore in the configuration)."),
        QStringLiteral("id")};
    QCommandLineOption disable{QStringLiteral("disable"),
                               QStringLiteral("Do not run this check; may be repeated (also "
                                              "Check/Disable in the configuration)."),
                               QStringLiteral("check")};
    QCommandLineOption enable{
        QStringLiteral("enable"),
        QStringLiteral("Run this check, which is off unless enabled; may be repeated (also "
                       "Check/Enable in the configuration). --disable wins."),
        QStringLiteral("check")};
    QCommandLineOption strict{QStringLiteral("strict"),
                              QStringLiteral("Warnings fail the check too.")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               QStringLiteral("Say on stderr how the checks ran.")};
    QCommandLineOption format{
        QStringLiteral("format"),
        QStringLiteral("Output format: text or json; with --check also sarif or github."),
        QStringLiteral("format"), QStringLiteral("text")};
    QCommandLineOption html{
        QStringLiteral("html"),
        QStringLiteral("Publish index.html, the report page of every skill, items.html and the "
                       "page of every crafted item as the directory, which becomes a symbolic "
                       "link to the new pages in one step; one run at a time."),
        QStringLiteral("directory")};
    QCommandLineOption noWait{
        QStringLiteral("no-wait"),
        QStringLiteral("With --html, exit with status 2 at once when another run is publishing "
                       "into the directory, instead of waiting for it to end.")};
    QCommandLineOption uses{
        QStringLiteral("uses"),
        QStringLiteral("List the items whose resources name the id (an item or an item type)."),
        QStringLiteral("id")};
    QCommandLineOption bom{
        QStringLiteral("bom"),
        QStringLiteral("Expand the item's resources down to raw materials and total them."),
        QStringLiteral("id")};
    QCommandLineOption amount{QStringLiteral("amount"),
                              QStringLiteral("With --bom, the number of items (default 1)."),
                              QStringLiteral("n")};

    QList<QCommandLineOption> all() const
    {
        return {config, dir,     filter, tables, check,  listChecks, ignore, disable, enable,
                strict, verbose, format, html,   noWait, uses,       bom,    amount};
    }
};

// Help and version end the program from here, as QCommandLineParser does.
Parsed parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const Options options;
    parser.addOptions(options.all());

    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(Success);
    if (parser.isSet(version))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"")
                        .arg(parser.positionalArguments().constFirst()));

    Invocation invocation;
    const bool check = parser.isSet(options.check);
    invocation.format = parser.value(options.format);
    static const QStringList formats = {QStringLiteral("text"), QStringLiteral("json"),
                                        QStringLiteral("sarif"), QStringLiteral("github")};
    if (!formats.contains(invocation.format))
        return fail(QStringLiteral("unknown format \"%1\": use text, json, sarif or github")
                        .arg(invocation.format));
    if (!check && formats.indexOf(invocation.format) > 1)
        return fail(QStringLiteral("--format %1 needs --check").arg(invocation.format));
    if (parser.isSet(options.listChecks)) {
        const bool json = invocation.format == QLatin1String("json");
        return writeOut(json ? checksJson() : checkList())
                   ? Success
                   : fail(QStringLiteral("cannot write the output"));
    }
    if (parser.isSet(options.html) && parser.value(options.html).isEmpty())
        return fail(QStringLiteral("--html needs a directory"));
    invocation.htmlDirectory = parser.value(options.html);
    invocation.noWait = parser.isSet(options.noWait);
    if (invocation.noWait && invocation.htmlDirectory.isEmpty())
        return fail(QStringLiteral("--no-wait needs --html"));
    const bool uses = parser.isSet(options.uses);
    const bool bom = parser.isSet(options.bom);
    if (int(check) + int(uses) + int(bom) > 1)
        return fail(QStringLiteral("use only one of --check, --uses and --bom"));
    if ((uses && parser.value(options.uses).isEmpty()) ||
        (bom && parser.value(options.bom).isEmpty()))
        return fail(QStringLiteral("--%1 needs an id")
                        .arg(uses ? QStringLiteral("uses") : QStringLiteral("bom")));
    invocation.command = check  ? Command::Check
                         : uses ? Command::Uses
                         : bom  ? Command::Bom
                                : Command::Listing;
    invocation.id = parser.value(uses ? options.uses : options.bom);
    if (parser.isSet(options.amount) && !bom)
        return fail(QStringLiteral("--amount needs --bom"));
    if (parser.isSet(options.amount)) {
        bool whole = false;
        invocation.amount = parser.value(options.amount).toLongLong(&whole);
        if (!whole || invocation.amount < 1)
            return fail(QStringLiteral("--amount needs a whole number above 0, not \"%1\"")
                            .arg(parser.value(options.amount)));
    }

    ProjectRequest &project = invocation.project;
    project.configurationGiven = parser.isSet(options.config);
    project.configurationFile =
        project.configurationGiven ? parser.value(options.config) : QStringLiteral("./config.cfg");
    if (parser.isSet(options.dir))
        project.directories = parser.values(options.dir);
    if (parser.isSet(options.filter))
        project.filter = parser.value(options.filter);
    if (parser.isSet(options.tables)) {
        if (project.directories || project.filter)
            return fail(QStringLiteral("use either --tables or --dir and --filter"));
        if (parser.value(options.tables).isEmpty())
            return fail(QStringLiteral("--tables needs a file"));
        project.tablesFile = parser.value(options.tables);
    }
    project.ignore = parser.values(options.ignore);
    project.disable = parser.values(options.disable);
    project.enable = parser.values(options.enable);
    invocation.strict = parser.isSet(options.strict);
    invocation.verbose = parser.isSet(options.verbose);
    return invocation;
}

// What a command runs with besides the command line.
struct Setup
{
    Project project;
};

// The configuration file (when there is one) with the command line's overrides, or the status
// the program ends with.
std::variant<Setup, int> prepare(const Invocation &invocation)
{
    const Project project = resolveProject(invocation.project);
    if (!project.problems.isEmpty())
        return fail(project.problems.constFirst().text);
    return Setup{project};
}

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

int runListing(const Invocation &invocation, const LoadedScripts &loaded)
{
    // Pages alone are what --html asks for.
    if (!invocation.htmlDirectory.isEmpty())
        return Success;
    const bool json = invocation.format == QLatin1String("json");
    if (!writeOut(json ? jsonText(listingJson(loaded)) : listingText(loaded)))
        return outputFailure();
    return Success;
}

QString findingsIn(const QString &format, const QList<Finding> &findings,
                   const CheckSummary &summary)
{
    if (format == QLatin1String("json"))
        return findingsJson(findings, summary);
    if (format == QLatin1String("sarif"))
        return findingsSarif(findings, summary, QDir::currentPath(),
                             QStringLiteral(TAVREL_VERSION));
    if (format == QLatin1String("github"))
        return findingsGithub(findings, summary);
    return findingsText(findings);
}

int runCheck(const Invocation &invocation, const LoadedScripts &loaded, const Setup &setup)
{
    // Directories or a filter that match nothing would pass every check.
    if (loaded.files.isEmpty())
        return fail(QStringLiteral("no script file matched"));
    const CheckResult result = runChecks(loaded.index, loaded.problems, setup.project.checks);
    if (invocation.verbose) {
        for (const QString &text : result.notes)
            tell(QStringLiteral("note: ") + text);
    }
    const CheckSummary summary = summarize(loaded.index, result.findings);
    if (!writeOut(findingsIn(invocation.format, result.findings, summary)))
        return outputFailure();
    if (invocation.format == QLatin1String("text"))
        tell(summaryText(summary));
    const bool strict = invocation.strict;
    const bool failed =
        std::any_of(result.findings.cbegin(), result.findings.cend(),
                    [strict](const Finding &f) { return strict || f.severity == Severity::Error; });
    return failed ? Findings : Success;
}

// What a name stands for, as --uses names it: an item, an item type, or another kind.
QString kindOf(const ScriptIndex &index, const QString &id, QString &name)
{
    const FactRef record = index.keptRecord(index.nameOf(id));
    if (record.isValid()) {
        name = index.record(record).name;
        return QStringLiteral("item");
    }
    name = id;
    if (index.isRecordType(id))
        return QStringLiteral("type");
    const QList<FactRef> definitions = index.definitionsOf(QStringView(id));
    if (definitions.isEmpty())
        return QString();
    const Definition &definition = index.definition(definitions.constFirst());
    name = definition.shown();
    return definition.kind == Kind::ItemType ? QStringLiteral("type")
                                             : QString(kindName(definition.kind));
}

// Ids are compared in lower case, as the scripts' ids are read.
int runUses(const Invocation &invocation, const LoadedScripts &loaded)
{
    const QString id = invocation.id.toLower();
    QString name;
    const QString kind = kindOf(loaded.index, id, name);
    if (kind.isEmpty())
        return fail(QStringLiteral("\"%1\" names nothing the scripts define").arg(invocation.id));
    const QList<LocatedUse> uses = locateUses(loaded.index, UsageIndex(loaded.index).usesOf(id));
    const QList<NamingPlace> places = NamingIndex(loaded.index).placesNaming(id);
    const bool json = invocation.format == QLatin1String("json");
    if (!writeOut(json ? usesJson(id, kind, name, uses, places)
                       : usesText(uses) + namingText(places)))
        return outputFailure();
    return uses.isEmpty() && places.isEmpty() ? Findings : Success;
}

int runBom(const Invocation &invocation, const LoadedScripts &loaded)
{
    const QString id = invocation.id.toLower();
    MaterialCosts costs(loaded.index);
    if (!costs.isItem(id)) {
        if (loaded.index.isRecordType(id))
            return fail(QStringLiteral("\"%1\" is an item type, not an item").arg(invocation.id));
        return fail(QStringLiteral("\"%1\" names no item").arg(invocation.id));
    }
    const BillOfMaterials bill = costs.bill(id, invocation.amount);
    for (const ResourceCycle &cycle : bill.cycles)
        tell(QStringLiteral("warning: cycle %1: the expansion stops at %2")
                 .arg(cycleText(cycle), cycle.items.constFirst()));
    for (const QString &unknown : bill.unknown)
        tell(QStringLiteral("warning: resource \"%1\" names no item and no item type: the totals "
                            "leave it out")
                 .arg(unknown));
    const bool json = invocation.format == QLatin1String("json");
    if (!writeOut(json ? billJson(bill) : billText(bill)))
        return outputFailure();
    return Success;
}

// The test hook of the publication: TAVREL_REPORT_KILL_AFTER_STEP=N kills the run as a user or
// a crash would, once N steps of the publication are done.
std::function<void()> killAfterStep()
{
    const int last = qEnvironmentVariableIntValue("TAVREL_REPORT_KILL_AFTER_STEP");
    if (last <= 0)
        return {};
    return [last, steps = 0]() mutable {
        if (++steps == last)
            std::raise(SIGKILL);
    };
}

void tellWarnings(SitePublication &site)
{
    for (const QString &warning : site.takeWarnings())
        tell(QStringLiteral("warning: ") + warning);
}

// The lock is taken before the load, so that a second run reads the scripts once the first
// has published, and --no-wait ends before any reading.
std::optional<int> startPublication(const Invocation &invocation, const Setup &setup,
                                    SitePublication &site)
{
    const QString &directory = invocation.htmlDirectory;
    // A tables file lists the scripts one by one: the site may lie beside them, not hold them.
    QStringList scriptFolders;
    if (!setup.project.tablesFile.isEmpty()) {
        for (const QString &file : listServerScripts(setup.project.tablesFile).files) {
            const QString folder = QFileInfo(file).path();
            if (!scriptFolders.contains(folder))
                scriptFolders.append(folder);
        }
    }
    QString problem = site.prepare(
        setup.project.tablesFile.isEmpty() ? setup.project.configuration.dirs : QStringList(),
        scriptFolders);
    if (problem.isEmpty()) {
        problem = site.lock(!invocation.noWait, [&directory] {
            tell(QStringLiteral("waiting for another run publishing into \"%1\"").arg(directory));
        });
    }
    tellWarnings(site);
    if (!problem.isEmpty())
        return fail(problem);
    return std::nullopt;
}

QString publish(SitePublication &site, const LoadedScripts &loaded, const Setup &setup)
{
    QString failure = site.stage();
    if (failure.isEmpty())
        failure = writePages(site, loaded, setup.project.configuration);
    if (failure.isEmpty())
        failure = site.publish();
    tellWarnings(site);
    return failure;
}

int run(const Invocation &invocation, const Setup &setup)
{
    std::optional<SitePublication> site;
    if (!invocation.htmlDirectory.isEmpty()) {
        site.emplace(invocation.htmlDirectory, killAfterStep());
        if (const std::optional<int> status = startPublication(invocation, setup, *site))
            return *status;
    }
    // The load lasts as long as the process: freeing its records one by one would take as long
    // as linking them, while the system takes a process's memory back at once.
    static LoadedScripts &loaded = *new LoadedScripts;
    {
        ProgressLine progress;
        LoadOptions options = loadOptionsOf(setup.project);
        options.itemRows = invocation.command != Command::Check || site.has_value();
        // The checks read the index alone; the listing and the pages show linked records.
        options.linkRecords = invocation.command == Command::Listing || site.has_value();
        loadScripts(options, loaded, &progress);
    }
    if (!loaded.tablesProblem.isEmpty())
        return fail(QStringLiteral("tables file \"%1\": %2")
                        .arg(setup.project.tablesFile, loaded.tablesProblem));
    if (site) {
        const QString failure = publish(*site, loaded, setup);
        if (!failure.isEmpty())
            return fail(failure);
    }
    switch (invocation.command) {
    case Command::Check:
        return runCheck(invocation, loaded, setup);
    case Command::Uses:
        return runUses(invocation, loaded);
    case Command::Bom:
        return runBom(invocation, loaded);
    case Command::Listing:
        break;
    }
    return runListing(invocation, loaded);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrel-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));

    const Parsed parsed = parseCommandLine(QCoreApplication::arguments());
    if (const int *status = std::get_if<int>(&parsed))
        return *status;
    const std::variant<Setup, int> prepared = prepare(std::get<Invocation>(parsed));
    if (const int *status = std::get_if<int>(&prepared))
        return *status;
    return run(std::get<Invocation>(parsed), std::get<Setup>(prepared));
}
