// SPDX-License-Identifier: MIT
#include "testsupport.h"
#include "winstate/widgetsettings.h"

#include <QDir>
#include <QLabel>
#include <QMetaMethod>
#include <QPointer>
#include <QSettings>
#include <QSplitter>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

QByteArray section(const QString &name, const QByteArray &keys)
{
    return "[" + name.toUtf8() + "]\n" + keys;
}

// A splitter with two panes, laid out so that its sizes mean something.
std::unique_ptr<QSplitter> splitterNamed(const QString &name)
{
    auto splitter = std::make_unique<QSplitter>(Qt::Horizontal);
    splitter->setObjectName(name);
    splitter->addWidget(new QLabel(QStringLiteral("left")));
    splitter->addWidget(new QLabel(QStringLiteral("right")));
    splitter->resize(300, 100);
    splitter->show();
    return splitter;
}

} // namespace

class WidgetSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void restore_withoutFile_usesDefaults();
    void restore_sectionWithOneKey_defaultsTheOther_data();
    void restore_sectionWithOneKey_defaultsTheOther();
    void save_writesSizeAndPosUnderObjectName();
    void save_thenRestore_givesSameGeometry();
    void nullSplitter_returnsFalseAndLeavesFileUntouched();
    void splitter_saveThenRestore_givesSameSizes();
    void splitter_withoutSavedState_staysUnchanged();
    void emptyWidgetList_changesNoWidgetButSyncs();
    void loadStatesWithoutWidget_syncsPendingChanges();
    void slotsCallableThroughMetaObject();
    void secondStore_becomesCurrent_firstStaysAlive();
    void deletingCurrentStore_accessorGivesFreshStore();
    void accessorWithoutStore_createsFilelessStore();

private:
    std::unique_ptr<WorkingDirectory> dir;
};

void WidgetSettingsTest::init()
{
    dir = std::make_unique<WorkingDirectory>();
}

void WidgetSettingsTest::cleanup()
{
    dir.reset();
}

void WidgetSettingsTest::restore_withoutFile_usesDefaults()
{
    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    QWidget widget;
    widget.setObjectName(QStringLiteral("SomeWindow"));
    widget.resize(250, 150);
    widget.move(10, 20);

    QVERIFY(store.LoadStates(&widget));

    QCOMPARE(widget.size(), QSize(400, 400));
    QCOMPARE(widget.pos(), QPoint(200, 200));
    QVERIFY(!dir->exists(QStringLiteral("win_config.cfg")));
}

void WidgetSettingsTest::restore_sectionWithOneKey_defaultsTheOther_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("pos");

    QTest::newRow("size only") << QByteArray("size=@Size(320 240)\n") << QSize(320, 240)
                               << QPoint(200, 200);
    QTest::newRow("pos only") << QByteArray("pos=@Point(30 40)\n") << QSize(400, 400)
                              << QPoint(30, 40);
    QTest::newRow("both") << QByteArray("pos=@Point(30 40)\nsize=@Size(320 240)\n")
                          << QSize(320, 240) << QPoint(30, 40);
    QTest::newRow("other keys only")
        << QByteArray("geometry=@ByteArray(x)\n") << QSize(400, 400) << QPoint(200, 200);
}

void WidgetSettingsTest::restore_sectionWithOneKey_defaultsTheOther()
{
    QFETCH(QByteArray, keys);
    QFETCH(QSize, size);
    QFETCH(QPoint, pos);
    dir->write(QStringLiteral("win_config.cfg"), section(QStringLiteral("SomeWindow"), keys));

    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    QWidget widget;
    widget.setObjectName(QStringLiteral("SomeWindow"));
    widget.resize(100, 100);
    widget.move(0, 0);
    QVERIFY(store.LoadStates(&widget));

    QCOMPARE(widget.size(), size);
    QCOMPARE(widget.pos(), pos);
}

void WidgetSettingsTest::save_writesSizeAndPosUnderObjectName()
{
    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    QWidget widget;
    widget.setObjectName(QStringLiteral("SomeWindow"));
    widget.resize(310, 220);
    widget.move(15, 25);

    QVERIFY(store.SaveStates(&widget));

    // Written before the call returns, without the event loop.
    const QString text = QString::fromUtf8(dir->read(QStringLiteral("win_config.cfg")));
    QVERIFY2(text.contains(QLatin1String("[SomeWindow]")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("size=@Size(310 220)")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("pos=@Point(15 25)")), qPrintable(text));
    QSettings file(QStringLiteral("./win_config.cfg"), QSettings::IniFormat);
    QCOMPARE(file.childGroups(), QStringList{QStringLiteral("SomeWindow")});
    file.beginGroup(QStringLiteral("SomeWindow"));
    QStringList keys = file.childKeys();
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("pos"), QStringLiteral("size")}));
}

