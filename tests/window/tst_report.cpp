// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "core/config/configuration.h"
#include "core/report/itemrow.h"
#include "scripts/si_item.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QTreeWidget>

#include <memory>

using namespace tavrel;

namespace {

// Every progress dialog shown while it is installed, as it was when it appeared.
class ProgressWatcher : public QObject
{
public:
    struct Shown
    {
        QString title;
        int minimum;
        int maximum;
        bool modal;
        QWidget *parent;
    };

    ProgressWatcher() { qApp->installEventFilter(this); }
    ~ProgressWatcher() override { qApp->removeEventFilter(this); }

    QList<Shown> shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *dialog = qobject_cast<QProgressDialog *>(watched)) {
                shown.append({dialog->windowTitle(), dialog->minimum(), dialog->maximum(),
                              dialog->isModal() || dialog->windowModality() != Qt::NonModal,
                              dialog->parentWidget()});
            }
        }
        return false;
    }
};

QString chairName(int k)
{
    return QStringLiteral("Chair %1").arg(k, 3, 10, QLatin1Char('0'));
}

// `chairs` items under Carpentry, each made from k logs and one nail, and two under Tailoring.
void writePack(const WorkingDirectory &dir, int chairs)
{
    QByteArray text = "[itemdef i_log]\nNAME=Log\n"
                      "[itemdef i_nail]\nNAME=Nail\n"
                      "[itemdef i_shirt]\nNAME=Shirt\nRESOURCES=2 i_cloth_missing\n"
                      "SKILLMAKE=tailoring 30.5\n"
                      "[itemdef i_cap]\nNAME=Cap\nRESOURCES=1 i_log\nSKILLMAKE=tailoring 10\n";
    for (int k = 1; k <= chairs; ++k) {
        text += QStringLiteral("[itemdef i_chair_%1]\nNAME=%2\nRESOURCES=%3 i_log, 1 i_nail\n"
                               "SKILLMAKE=carpentry 50\n")
                    .arg(k, 3, 10, QLatin1Char('0'))
                    .arg(chairName(k))
                    .arg(k)
                    .toUtf8();
    }
    dir.write(QStringLiteral("scripts/items.scp"), text);
}

QTextTable *onlyTable(QTextBrowser *browser, int *tableCount)
{
    QTextTable *found = nullptr;
    *tableCount = 0;
    const QList<QTextFrame *> frames = browser->document()->rootFrame()->childFrames();
    for (QTextFrame *frame : frames) {
        if (auto *table = qobject_cast<QTextTable *>(frame)) {
            ++*tableCount;
            found = table;
        }
    }
    return found;
}

QString cellText(QTextTable *table, int row, int column)
{
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

QStringList rowTexts(QTextTable *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columns(); ++column)
        texts.append(cellText(table, row, column));
    return texts;
}

QTreeWidgetItem *skillNode(Tavrel *window, const QString &skill)
{
    const QList<QTreeWidgetItem *> found = skillTree(window)->findItems(skill, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
}

void click(Tavrel *window, QTreeWidgetItem *node)
{
    emit skillTree(window)->itemClicked(node, 0);
}

QString browserText(Tavrel *window)
{
    return textBrowser(window)->toPlainText();
}

QString plainChairs(int from, int to, const QString &pattern)
{
    QString text;
    for (int k = from; k <= to; ++k) {
        text += QString(pattern)
                    .replace(QLatin1String("%N"), chairName(k))
                    .replace(QLatin1String("%R"), QStringLiteral("%1 Log, 1 Nail").arg(k))
                    .replace(QLatin1String("%S"), QStringLiteral("Carpentry 50"));
    }
    return text;
}

// What the browser shows of its document, once the events its insertion posted have run.
struct BrowserView
{
    QString html;
    QSizeF documentSize;
    QSize viewportSize;
    bool verticalBar;
    bool horizontalBar;
    Qt::ScrollBarPolicy verticalPolicy;

    bool operator==(const BrowserView &other) const
    {
        return html == other.html && documentSize == other.documentSize &&
               viewportSize == other.viewportSize && verticalBar == other.verticalBar &&
               horizontalBar == other.horizontalBar && verticalPolicy == other.verticalPolicy;
    }
};

BrowserView viewOf(QTextBrowser *browser)
{
    QCoreApplication::processEvents();
    return {browser->toHtml(),
            browser->document()->documentLayout()->documentSize(),
            browser->viewport()->size(),
            browser->verticalScrollBar()->isVisible(),
            browser->horizontalScrollBar()->isVisible(),
            browser->verticalScrollBarPolicy()};
}

QString describe(const BrowserView &view)
{
    return QStringLiteral("document %1x%2, viewport %3x%4, bars %5/%6, policy %7")
        .arg(view.documentSize.width())
        .arg(view.documentSize.height())
        .arg(view.viewportSize.width())
        .arg(view.viewportSize.height())
        .arg(view.verticalBar)
        .arg(view.horizontalBar)
        .arg(int(view.verticalPolicy));
}

} // namespace

class ReportTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void skillNode_defaultTemplates_headerRowsEnd_data();
    void skillNode_defaultTemplates_headerRowsEnd();
    void skillNode_rowsConcatenatedInChildOrder();
    void skillNode_showsProcessingDialogAtOnce();
    void skillNode_dialogVisibleWhileReportRuns();
    void skillNodeWithoutChildren_givesHeaderAndEnd();
    void item_rendersAloneWithoutDialog();
    void item_secondSkillCopy_rendersLikeTheRecord();
    void sameNodeTwice_leavesOneReport();
    void browser_showsWhatAPlainInsertShows_data();
    void browser_showsWhatAPlainInsertShows();
    void templates_data();
    void templates();
    void emptyResourcesAndSkillmake_giveEmptyCells();
    void values_insertedUnescapedInOrder();
    void mouseClickOnSkill_rendersReport();
    void fileTreeClick_doesNothing();
    void cancelDuringLargeReport_stillGivesFullReport();
    void newTemplates_usedByNextClickOnly();
    void templateChangeDuringReport_doesNotMixReports();
    void clickDuringReport_isIgnored();
    void clearAndOpenDuringReport_doNotTakeEffect();
    void closingWindowDuringReport_reportEndsThenProgramEnds();

private:
    void start(int chairs, const QString &h1, const QString &h2, const QString &h3);

    std::unique_ptr<WorkingDirectory> dir;
    std::unique_ptr<Tavrel> window;
};

void ReportTest::init()
{
    dir = std::make_unique<WorkingDirectory>();
}

void ReportTest::cleanup()
{
    if (window)
        closeWindow(window);
    dir.reset();
}

void ReportTest::start(int chairs, const QString &h1, const QString &h2, const QString &h3)
{
    writePack(*dir, chairs);
    window = startWindow();
    window->Update({QStringLiteral("scripts")}, QStringLiteral("*.scp"), h1, h2, h3);
    findAction(window.get(), QStringLiteral("Open"))->trigger();
}

void ReportTest::skillNode_defaultTemplates_headerRowsEnd_data()
{
    QTest::addColumn<int>("chairs");
    QTest::newRow("one item") << 1;
    QTest::newRow("three items") << 3;
    QTest::newRow("twelve items") << 12;
}

void ReportTest::skillNode_defaultTemplates_headerRowsEnd()
{
    QFETCH(int, chairs);
    start(chairs, defaultHeaderTemplate(), defaultItemTemplate(), defaultEndTemplate());
    QTreeWidgetItem *carpentry = skillNode(window.get(), QStringLiteral("Carpentry"));
    QVERIFY(carpentry);
    QCOMPARE(carpentry->childCount(), chairs);

    click(window.get(), carpentry);

    int tables = 0;
    QTextTable *table = onlyTable(textBrowser(window.get()), &tables);
    QCOMPARE(tables, 1);
    QCOMPARE(table->rows(), chairs + 1);
    QCOMPARE(table->columns(), 3);
    QCOMPARE(rowTexts(table, 0), (QStringList{QStringLiteral("Name"), QStringLiteral("Resource"),
                                              QStringLiteral("Skill make")}));
    for (int k = 1; k <= chairs; ++k) {
        QCOMPARE(rowTexts(table, k),
                 (QStringList{chairName(k), QStringLiteral("%1 Log, 1 Nail").arg(k),
                              QStringLiteral("Carpentry 50")}));
    }
}

