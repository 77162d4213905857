// SPDX-License-Identifier: MIT
#ifndef TAVREL_FACTS_H
#define TAVREL_FACTS_H

#include "core/language/blocks.h"
#include "core/language/kinds.h"
#include "core/language/location.h"
#include "core/language/values.h"
#include "core/read/scriptreader.h"

#include <QList>
#include <QString>

namespace tavrel {

// A name or a numeric id that a section defines.
struct Definition
{
    // Where the name is written.
    enum Origin : unsigned char
    {
        // The section's header, or its DEFNAME line: a name the server registers as it is.
        Section,
        // A line of [TYPEDEFS], the number of an item type whose code a [TYPEDEF] section holds.
        TypeNumber,
        // A key of a [DEFNAME] or [RESDEFNAME] section, or a skill's KEY: stored unchecked.
        Key,
    };

    // Lower case, as names compare; `written` holds the text as written where it differs.
    QString name;
    QString written;
    // A numeric id ([ITEMDEF 0f3f], [CHARDEF 044]) instead of a name, or -1.
    qint64 number = -1;
    Kind kind = Kind::Item;
    Origin origin = Section;
    // A [MULTIDEF n]: multis are numbered apart from the items.
    bool multi = false;
    // One part of a definition written in several sections, in lower case: a book's page
    // ([BOOK b_guide 1]), a dialog's texts or buttons ([DIALOG d_hello TEXT]).
    QString part;
    // A numbered section's DEFNAME as written, the name its findings go by.
    QString label;
    // The name (or number) as written.
    Location location;
    // The section that defines it, counted in its file from 0.
    int section = 0;
    // An alias's value as written ("i_log", "0x1bd7", "{i_a 1 i_b 2}") and where it stands.
    QString value;
    Location valueLocation;
    // An item definition's record (see ItemRecord), an index into its file's records, or -1.
    int record = -1;
    // The index of the file in its load.
    int file = 0;

    QString shown() const { return written.isEmpty() ? name : written; }
    // What findings about the definition are "in".
    QString owner() const { return label.isEmpty() ? shown() : label; }
};

// A name or a number used somewhere: named by a key's value, by a line of code, or an entry of
// an item's RESOURCES or SKILLMAKE, which carries its amount and its place in the list.
struct Use
{
    enum Flag : quint16
    {
        // An element of a resource list: a number there makes the server drop the list's rest.
        ResourceElement = 1,
        // A number must be the id of an item a numeric [ITEMDEF n] defines.
        ScriptedNumber = 2,
        // A number is a fine value.
        NumberAllowed = 4,
        // The value of an alias, whose name is the key: text the server reads only where the
        // alias is used, so nothing is checked of it here.
        AliasValue = 8,
        // An entry of an item's RESOURCES, or of its SKILLMAKE.
        ItemResource = 16,
        ItemSkill = 32,
        // A verb of code that is the server's own unless a [FUNCTION] defines it: a call only
        // where it names a function, a fault only where it starts with "f_" and names nothing.
        Call = 64,
        // A <DEF0.x> or <RESDEF0.x>, which reads 0 where the name is missing, as code may mean.
        Optional = 128,
    };

    // Lower case; `written` holds the text as written where it differs.
    QString name;
    QString written;
    Kinds accepted = everyKind;
    quint16 flags = 0;
    // How the key reads its value, and so the value of an alias it reaches.
    Shape shape = Shape::Name;
    Location location;
    // The key as written (in code, the verb or the expression's word: NEWNPC, TIMERF, DEF), and
    // the header of its section ("CHARDEF c_man"; a numbered section goes by its DEFNAME,
    // "CHARDEF c_steed").
    QString key;
    QString owner;
    // For an element of a resource list, the list as written and where the elements the server
    // drops with it start, -1 after the last element.
    QString list;
    qsizetype restFrom = -1;
    // An item's entry: its amount (a skill's value rounded down), its index in its list, and the
    // item's record, an index into its file's records.
    int amount = 0;
    int element = -1;
    int record = -1;
    int file = 0;