void WidgetSettingsTest::save_thenRestore_givesSameGeometry()
{
    {
        QWidgetSettings store(QStringLiteral("./win_config.cfg"));
        QWidget first;
        first.setObjectName(QStringLiteral("First"));
        first.resize(333, 222);
        first.move(44, 55);
        QWidget second;
        second.setObjectName(QStringLiteral("Second"));
        second.resize(210, 260);
        second.move(120, 90);
        store.SaveStates(&first);
        store.SaveStates(&second);
    }
    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    QWidget first;
    first.setObjectName(QStringLiteral("First"));
    QWidget second;
    second.setObjectName(QStringLiteral("Second"));
    store.LoadStates(&first);
    store.LoadStates(&second);
    QCOMPARE(first.size(), QSize(333, 222));
    QCOMPARE(first.pos(), QPoint(44, 55));
    QCOMPARE(second.size(), QSize(210, 260));
    QCOMPARE(second.pos(), QPoint(120, 90));
}

void WidgetSettingsTest::nullSplitter_returnsFalseAndLeavesFileUntouched()
{
    const QByteArray content = section(QStringLiteral("Kept"), "size=@Size(320 240)\n");
    dir->write(QStringLiteral("win_config.cfg"), content);
    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    // A pending change would reach the file with any sync.
    store.setValue(QStringLiteral("Pending/key"), 1);

    QCOMPARE(store.LoadStates(static_cast<QSplitter *>(nullptr)), false);
    QCOMPARE(store.SaveStates(static_cast<QSplitter *>(nullptr)), false);

    QCOMPARE(dir->read(QStringLiteral("win_config.cfg")), content);
}

void WidgetSettingsTest::splitter_saveThenRestore_givesSameSizes()
{
    QList<int> saved;
    {
        QWidgetSettings store(QStringLiteral("./win_config.cfg"));
        auto splitter = splitterNamed(QStringLiteral("panes"));
        splitter->setSizes({70, 223});
        saved = splitter->sizes();
        QVERIFY(store.SaveStates(splitter.get()));
    }
    QVERIFY(dir->read(QStringLiteral("win_config.cfg")).contains("[panes]"));
    QVERIFY(dir->read(QStringLiteral("win_config.cfg")).contains("geometry="));

    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    auto splitter = splitterNamed(QStringLiteral("panes"));
    QVERIFY(splitter->sizes() != saved);
    QVERIFY(store.LoadStates(splitter.get()));
    QCOMPARE(splitter->sizes(), saved);
}

void WidgetSettingsTest::splitter_withoutSavedState_staysUnchanged()
{
    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    auto splitter = splitterNamed(QStringLiteral("panes"));
    splitter->setSizes({100, 193});
    const QList<int> before = splitter->sizes();

    QVERIFY(store.LoadStates(splitter.get()));

    QCOMPARE(splitter->sizes(), before);
}

void WidgetSettingsTest::emptyWidgetList_changesNoWidgetButSyncs()
{
    dir->write(QStringLiteral("win_config.cfg"),
               section(QStringLiteral("SomeWindow"), "pos=@Point(30 40)\nsize=@Size(320 240)\n"));
    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    QWidget widget;
    widget.setObjectName(QStringLiteral("SomeWindow"));
    widget.resize(150, 160);
    widget.move(5, 6);
    store.setValue(QStringLiteral("Pending/key"), 7);

    QVERIFY(store.SaveStates());

    QCOMPARE(widget.size(), QSize(150, 160));
    QCOMPARE(widget.pos(), QPoint(5, 6));
    const QByteArray text = dir->read(QStringLiteral("win_config.cfg"));
    QVERIFY2(text.contains("[Pending]"), text.constData());
    QVERIFY2(text.contains("size=@Size(320 240)"), text.constData());

    QVERIFY(store.LoadStates());
    QCOMPARE(widget.size(), QSize(150, 160));
    QCOMPARE(widget.pos(), QPoint(5, 6));
}