void ReportTest::skillNode_rowsConcatenatedInChildOrder()
{
    start(4, QStringLiteral("H:"), QStringLiteral("[%NAME|%RESOURCES|%SKILLMAKE]"),
          QStringLiteral(":E"));

    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));

    QCOMPARE(browserText(window.get()), QStringLiteral("H:") +
                                            plainChairs(1, 4, QStringLiteral("[%N|%R|%S]")) +
                                            QStringLiteral(":E"));

    click(window.get(), skillNode(window.get(), QStringLiteral("Tailoring")));
    QCOMPARE(browserText(window.get()),
             QStringLiteral("H:[Cap|1 Log|Tailoring 10][Shirt||Tailoring 30.5]:E"));
}

void ReportTest::skillNode_showsProcessingDialogAtOnce()
{
    start(3, QStringLiteral("H"), QStringLiteral("%NAME;"), QStringLiteral("E"));
    ProgressWatcher watcher;

    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));

    QCOMPARE(watcher.shown.size(), 1);
    QCOMPARE(watcher.shown.at(0).title, QStringLiteral("Processing..."));
    QCOMPARE(watcher.shown.at(0).minimum, 0);
    QCOMPARE(watcher.shown.at(0).maximum, 3);
    QVERIFY(!watcher.shown.at(0).modal);
    QCOMPARE(watcher.shown.at(0).parent, window.get());
    QVERIFY(window->findChildren<QProgressDialog *>().isEmpty());
}

void ReportTest::skillNode_dialogVisibleWhileReportRuns()
{
    start(5, QStringLiteral("H"), QStringLiteral("%NAME;"), QStringLiteral("E"));
    bool seen = false;
    QString title;
    int maximum = -1;
    whenEventsRun([&] {
        const QList<QProgressDialog *> dialogs = window->findChildren<QProgressDialog *>();
        for (QProgressDialog *dialog : dialogs) {
            if (dialog->isVisible()) {
                seen = true;
                title = dialog->windowTitle();
                maximum = dialog->maximum();
            }
        }
    });

    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));

    QVERIFY(seen);
    QCOMPARE(title, QStringLiteral("Processing..."));
    QCOMPARE(maximum, 5);
    // The main window stays usable: the dialog is not modal.
    QVERIFY(!QApplication::activeModalWidget());
}

void ReportTest::skillNodeWithoutChildren_givesHeaderAndEnd()
{
    start(1, QStringLiteral("<b>H</b>"), QStringLiteral("%NAME;"), QStringLiteral("E"));
    auto *empty = new QTreeWidgetItem(skillTree(window.get()), QTreeWidgetItem::Type);
    empty->setText(0, QStringLiteral("Empty"));
    ProgressWatcher watcher;

    click(window.get(), empty);

    QCOMPARE(browserText(window.get()), QStringLiteral("HE"));
    QCOMPARE(watcher.shown.size(), 1);
    QCOMPARE(watcher.shown.at(0).minimum, 0);
    QCOMPARE(watcher.shown.at(0).maximum, 0);
}

void ReportTest::item_rendersAloneWithoutDialog()
{
    start(3, QStringLiteral("H:"), QStringLiteral("[%NAME|%RESOURCES|%SKILLMAKE]"),
          QStringLiteral(":E"));
    QTreeWidgetItem *second = skillNode(window.get(), QStringLiteral("Carpentry"))->child(1);
    ProgressWatcher watcher;

    click(window.get(), second);
    QCoreApplication::processEvents();

    QCOMPARE(browserText(window.get()),
             QStringLiteral("H:[Chair 002|2 Log, 1 Nail|Carpentry 50]:E"));
    QVERIFY(watcher.shown.isEmpty());
}

