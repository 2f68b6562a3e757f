#include "shell/WindowLayout.h"

#include "shell/frmMainControls.h"

#include <QSet>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

class tst_WindowLayout : public QObject {
    Q_OBJECT

private slots:
    // The layout resource the program ships holds every element the window works with, of
    // the class its member wants: a missing or misspelt element fails here, not at a user's
    // start-up.
    void storedLayoutFillsEveryMember() {
        QWidget form;
        const QHash<QString, QWidget*> built = WindowLayout::Build(&form, WindowLayout::Stored());
        frmMainControls controls;
        const QStringList problems = WindowLayout::Bind(built, controls);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_s)));
        QSet<const QWidget*> seen;
        for (const frmMainControls::Binding& b : frmMainControls::Bindings()) {
            const QString name = b.Name.toString();
            const QWidget* w = b.Get(controls);
            QVERIFY2(w, qPrintable(name + u" is not bound"_s));
            QCOMPARE(w->objectName(), name);
            QVERIFY2(w->metaObject()->inherits(b.Kind), qPrintable(name));
            QVERIFY2(!seen.contains(w), qPrintable(name + u" is bound twice"_s));
            seen.insert(w);
        }
    }

    void missingOrWrongElementsAreNamed() {
        QList<StoredControl> layout = WindowLayout::Stored();
        layout.removeIf([](const StoredControl& c) { return c.Name == u"cmdExit"; });
        for (StoredControl& c : layout) {
            if (c.Name == u"txtSearch") c.ClassName = u"VB.Label"_s;
            if (c.Name == u"lblStatTxt(3)") c.Name = u"lblStatTxt(9)"_s;
        }
        QWidget form;
        frmMainControls controls;
        const QStringList problems =
            WindowLayout::Bind(WindowLayout::Build(&form, layout), controls);
        QCOMPARE(problems, QStringList({u"txtSearch is a QLabel, not a QLineEdit"_s,
                                        u"no element lblStatTxt(3) (wanted a QLabel)"_s,
                                        u"no element cmdExit (wanted a HotCommand)"_s}));
        // What fits is bound; what does not stays empty.
        QVERIFY(controls.cmdReRead && controls.lblStatTxt[2]);
        QVERIFY(!controls.cmdExit && !controls.txtSearch && !controls.lblStatTxt[3]);
    }
};

QTEST_MAIN(tst_WindowLayout)
#include "tst_WindowLayout.moc"