    QString shown() const { return written.isEmpty() ? name : written; }
    bool isItemEntry() const { return flags & (ItemResource | ItemSkill); }
    bool isCall() const { return flags & Call; }
    // The elements after it, as written.
    QString rest() const
    {
        return restFrom < 0 ? QString() : QStringView(list).mid(restFrom).trimmed().toString();
    }
};

// An ON=@name line, to find a trigger written twice in one section.
struct Trigger
{
    QString name;
    int section = 0;
    Location location;
    int file = 0;
};

// A "{...}" list: a value, a range of two, or names each with a weight; a list of three or more
// elements should pair up, and no weight be 0.
struct RandomList
{
    Location location;
    int elements = 0;
    QList<Location> zeroWeights;
    int file = 0;
};

// What an item definition is as the window shows it: the record a load keeps for its defname,
// the later definition of a defname replacing the earlier.
struct ItemRecord
{
    QString defname;
    // The finished name, singular and plural, and the TYPE in lower case.
    QString name;
    QString plural;
    QString type;
    // The definition it is kept with, an index into its file's definitions.
    int definition = -1;
    int section = 0;
    // Its RESOURCES and SKILLMAKE as linking reads them, which the names of its entries refer to.
    QString resources;
    QString skillmake;
    // Its entries' uses, one after another in its file's uses: RESOURCES, then SKILLMAKE.
    int firstEntry = 0;
    int entryCount = 0;
};

} // namespace tavrel

// Their members move as their bytes do, so the load's lists of them grow without copying.
Q_DECLARE_TYPEINFO(tavrel::Definition, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(tavrel::Use, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(tavrel::ItemRecord, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(tavrel::Trigger, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(tavrel::RandomList, Q_RELOCATABLE_TYPE);

namespace tavrel {

// What one script file defines and names, by the rules the game server reads them with.
struct ScriptFacts
{
    QList<Definition> definitions;
    QList<Use> uses;
    QList<ItemRecord> records;
    QList<Trigger> triggers;
    QList<RandomList> randomLists;
    // The faults in the shape of its code, which the scan reads beside the rest.
    QList<BlockProblem> blockProblems;
    // Why the file could not be read, or an empty text; in a file read as Windows-1252, where
    // its first character outside ASCII in a value stands.
    QString problem;
    Location legacyCharacter;

    // The uses of a record's entries.
    struct Entries
    {
        const Use *first;
        const Use *last;
        const Use *begin() const { return first; }
        const Use *end() const { return last; }
    };
    Entries entriesOf(const ItemRecord &record) const
    {
        const Use *const first = uses.constData() + record.firstEntry;
        return Entries{first, first + record.entryCount};
    }
};

// Reads the definitions and uses of every section of a script, its code's among them (see
// readCodeUses), but for the records of item definitions and the entries of their RESOURCES and
// SKILLMAKE, which a scan adds from the items it reads (see scanScript). Locations name the file
// at `path`.
// `moreUses` leaves room for the uses a scan adds.
ScriptFacts readFacts(const Script &script, const QString &path = QString(),
                      qsizetype moreUses = 0);

// The kinds of names the value of a line of a section names, as readFacts reads it and the
// load reads an item's RESOURCES (items and item types) and SKILLMAKE (skills, and the items
// and types a craft needs); in a line of code, those of the name written at `offset` in the
// script's text, when one is given (see codeKindsAt); 0 where it names nothing. `line` is an
// index into Script::lines.
Kinds kindsNamedBy(const Script &script, const ScriptSection &section, int line,
                   qsizetype offset = -1);

// Whether a line of a section is text rather than a key and its value: a menu's title, a line
// of names, of a tip, of a scroll, of a book's page or of a dialog's texts, a tables file's
// list of scripts, a comment section's. `line` is an index into Script::lines.
bool isTextLine(const Script &script, const ScriptSection &section, int line);

} // namespace tavrel

#endif