void ReportTest::item_secondSkillCopy_rendersLikeTheRecord()
{
    dir->write(QStringLiteral("scripts/two.scp"), "[itemdef i_stool]\nNAME=Stool\n"
                                                  "SKILLMAKE=carpentry 20, tinkering 5\n");
    window = startWindow();
    window->Update({QStringLiteral("scripts")}, QStringLiteral("*.scp"), QStringLiteral("H"),
                   QStringLiteral("[%NAME|%SKILLMAKE]"), QStringLiteral("E"));
    findAction(window.get(), QStringLiteral("Open"))->trigger();

    click(window.get(), skillNode(window.get(), QStringLiteral("Tinkering"))->child(0));
    QCOMPARE(browserText(window.get()), QStringLiteral("H[Stool|Carpentry 20, Tinkering 5]E"));
    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry"))->child(0));
    QCOMPARE(browserText(window.get()), QStringLiteral("H[Stool|Carpentry 20, Tinkering 5]E"));
}

void ReportTest::sameNodeTwice_leavesOneReport()
{
    start(3, defaultHeaderTemplate(), defaultItemTemplate(), defaultEndTemplate());
    QTreeWidgetItem *carpentry = skillNode(window.get(), QStringLiteral("Carpentry"));

    click(window.get(), carpentry);
    const QString once = browserText(window.get());
    click(window.get(), carpentry);

    QCOMPARE(browserText(window.get()), once);
    int tables = 0;
    QTextTable *table = onlyTable(textBrowser(window.get()), &tables);
    QCOMPARE(tables, 1);
    QCOMPARE(table->rows(), 4);

    click(window.get(), carpentry->child(0));
    click(window.get(), carpentry->child(0));
    QCOMPARE(onlyTable(textBrowser(window.get()), &tables)->rows(), 2);
    QCOMPARE(tables, 1);
}

void ReportTest::browser_showsWhatAPlainInsertShows_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("skill");
    QTest::addColumn<int>("child");
    QTest::addColumn<int>("policy");

    const int asNeeded = Qt::ScrollBarAsNeeded;
    QTest::newRow("tall skill") << QString() << "Carpentry" << -1 << asNeeded;
    QTest::newRow("short skill") << QString() << "Tailoring" << -1 << asNeeded;
    QTest::newRow("item") << QString() << "Carpentry" << 5 << asNeeded;
    QTest::newRow("tall skill after a tall one") << "Carpentry"
                                                 << "Carpentry" << -1 << asNeeded;
    QTest::newRow("short skill after a tall one") << "Carpentry"
                                                  << "Tailoring" << -1 << asNeeded;
    QTest::newRow("item after a tall skill") << "Carpentry"
                                             << "Carpentry" << 0 << asNeeded;
    QTest::newRow("bar always off")
        << QString() << "Carpentry" << -1 << int(Qt::ScrollBarAlwaysOff);
    QTest::newRow("bar always on, short skill")
        << QString() << "Tailoring" << -1 << int(Qt::ScrollBarAlwaysOn);
}

void ReportTest::browser_showsWhatAPlainInsertShows()
{
    QFETCH(QString, before);
    QFETCH(QString, skill);
    QFETCH(int, child);
    QFETCH(int, policy);
    start(300, defaultHeaderTemplate(), defaultItemTemplate(), defaultEndTemplate());
    QTextBrowser *browser = textBrowser(window.get());
    browser->setVerticalScrollBarPolicy(Qt::ScrollBarPolicy(policy));
    if (!before.isEmpty())
        click(window.get(), skillNode(window.get(), before));
    QTreeWidgetItem *node = skillNode(window.get(), skill);
    if (child >= 0)
        node = node->child(child);
    QString report = defaultHeaderTemplate();
    const int rows = child >= 0 ? 1 : node->childCount();
    for (int i = 0; i < rows; ++i) {
        const auto *record = static_cast<const SI_item *>(child >= 0 ? node : node->child(i));
        report +=
            itemRow(defaultItemTemplate(), record->name, record->resources, record->skillmake);
    }
    report += defaultEndTemplate();

    click(window.get(), node);
    const BrowserView reported = viewOf(browser);
    browser->setVerticalScrollBarPolicy(Qt::ScrollBarPolicy(policy));
    browser->clear();
    browser->insertHtml(report);
    const BrowserView plain = viewOf(browser);

    QVERIFY2(
        reported == plain,
        qPrintable(
            QStringLiteral("reported: %1; plain: %2").arg(describe(reported), describe(plain))));
}

