#include "coresupport.h"

#include "scripts/scriptload.h"

#include <QTest>

namespace {

QStringList skillLines(const LoadedScripts &loaded)
{
    QStringList lines;
    for (const SkillGroup &skill : loaded.skills) {
        lines.append(skill.name);
        for (const ReportItem &item : skill.items)
            lines.append(QStringLiteral("  ") + item.defname + QLatin1Char('|') + item.resources +
                         QLatin1Char('|') + item.skillmake);
    }
    return lines;
}

} // namespace

class tst_ScriptLoad : public QObject
{
    Q_OBJECT

private slots:
    void laterDefinitionWins_placesKept();
    void everyMissingOccurrence_windowMessagesOnce();
    void skillsInOrderOfFirstUse();
    void typesAndRequirementsFromAnotherFile();
};

void tst_ScriptLoad::laterDefinitionWins_placesKept()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_log]\nNAME=Old log\n[ITEMDEF i_x]\nNAME=X\n");
    dir.write(QStringLiteral("s/b.scp"), "[ITEMDEF i_a_log]\nDEFNAME=I_LOG\nNAME=Log\n"
                                         "[ITEMDEF i_log]\nNAME=Last log\n[ITEMDEF]\nNAME=None\n");
    const LoadedScripts loaded = loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"), {});

    QCOMPARE(loaded.records.keys(), (QStringList{"i_log", "i_x"}));
    const ScriptRecord &log = loaded.records.value(QStringLiteral("i_log"));
    QCOMPARE(log.fields.name, QStringLiteral("Last log"));
    QCOMPARE(log.place.file, QStringLiteral("s/b.scp"));
    QCOMPARE(log.place.section, QStringLiteral("ITEMDEF i_log"));

    QCOMPARE(loaded.redefinitions.keys(), QStringList{"i_log"});
    const QList<DefinitionPlace> places = loaded.redefinitions.value(QStringLiteral("i_log"));
    QStringList where;
    for (const DefinitionPlace &place : places)
        where.append(place.file + QLatin1Char(':') + place.section);
    QCOMPARE(where, (QStringList{"s/a.scp:ITEMDEF i_log", "s/b.scp:ITEMDEF i_a_log",
                                 "s/b.scp:ITEMDEF i_log"}));
}

void tst_ScriptLoad::everyMissingOccurrence_windowMessagesOnce()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_b]\nRESOURCES=i_gone,i_log,2 i_gone\n"
                                         "[ITEMDEF i_a]\nRESOURCES=i_none,,i_gone\n"
                                         "[ITEMDEF i_log]\nNAME=Log\n");
    const LoadedScripts loaded = loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"), {});

    QStringList uses;
    for (const MissingResourceUse &use : loaded.missing)
        uses.append(QStringLiteral("%1 %2 %3")
                        .arg(use.defname, use.resource.id, QString::number(use.resource.element)));
    QCOMPARE(uses, (QStringList{"i_a i_none 0", "i_a  1", "i_a i_gone 2", "i_b i_gone 0",
                                "i_b i_gone 2"}));
    QCOMPARE(loaded.messages(),
             (QStringList{"Resoucre \"i_none\" no found.", "Resoucre \"\" no found.",
                          "Resoucre \"i_gone\" no found."}));
}

void tst_ScriptLoad::skillsInOrderOfFirstUse()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_c]\nSKILLMAKE=mining 1\n"
                                         "[ITEMDEF i_a]\nSKILLMAKE=tailoring 2,carpentry 3\n"
                                         "[ITEMDEF i_b]\nSKILLMAKE=Carpentry 4,carpentry 5\n");
    const LoadedScripts loaded = loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"), {});
    QCOMPARE(skillLines(loaded),
             (QStringList{"Tailoring", "  i_a||Tailoring 2, Carpentry 3", "Carpentry",
                          "  i_a||Tailoring 2, Carpentry 3", "  i_b||Carpentry 4, Carpentry 5",
                          "  i_b||Carpentry 4, Carpentry 5", "Mining", "  i_c||Mining 1"}));
}

void tst_ScriptLoad::typesAndRequirementsFromAnotherFile()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"),
              "[ITEMDEF i_pie]\nRESOURCES=2 t_meat,1 t_fruit\nSKILLMAKE=cooking 20,1 t_oven\n");
    dir.write(QStringLiteral("s/sub/b.scp"), "[ITEMDEF i_rib]\nTYPE=T_Meat\n"
                                             "[ITEMDEF i_stove]\nTYPE=t_oven\n");
    const LoadedScripts loaded = loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"), {});
    QCOMPARE(skillLines(loaded), (QStringList{"Cooking", "  i_pie|2 t_meat|Cooking 20"}));
    QCOMPARE(loaded.messages(), QStringList{"Resoucre \"t_fruit\" no found."});
}

QTEST_MAIN(tst_ScriptLoad)
#include "tst_scriptload.moc"
