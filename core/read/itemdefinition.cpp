// SPDX-License-Identifier: MIT
#include "core/read/itemdefinition.h"

#include <algorithm>
#include <vector>

namespace tavrel {

namespace {

enum Key
{
    Defname,
    Description,
    Subsection,
    Name,
    Type,
    Resources,
    Skillmake,
    KeyCount
};

const QLatin1String keyNames[KeyCount] = {QLatin1String("DEFNAME"),    QLatin1String("DESCRIPTION"),
                                          QLatin1String("SUBSECTION"), QLatin1String("NAME"),
                                          QLatin1String("TYPE"),       QLatin1String("RESOURCES"),
                                          QLatin1String("SKILLMAKE")};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c.isSpace();
}

QChar lowered(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u >= 'A' && u <= 'Z' ? QChar(u - 'A' + 'a') : c;
    return c.toLower();
}

// A value in lower case, without its tabs when asked, made at once for an ASCII value.
QString lowered(QStringView value, bool withoutTabs)
{
    const bool ascii =
        std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        QString text = value.toString().toLower();
        if (withoutTabs)
            text.remove(u'\t');
        return text;
    }
    QString text(value.size(), Qt::Uninitialized);
    QChar *out = text.data();
    qsizetype size = 0;
    for (const QChar c : value) {
        if (!withoutTabs || c != u'\t')
            out[size++] = lowered(c);
    }
    text.truncate(size);
    return text;
}

// A RESOURCES or SKILLMAKE value as linking reads it: its elements without the blanks around
// them, joined with ",", lower case and without tabs. `sources` receives the offset in the value
// of every character of the result, and of its end; an empty element starts where the next
// comma or the end stands.
QString cleanedList(QStringView value, std::vector<qsizetype> &sources)
{
    QString list(value.size(), Qt::Uninitialized);
    QChar *out = list.data();
    qsizetype size = 0;
    sources.resize(size_t(value.size()) + 1);
    forEachElement(value, [&](QStringView element, qsizetype start) {
        qsizetype from = 0;
        qsizetype to = element.size();
        while (from < to && isBlank(element.at(from)))
            ++from;
        while (to > from && isBlank(element.at(to - 1)))
            --to;
        if (start > 0) {
            sources[size_t(size)] = start - 1;
            out[size++] = u',';
        }
        for (qsizetype i = from; i < to; ++i) {
            if (element.at(i) == u'\t')
                continue;
            sources[size_t(size)] = start + i;
            out[size++] = lowered(element.at(i));
        }
    });
    sources[size_t(size)] = value.size();
    list.truncate(size);
    return list;
}

// Entry columns count in the cleaned list until they are mapped to the script's line.
template <class Entries>
void placeEntries(Entries &entries, const Script &script, const ScriptLine &line,
                  const std::vector<qsizetype> &sources)
{
    for (auto &entry : entries) {
        const size_t at = std::min(size_t(entry.column - 1), sources.size() - 1);
        entry.column = script.position(line, line.value.start + sources[at]).column;
    }
}

} // namespace

QString sectionWord(QStringView section, int index)
{
    qsizetype start = 0;
    for (int word = 0; word < index; ++word) {
        const qsizetype blank = section.indexOf(u' ', start);
        if (blank < 0)
            return QString();
        start = blank + 1;
    }
    const qsizetype end = section.indexOf(u' ', start);
    return section.mid(start, end < 0 ? section.size() - start : end - start).toString();
}

bool isItemDefinition(QStringView kind)
{
    return isKeyword(kind, QLatin1String("ITEMDEF"));
}