void WidgetSettingsTest::loadStatesWithoutWidget_syncsPendingChanges()
{
    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    store.setValue(QStringLiteral("Pending/key"), 7);
    QVERIFY(!dir->exists(QStringLiteral("win_config.cfg")));

    QVERIFY(store.LoadStates());

    QVERIFY(dir->read(QStringLiteral("win_config.cfg")).contains("[Pending]"));
}

void WidgetSettingsTest::slotsCallableThroughMetaObject()
{
    QWidgetSettings store(QStringLiteral("./win_config.cfg"));
    QWidget widget;
    widget.setObjectName(QStringLiteral("SomeWindow"));
    widget.resize(150, 160);

    bool result = false;
    QVERIFY(QMetaObject::invokeMethod(&store, "LoadStates", Q_RETURN_ARG(bool, result),
                                      Q_ARG(QWidget *, &widget)));
    QVERIFY(result);
    QCOMPARE(widget.size(), QSize(400, 400));

    result = true;
    QVERIFY(QMetaObject::invokeMethod(&store, "SaveStates", Q_RETURN_ARG(bool, result),
                                      Q_ARG(QSplitter *, nullptr)));
    QVERIFY(!result);

    QWidgetSettings *current = nullptr;
    QVERIFY(QMetaObject::invokeMethod(&store, "WidgetSettings",
                                      Q_RETURN_ARG(QWidgetSettings *, current)));
    QCOMPARE(current, &store);
    QVERIFY(qobject_cast<QWidgetSettings *>(static_cast<QObject *>(&store)));
    QVERIFY(store.inherits("QWidgetSettings"));
    QCOMPARE(store.format(), QSettings::IniFormat);
    QVERIFY(!store.parent());
}

void WidgetSettingsTest::secondStore_becomesCurrent_firstStaysAlive()
{
    QPointer<QWidgetSettings> first = new QWidgetSettings(QStringLiteral("./first.cfg"));
    QCOMPARE(QWidgetSettings::WidgetSettings(), first.data());
    QPointer<QWidgetSettings> second = new QWidgetSettings(QStringLiteral("./second.cfg"));

    QCOMPARE(QWidgetSettings::WidgetSettings(), second.data());
    QVERIFY(!first.isNull());
    QWidget widget;
    widget.setObjectName(QStringLiteral("SomeWindow"));
    QVERIFY(first->SaveStates(&widget));
    QVERIFY(dir->exists(QStringLiteral("first.cfg")));
    QVERIFY(!dir->exists(QStringLiteral("second.cfg")));

    delete second;
    delete first;
}

void WidgetSettingsTest::deletingCurrentStore_accessorGivesFreshStore()
{
    auto *older = new QWidgetSettings(QStringLiteral("./older.cfg"));
    auto *current = new QWidgetSettings(QStringLiteral("./win_config.cfg"));
    QCOMPARE(QWidgetSettings::WidgetSettings(), current);
    delete current;

    QWidgetSettings *fresh = QWidgetSettings::WidgetSettings();
    QVERIFY(fresh);
    QVERIFY(fresh != older);
    QCOMPARE(fresh->fileName(), QString());
    QCOMPARE(QWidgetSettings::WidgetSettings(), fresh);
    QWidget widget;
    widget.setObjectName(QStringLiteral("SomeWindow"));
    QVERIFY(fresh->SaveStates(&widget));
    QVERIFY(fresh->LoadStates(&widget));

    delete fresh;
    delete older;
}

void WidgetSettingsTest::accessorWithoutStore_createsFilelessStore()
{
    QWidgetSettings *store = QWidgetSettings::WidgetSettings();
    QVERIFY(store);
    QCOMPARE(QWidgetSettings::WidgetSettings(), store);

    QWidget widget;
    widget.setObjectName(QStringLiteral("SomeWindow"));
    widget.resize(250, 150);
    widget.move(10, 20);
    QVERIFY(store->SaveStates(&widget));
    delete store;

    QWidget other;
    other.setObjectName(QStringLiteral("SomeWindow"));
    QVERIFY(QWidgetSettings::WidgetSettings()->LoadStates(&other));
    QCOMPARE(other.size(), QSize(400, 400));
    QCOMPARE(other.pos(), QPoint(200, 200));
    delete QWidgetSettings::WidgetSettings();
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
}

QTEST_MAIN(WidgetSettingsTest)
#include "tst_widgetsettings.moc"
