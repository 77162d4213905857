#include "app/configuration.h"
#include "cli/pages.h"
#include "scripts/scriptload.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSettings>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

enum ExitStatus
{
    Success = 0,
    MissingResources = 1,
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

void writeOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

int fail(const QString &reason)
{
    const QByteArray line = QStringLiteral("tavrel-report: %1\n").arg(reason).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
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
        QStringLiteral("Settings/Dirs"), QStringLiteral("Settings/Filter"),
        QStringLiteral("HTML/HeaderString"), QStringLiteral("HTML/ItemString"),
        QStringLiteral("HTML/EndString")};
    const bool known = std::any_of(keys.cbegin(), keys.cend(), [&settings](const QString &key) {
        return settings.contains(key);
    });
    if (!known && info.size() > 0)
        return QStringLiteral("holds none of the keys Settings/Dirs, Settings/Filter, "
                              "HTML/HeaderString, HTML/ItemString, HTML/EndString");
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

// A missing id where it first occurs, with the file and defname of that item.
struct FirstMissing
{
    QString id;
    QString message;
    QString file;
    QString defname;
};

QList<FirstMissing> firstMissing(const LoadedScripts &loaded)
{
    QList<FirstMissing> first;
    QSet<QString> seen;
    for (const MissingResourceUse &use : loaded.missing) {
        const QString message = notFoundMessage(use.resource.id);
        if (seen.contains(message))
            continue;
        seen.insert(message);
        first.append(FirstMissing{use.resource.id, message,
                                  loaded.records.value(use.defname).place.file, use.defname});
    }
    return first;
}

QString checkText(const QList<FirstMissing> &missing)
{
    QString text;
    for (const FirstMissing &first : missing)
        text += QStringLiteral("%1: %2: %3\n").arg(first.file, first.defname, first.message);
    return text;
}

QJsonArray missingJson(const QList<FirstMissing> &missing)
{
    QJsonArray list;
    for (const FirstMissing &first : missing) {
        list.append(QJsonObject{{QStringLiteral("id"), first.id},
                                {QStringLiteral("message"), first.message},
                                {QStringLiteral("file"), first.file},
                                {QStringLiteral("defname"), first.defname}});
    }
    return list;
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

QString jsonText(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrel-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Loads item scripts as Tavrel's File > Open does. Without --check or --html, lists every "
        "skill with its items, then the resource ids that name no item.\n"
        "Exit status: 0 on success, 1 when --check finds a resource id that names no item, 2 on "
        "bad usage or any error."));
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
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        QStringLiteral("List every resource id that names no item, once, where it first occurs."));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("Output format: text or json."),
                                          QStringLiteral("format"), QStringLiteral("text"));
    const QCommandLineOption htmlOption(
        QStringLiteral("html"),
        QStringLiteral("Write index.html and the report page of every skill into the directory."),
        QStringLiteral("directory"));
    parser.addOptions(
        {configOption, dirOption, filterOption, checkOption, formatOption, htmlOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(Success);
    if (parser.isSet(versionOption))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"")
                        .arg(parser.positionalArguments().constFirst()));
    const QString format = parser.value(formatOption);
    if (format != QLatin1String("text") && format != QLatin1String("json"))
        return fail(QStringLiteral("unknown format \"%1\": use text or json").arg(format));
    if (parser.isSet(htmlOption) && parser.value(htmlOption).isEmpty())
        return fail(QStringLiteral("--html needs a directory"));

    QString configFile = QStringLiteral("./config.cfg");
    if (parser.isSet(configOption))
        configFile = parser.value(configOption);
    if (parser.isSet(configOption) || QFileInfo::exists(configFile)) {
        const QString problem = configurationProblem(configFile);
        if (!problem.isEmpty())
            return fail(QStringLiteral("configuration \"%1\": %2").arg(configFile, problem));
    }
    Configuration configuration = readConfiguration(configFile);
    if (parser.isSet(dirOption))
        configuration.dirs = parser.values(dirOption);
    if (parser.isSet(filterOption))
        configuration.filter = parser.value(filterOption);

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
    if (parser.isSet(checkOption)) {
        const QList<FirstMissing> missing = firstMissing(loaded);
        writeOut(json ? jsonText(QJsonObject{{QStringLiteral("missing"), missingJson(missing)}})
                      : checkText(missing));
        return missing.isEmpty() ? Success : MissingResources;
    }
    if (!parser.isSet(htmlOption))
        writeOut(json ? jsonText(listingJson(loaded)) : listingText(loaded));
    return Success;
}