ItemDefinition readItemDefinition(const Script &script, const ScriptSection &section, bool entries)
{
    int found[KeyCount];
    std::fill(std::begin(found), std::end(found), -1);
    for (int i = section.firstLine; i < section.firstLine + section.propertyCount; ++i) {
        const QStringView key = script.key(script.lines.at(i));
        for (int k = 0; k < KeyCount; ++k) {
            if (isKeyword(key, keyNames[k]))
                found[k] = i;
        }
    }
    const auto has = [&found](Key key) { return found[key] >= 0; };
    const auto line = [&](Key key) -> const ScriptLine & { return script.lines.at(found[key]); };
    const auto value = [&](Key key) {
        return has(key) ? script.string(line(key).value) : QString();
    };

    ItemDefinition item;
    ItemFields &fields = item.fields;
    DefinitionPlace &place = item.place;
    if (has(Defname)) {
        fields.defname = lowered(script.view(line(Defname).value), true);
        place.defname = script.position(line(Defname), line(Defname).value.start);
    } else {
        const QStringView name = script.name(section);
        fields.defname = lowered(sectionWord(name, 1), true);
        const qsizetype blank = name.indexOf(u' ');
        place.defname = script.position(section.line, section.lineStart,
                                        section.name.start + (blank < 0 ? 0 : blank + 1));
    }
    fields.description = value(Description);
    fields.subsection = value(Subsection);
    fields.name = has(Name) ? value(Name) : fields.description;
    if (fields.name.isEmpty())
        fields.name = fields.subsection;
    fields.type =
        has(Type) ? lowered(script.view(line(Type).value), false) : QStringLiteral("global_type");

    // Scratch of the reading thread, kept from one item to the next.
    thread_local std::vector<qsizetype> resourceSources;
    thread_local std::vector<qsizetype> skillSources;
    if (has(Resources)) {
        fields.resources = cleanedList(script.view(line(Resources).value), resourceSources);
        place.resourcesLine = line(Resources).line;
    }
    if (has(Skillmake)) {
        fields.skillmake = cleanedList(script.view(line(Skillmake).value), skillSources);
        place.skillmakeLine = line(Skillmake).line;
    }
    if (!entries)
        return item;
    item.entries = referringEntries(fields.resources, fields.skillmake);
    if (has(Resources))
        placeEntries(item.entries.resources, script, line(Resources), resourceSources);
    if (has(Skillmake))
        placeEntries(item.entries.skills, script, line(Skillmake), skillSources);
    return item;
}

bool acceptItem(ItemFields &fields, QString &plural)
{
    if (fields.defname.isEmpty())
        return false;
    finishName(fields, plural);
    return true;
}

QString capitalised(const QString &text)
{
    // Skill names are ASCII and are capitalised for every item that needs them.
    const bool ascii =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii)
        return text.left(1).toUpper() + text.mid(1).toLower();
    QString shown(text.size(), Qt::Uninitialized);
    QChar *out = shown.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (i == 0)
            out[i] = c >= 'a' && c <= 'z' ? QChar(c - 'a' + 'A') : QChar(c);
        else
            out[i] = c >= 'A' && c <= 'Z' ? QChar(c - 'A' + 'a') : QChar(c);
    }
    return shown;
}

QString nameFromDefname(const QString &defname)
{
    QString name = defname;
    name.remove(QStringLiteral("i_"));
    name.replace(QLatin1Char('_'), QLatin1Char(' '));
    return capitalised(name);
}

QString nameForm(const QString &name, bool plural)
{
    if (!name.contains(u'%'))
        return name;
    QString shown;
    shown.reserve(name.size());
    bool inMarker = false;
    bool pluralPart = false;
    for (const QChar c : name) {
        if (c == u'%') {
            inMarker = !inMarker;
            pluralPart = true;
            continue;
        }
        if (inMarker && c == u'/') {
            pluralPart = false;
            continue;
        }
        if (!inMarker || pluralPart == plural)
            shown.append(c);
    }
    return shown;
}

void finishName(ItemFields &fields, QString &plural)
{
    if (fields.name.isEmpty())
        fields.name = nameFromDefname(fields.defname);
    plural = nameForm(fields.name, true);
    fields.name = nameForm(fields.name, false);
}

} // namespace tavrel