void ReportTest::templates_data()
{
    QTest::addColumn<QString>("h1");
    QTest::addColumn<QString>("h2");
    QTest::addColumn<QString>("h3");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no placeholders") << QStringLiteral("H") << QStringLiteral("row;")
                                     << QStringLiteral("E") << QStringLiteral("Hrow;row;row;E");
    QTest::newRow("name twice") << QStringLiteral("H") << QStringLiteral("%NAME/%NAME;")
                                << QStringLiteral("E")
                                << QStringLiteral("H") +
                                       plainChairs(1, 3, QStringLiteral("%N/%N;")) +
                                       QStringLiteral("E");
    QTest::newRow("lower-case placeholders")
        << QStringLiteral("H") << QStringLiteral("%name %Resources %skillMake;")
        << QStringLiteral("E")
        << QStringLiteral("H%name %Resources %skillMake;%name %Resources %skillMake;"
                          "%name %Resources %skillMake;E");
    QTest::newRow("placeholders in header and end")
        << QStringLiteral("%NAME %RESOURCES:") << QStringLiteral("%NAME;")
        << QStringLiteral(":%SKILLMAKE")
        << QStringLiteral("%NAME %RESOURCES:") + plainChairs(1, 3, QStringLiteral("%N;")) +
               QStringLiteral(":%SKILLMAKE");
    QTest::newRow("placeholder inside a longer word")
        << QString() << QStringLiteral("%NAMES%SKILLMAKE%;") << QString()
        << plainChairs(1, 3, QStringLiteral("%NS%S%;"));
    QTest::newRow("empty header and end")
        << QString() << QStringLiteral("%SKILLMAKE;") << QString()
        << QStringLiteral("Carpentry 50;Carpentry 50;Carpentry 50;");
    QTest::newRow("empty item template")
        << QStringLiteral("H") << QString() << QStringLiteral("E") << QStringLiteral("HE");
    QTest::newRow("all three empty") << QString() << QString() << QString() << QString();
    QTest::newRow("rows without separator")
        << QStringLiteral("<p>") << QStringLiteral("%RESOURCES") << QStringLiteral("</p>")
        << plainChairs(1, 3, QStringLiteral("%R"));
}

void ReportTest::templates()
{
    QFETCH(QString, h1);
    QFETCH(QString, h2);
    QFETCH(QString, h3);
    QFETCH(QString, expected);
    start(3, h1, h2, h3);

    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));

    QCOMPARE(browserText(window.get()), expected);
}

void ReportTest::emptyResourcesAndSkillmake_giveEmptyCells()
{
    start(1, QStringLiteral("H"), QStringLiteral("[%NAME|%RESOURCES|%SKILLMAKE]"),
          QStringLiteral("E"));
    // Loaded: a record whose only resource names no item.
    click(window.get(), skillNode(window.get(), QStringLiteral("Tailoring"))->child(1));
    QCOMPARE(browserText(window.get()), QStringLiteral("H[Shirt||Tailoring 30.5]E"));

    auto *manual = new QTreeWidgetItem(skillTree(window.get()), QTreeWidgetItem::Type);
    manual->setText(0, QStringLiteral("Manual"));
    auto *bare = new SI_item(nullptr);
    bare->name = QStringLiteral("Bare");
    bare->setText(0, bare->name);
    manual->addChild(bare);
    click(window.get(), bare);
    QCOMPARE(browserText(window.get()), QStringLiteral("H[Bare||]E"));
    click(window.get(), manual);
    QCOMPARE(browserText(window.get()), QStringLiteral("H[Bare||]E"));
}

void ReportTest::values_insertedUnescapedInOrder()
{
    start(1, QStringLiteral("H"), QStringLiteral("%NAME|%RESOURCES"), QStringLiteral("E"));
    auto *manual = new QTreeWidgetItem(skillTree(window.get()), QTreeWidgetItem::Type);
    manual->setText(0, QStringLiteral("Manual"));
    auto *record = new SI_item(nullptr);
    // Each replacement works on what the previous one left.
    record->name = QStringLiteral("<b>Bold</b> %RESOURCES");
    record->resources = QStringLiteral("<i>%SKILLMAKE</i>");
    record->skillmake = QStringLiteral("S&amp;M");
    record->setText(0, QStringLiteral("Odd"));
    manual->addChild(record);

    click(window.get(), record);

    QCOMPARE(browserText(window.get()), QStringLiteral("HBold S&M|S&ME"));
    const QString html = textBrowser(window.get())->toHtml();
    QVERIFY2(html.contains(QLatin1String("font-weight:700")), qPrintable(html));
    QVERIFY2(html.contains(QLatin1String("font-style:italic")), qPrintable(html));
}

