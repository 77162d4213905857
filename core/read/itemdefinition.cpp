// SPDX-License-Identifier: MIT
#include "core/read/itemdefinition.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

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

const QString &keyName(int key)
{
    static const QString names[KeyCount] = {
        QStringLiteral("DEFNAME"),  QStringLiteral("DESCRIPTION"), QStringLiteral("SUBSECTION"),
        QStringLiteral("NAME"),     QStringLiteral("TYPE"),        QStringLiteral("RESOURCES"),
        QStringLiteral("SKILLMAKE")};
    return names[key];
}

// QSettings matches key names exactly, but scripts spell them DEFNAME, defname or DefName. The
// keys of the section are matched once; a key spelt exactly as expected wins over the others.
class SectionReader
{
public:
    explicit SectionReader(QSettings &script) : script(script)
    {
        const QStringList keys = script.childKeys();
        for (const QString &key : keys) {
            for (int wanted = 0; wanted < KeyCount; ++wanted) {
                const QString &name = keyName(wanted);
                if (key.size() != name.size() || exact[wanted])
                    continue;
                if (key == name) {
                    actual[wanted] = key;
                    exact[wanted] = true;
                } else if (actual[wanted].isNull() && key.compare(name, Qt::CaseInsensitive) == 0) {
                    actual[wanted] = key;
                }
            }
        }
    }

    bool has(Key key) const { return !actual[key].isNull(); }

    QString string(Key key) const { return script.value(actual[key]).toString(); }

    // The value's list elements joined with ",". Most values are single strings, which join to
    // themselves.
    QString joinedList(Key key) const
    {
        if (!has(key))
            return QString();
        const QVariant stored = script.value(actual[key]);
        if (stored.metaType().id() == QMetaType::QString)
            return stored.toString();
        return stored.toStringList().join(QLatin1Char(','));
    }

private:
    QSettings &script;
    QString actual[KeyCount];
    bool exact[KeyCount] = {};
};

void removeTabs(QString &text)
{
    text.remove(QLatin1Char('\t'));
}

} // namespace

QString ownCopy(const QString &text)
{
    return text.isEmpty() ? text : QString(text.constData(), text.size());
}

ItemFields ownCopy(const ItemFields &fields)
{
    return ItemFields{ownCopy(fields.defname),   ownCopy(fields.type),
                      ownCopy(fields.name),      ownCopy(fields.description),
                      ownCopy(fields.resources), ownCopy(fields.skillmake),
                      ownCopy(fields.subsection)};
}

QString sectionWord(const QString &section, int index)
{
    int start = 0;
    for (int word = 0; word < index; ++word) {
        const int blank = section.indexOf(QLatin1Char(' '), start);
        if (blank < 0)
            return QString();
        start = blank + 1;
    }
    const int end = section.indexOf(QLatin1Char(' '), start);
    return section.mid(start, end < 0 ? -1 : end - start);
}

bool isItemDefinition(const QString &section)
{
    static const QString keyword = QStringLiteral("itemdef");
    const qsizetype end = section.indexOf(QLatin1Char(' '));
    const qsizetype length = end < 0 ? section.size() : end;
    // Only a seven-character word can lower-case to the seven ASCII letters of the keyword.
    if (length != keyword.size())
        return false;
    const QStringView word = QStringView(section).left(length);
    bool ascii = true;
    for (const QChar c : word)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return word.compare(keyword, Qt::CaseInsensitive) == 0;
    return word.toString().toLower() == keyword;
}

ItemFields readItemDefinition(QSettings &script, const QString &section)
{
    ItemFields fields;
    script.beginGroup(section);
    {
        const SectionReader reader(script);
        fields.defname =
            withoutComment(reader.has(Defname) ? reader.string(Defname) : sectionWord(section, 1))
                .toLower();
        fields.description = withoutComment(reader.joinedList(Description));
        fields.subsection = withoutComment(reader.joinedList(Subsection));
        fields.name = reader.has(Name) ? withoutComment(reader.string(Name)) : fields.description;
        if (fields.name.isEmpty())
            fields.name = fields.subsection;
        fields.type =
            withoutComment(reader.has(Type) ? reader.string(Type) : QStringLiteral("GLOBAL_TYPE"))
                .toLower();
        fields.resources = withoutComment(reader.joinedList(Resources)).toLower();
        fields.skillmake = withoutComment(reader.joinedList(Skillmake)).toLower();
    }
    script.endGroup();
    removeTabs(fields.skillmake);
    removeTabs(fields.resources);
    removeTabs(fields.defname);
    return fields;
}

QString withoutComment(const QString &value)
{
    qsizetype end = value.indexOf(QLatin1String("//"));
    if (end < 0)
        return value;
    while (end > 0 &&
           (value.at(end - 1) == QLatin1Char(' ') || value.at(end - 1) == QLatin1Char('\t')))
        --end;
    return value.left(end);
}

bool acceptItem(ItemFields &fields)
{
    if (fields.defname.isEmpty())
        return false;
    finishName(fields);
    return true;
}

QString capitalised(const QString &text)
{
    return text.left(1).toUpper() + text.mid(1).toLower();
}

QString nameFromDefname(const QString &defname)
{
    QString name = defname;
    name.remove(QStringLiteral("i_"));
    name.replace(QLatin1Char('_'), QLatin1Char(' '));
    return capitalised(name);
}

void finishName(ItemFields &fields)
{
    if (fields.name.isEmpty())
        fields.name = nameFromDefname(fields.defname);
    fields.name.replace(QLatin1Char('%'), QLatin1Char('\''));
}

} // namespace tavrel
