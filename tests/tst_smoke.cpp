#include "testsupport.h"

#include "app/tavrel.h"
#include "settings/changedir.h"
#include "winstate/widgetsettings.h"

#include <QAction>
#include <QMetaMethod>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <QTextBrowser>
#include <QTreeWidget>

class Smoke : public QObject
{
    Q_OBJECT
private slots:
    void metaObjects()
    {
        auto list = [](const QMetaObject &mo) {
            QStringList l;
            for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
                l << QString::fromLatin1(mo.method(i).methodSignature()) + " " + mo.method(i).typeName();
            return l;
        };
        qDebug() << list(Tavrel::staticMetaObject);
        qDebug() << list(ChangeDir::staticMetaObject);
        qDebug() << list(QWidgetSettings::staticMetaObject);
        qDebug() << QString("%1 %2").arg("X").arg(51.1, 0, 'g', -1, ' ') << QString::number(100.0, 'g', 6);
    }
    void loadWorkedExample()
    {
        WorkingDirectory wd;
        wd.write("a/one.scp", "[itemdef i_a]\nname=A\nresources=2 i_b, i_zz\nskillmake=Carpentry 100, alchimy 51.1\n[itemdef i_b]\ntype=x\n");
        wd.write("a/two.scp", "[ITEMDEF i_c]\nskillmake=50 tailoring\n[other x]\nk=v\n");
        wd.write("a/three.scp", "[itemdef i_d]\ndefname=i_d\n[itemdef i_e]\nname=E%\n");
        wd.write("b/four.scp", "[x]\ny=1\n");
        wd.write("config.cfg", "[Settings]\nDirs=a, b\n");
        auto w = startWindow();
        QProgressDialog *seen = nullptr;
        int maxv = 0, finalv = 0;
        QTimer t; t.setInterval(0);
        QObject::connect(&t, &QTimer::timeout, [&] { auto *p = w->findChild<QProgressDialog*>(); if (p) { seen = p; maxv = p->maximum(); finalv = p->value(); } });
        t.start();
        findAction(w.get(), "Open")->trigger();
        t.stop();
        qDebug() << maxv << finalv;
        qDebug().noquote() << treeLines(fileTree(w.get())).join("\n");
        qDebug().noquote() << treeLines(skillTree(w.get())).join("\n");
        qDebug().noquote() << textBrowser(w.get())->toPlainText();
        QList<SI_item*> r;
        QVERIFY(QMetaObject::invokeMethod(w.get(), "FindSI", Q_RETURN_ARG(QList<SI_item*>, r), Q_ARG(QString, "global_type")));
        for (auto *i : r) qDebug() << i->defname << i->name << i->resources << i->skillmake;
        skillTree(w.get())->setCurrentItem(nullptr);
        emit skillTree(w.get())->itemClicked(skillTree(w.get())->topLevelItem(0), 0);
        qDebug().noquote() << textBrowser(w.get())->toPlainText();
        closeWindow(w);
        qDebug().noquote() << wd.read("config.cfg") << wd.read("win_config.cfg");
    }
};
QTEST_MAIN(Smoke)
#include "tst_smoke.moc"