void ReportTest::mouseClickOnSkill_rendersReport()
{
    start(2, QStringLiteral("H"), QStringLiteral("%NAME;"), QStringLiteral("E"));
    QTreeWidget *tree = skillTree(window.get());
    QTreeWidgetItem *carpentry = skillNode(window.get(), QStringLiteral("Carpentry"));
    const QRect rect = tree->visualItemRect(carpentry);
    QVERIFY(rect.isValid());

    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::KeyboardModifiers(), rect.center());

    QCOMPARE(browserText(window.get()), QStringLiteral("HChair 001;Chair 002;E"));
}

void ReportTest::fileTreeClick_doesNothing()
{
    start(2, QStringLiteral("H"), QStringLiteral("%NAME;"), QStringLiteral("E"));
    const QString before = browserText(window.get());
    QTreeWidget *files = fileTree(window.get());
    QCOMPARE(files->topLevelItemCount(), 1);
    ProgressWatcher watcher;

    emit files->itemClicked(files->topLevelItem(0), 0);
    emit files->itemClicked(files->topLevelItem(0)->child(0), 0);
    QTest::mouseClick(files->viewport(), Qt::LeftButton, Qt::KeyboardModifiers(),
                      files->visualItemRect(files->topLevelItem(0)).center());

    QCOMPARE(browserText(window.get()), before);
    QVERIFY(watcher.shown.isEmpty());
}

void ReportTest::cancelDuringLargeReport_stillGivesFullReport()
{
    const int chairs = 400;
    start(chairs, defaultHeaderTemplate(), defaultItemTemplate(), defaultEndTemplate());
    bool cancelled = false;
    whenEventsRun([&] {
        const QList<QProgressDialog *> dialogs = window->findChildren<QProgressDialog *>();
        for (QProgressDialog *dialog : dialogs) {
            const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
            if (dialog->isVisible() && buttons.size() == 1) {
                QTest::mouseClick(buttons.first(), Qt::LeftButton);
                cancelled = dialog->wasCanceled();
            }
        }
    });

    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));

    QVERIFY(cancelled);
    int tables = 0;
    QTextTable *table = onlyTable(textBrowser(window.get()), &tables);
    QCOMPARE(tables, 1);
    QCOMPARE(table->rows(), chairs + 1);
    QCOMPARE(cellText(table, chairs, 0), chairName(chairs));
}

void ReportTest::newTemplates_usedByNextClickOnly()
{
    start(2, QStringLiteral("old:"), QStringLiteral("%NAME;"), QStringLiteral(":old"));
    QTreeWidgetItem *carpentry = skillNode(window.get(), QStringLiteral("Carpentry"));
    click(window.get(), carpentry);
    const QString oldReport = browserText(window.get());
    QCOMPARE(oldReport, QStringLiteral("old:Chair 001;Chair 002;:old"));

    window->Update({QStringLiteral("scripts")}, QStringLiteral("*.scp"), QStringLiteral("new:"),
                   QStringLiteral("(%NAME)"), QStringLiteral(":new"));
    QCOMPARE(browserText(window.get()), oldReport);

    click(window.get(), carpentry);
    QCOMPARE(browserText(window.get()), QStringLiteral("new:(Chair 001)(Chair 002):new"));
}

