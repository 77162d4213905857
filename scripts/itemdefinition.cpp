#include "scripts/itemdefinition.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace {

// QSettings matches key names exactly, but scripts spell them DEFNAME, defname or DefName.
QString actualKey(const QStringList &keys, const QString &wanted)
{
    if (keys.contains(wanted))
        return wanted;
    for (const QString &key : keys) {
        if (key.compare(wanted, Qt::CaseInsensitive) == 0)
            return key;
    }
    return QString();
}

class SectionReader
{
public:
    explicit SectionReader(QSettings &script) : script(script), keys(script.childKeys()) {}

    QVariant value(const QString &key, const QVariant &absent) const
    {
        const QString actual = actualKey(keys, key);
        return actual.isNull() ? absent : script.value(actual);
    }

    // The value's list elements joined with ",". Most values are single strings, which join to
    // themselves.
    QString joinedList(const QString &key) const
    {
        const QString actual = actualKey(keys, key);
        if (actual.isNull())
            return QString();
        const QVariant stored = script.value(actual);
        if (stored.metaType().id() == QMetaType::QString)
            return stored.toString();
        return stored.toStringList().join(QLatin1Char(','));
    }

private:
    QSettings &script;
    const QStringList keys;
};

void clean(QString &text)
{
    text.remove(QLatin1Char('\t'));
    text.remove(QStringLiteral("//"));
}

} // namespace

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
            reader.value(QStringLiteral("DEFNAME"), sectionWord(section, 1)).toString().toLower();
        fields.description = reader.joinedList(QStringLiteral("DESCRIPTION"));
        fields.subsection = reader.joinedList(QStringLiteral("SUBSECTION"));
        fields.name = reader.value(QStringLiteral("NAME"), fields.description).toString();
        if (fields.name.isEmpty())
            fields.name = fields.subsection;
        fields.type = reader.value(QStringLiteral("TYPE"), QStringLiteral("GLOBAL_TYPE"))
                          .toString()
                          .toLower();
        fields.resources = reader.joinedList(QStringLiteral("RESOURCES")).toLower();
        fields.skillmake = reader.joinedList(QStringLiteral("SKILLMAKE")).toLower();
    }
    script.endGroup();
    clean(fields.skillmake);
    clean(fields.resources);
    clean(fields.defname);
    return fields;
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