void ReportTest::templateChangeDuringReport_doesNotMixReports()
{
    start(6, QStringLiteral("old:"), QStringLiteral("%NAME;"), QStringLiteral(":old"));
    whenEventsRun([&] {
        window->Update({QStringLiteral("scripts")}, QStringLiteral("*.scp"), QStringLiteral("new:"),
                       QStringLiteral("new %NAME;"), QStringLiteral(":new"));
    });

    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));

    QCOMPARE(browserText(window.get()), QStringLiteral("old:") +
                                            plainChairs(1, 6, QStringLiteral("%N;")) +
                                            QStringLiteral(":old"));
    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));
    QCOMPARE(browserText(window.get()), QStringLiteral("new:") +
                                            plainChairs(1, 6, QStringLiteral("new %N;")) +
                                            QStringLiteral(":new"));
}

void ReportTest::clickDuringReport_isIgnored()
{
    const int chairs = 30;
    start(chairs, QStringLiteral("H:"), QStringLiteral("%NAME;"), QStringLiteral(":E"));
    QTreeWidgetItem *carpentry = skillNode(window.get(), QStringLiteral("Carpentry"));
    QTreeWidgetItem *tailoring = skillNode(window.get(), QStringLiteral("Tailoring"));
    ProgressWatcher watcher;
    bool clicked = false;
    whenEventsRun([&] {
        click(window.get(), tailoring);
        click(window.get(), tailoring->child(0));
        click(window.get(), carpentry);
        clicked = true;
    });

    click(window.get(), carpentry);
    QCoreApplication::processEvents();

    QVERIFY(clicked);
    QCOMPARE(browserText(window.get()), QStringLiteral("H:") +
                                            plainChairs(1, chairs, QStringLiteral("%N;")) +
                                            QStringLiteral(":E"));
    QCOMPARE(watcher.shown.size(), 1);

    // Once the report is in, clicks work again.
    click(window.get(), tailoring);
    QCOMPARE(browserText(window.get()), QStringLiteral("H:Cap;Shirt;:E"));
}

void ReportTest::clearAndOpenDuringReport_doNotTakeEffect()
{
    const int chairs = 30;
    start(chairs, QStringLiteral("H:"), QStringLiteral("%NAME;"), QStringLiteral(":E"));
    const QStringList skillLines = treeLines(skillTree(window.get()));
    const QStringList fileLines = treeLines(fileTree(window.get()));
    bool triggered = false;
    whenEventsRun([&] {
        findAction(window.get(), QStringLiteral("Clear"))->trigger();
        findAction(window.get(), QStringLiteral("Open"))->trigger();
        QTest::keyClick(window.get(), Qt::Key_W, Qt::ControlModifier);
        triggered = true;
    });

    click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));
    QCoreApplication::processEvents();

    QVERIFY(triggered);
    QCOMPARE(browserText(window.get()), QStringLiteral("H:") +
                                            plainChairs(1, chairs, QStringLiteral("%N;")) +
                                            QStringLiteral(":E"));
    QCOMPARE(treeLines(skillTree(window.get())), skillLines);
    QCOMPARE(treeLines(fileTree(window.get())), fileLines);

    // Once the report is in, Clear and Open work again.
    findAction(window.get(), QStringLiteral("Clear"))->trigger();
    QCOMPARE(skillTree(window.get())->topLevelItemCount(), 0);
    findAction(window.get(), QStringLiteral("Open"))->trigger();
    QCOMPARE(treeLines(skillTree(window.get())), skillLines);
    QCOMPARE(fileTree(window.get())->topLevelItemCount(), 2);
}

void ReportTest::closingWindowDuringReport_reportEndsThenProgramEnds()
{
    const int chairs = 30;
    start(chairs, QStringLiteral("H:"), QStringLiteral("%NAME;"), QStringLiteral(":E"));
    connect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));
    bool closed = false;
    whenEventsRun([&] {
        whenEventsRun([&] {
            window->close();
            closed = true;
        });
        click(window.get(), skillNode(window.get(), QStringLiteral("Carpentry")));
    });

    const int code = QApplication::exec();
    disconnect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));

    QCOMPARE(code, 0);
    QVERIFY(closed);
    QVERIFY(!window->isVisible());
    QCOMPARE(browserText(window.get()), QStringLiteral("H:") +
                                            plainChairs(1, chairs, QStringLiteral("%N;")) +
                                            QStringLiteral(":E"));
    QVERIFY(dir->exists(QStringLiteral("config.cfg")));
}

QTEST_MAIN(ReportTest)
#include "tst_report.moc"
