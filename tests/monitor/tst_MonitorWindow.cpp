#include "MonitorFakes.h"
#include "TestSupport.h"

#include "shell/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

// The monitor as the window drives it: the box, the clock, the label and the pass.
class tst_MonitorWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(u"en_US"_s)); }

    void monitorsWhileTickedAndNotesAChangedLog() {
        const QString log = TestSupport::WriteFile(dir, u"getright.log"_s,
                                                   "12/31/01 10:00:00 File: http://x/a.zip\r\n");

        auto feed = std::make_shared<ScriptedFeed>(
            std::vector<std::optional<QString>>{u"a.zip|2048|50|x|y"_s, u"b.exe|1|75%|"_s});
        ShellPlatform platform = ShellPlatform::Headless();
        platform.Feed = feed;
        frmMain w(platform);
        w.Form_Load();
        w.show();
        auto* chk = qobject_cast<QCheckBox*>(w.Element(u"chkMonitor"_s));
        auto* box = qobject_cast<QPlainTextEdit*>(w.Element(u"txtGetright"_s));
        auto* label = qobject_cast<QLabel*>(w.Element(u"lblLogChanged"_s));
        auto* text1 = qobject_cast<QLineEdit*>(w.Element(u"Text1"_s));
        QVERIFY(chk && box && label && text1);

        w.OpenLog(log);
        QVERIFY(label->isHidden());
        chk->setChecked(true);
        QCOMPARE(feed->Opened, 1);
        QTRY_VERIFY_WITH_TIMEOUT(!feed->Asked.empty(), 2500);
        QCOMPARE(box->toPlainText().replace(u"\r"_s, QString()), u"a.zip: 50\nb.exe: 75%\n"_s);
        QCOMPARE(text1->text(), u"b.exe|1|75%|"_s);
        QVERIFY(text1->isHidden());

        QVERIFY(Touch(log, 5));
        w.Timer1_Timer();
        QVERIFY(!label->isHidden());

        // The pass turns monitoring off and back on, keeping the feed; the load hides the
        // label.
        w.OpenLog(log);
        QVERIFY(label->isHidden());
        QVERIFY(chk->isChecked());
        QCOMPARE(feed->Closed, 0);
        QCOMPARE(feed->Opened, 2);

        chk->setChecked(false);
        QCOMPARE(box->toPlainText(), MonitorTexts::NotMonitoring);
        const size_t asked = feed->Asked.size();
        QTest::qWait(1300);
        QCOMPARE(feed->Asked.size(), asked);
    }

    // A long list can be read: the box takes no input but scrolls by its bar and the wheel,
    // in the colours it has always had.
    void aLongListScrolls() {
        std::vector<std::optional<QString>> replies;
        for (int i = 1; i <= 25; ++i)
            replies.push_back(u"file%1.zip|2048|%1%|x"_s.arg(i));
        auto feed = std::make_shared<ScriptedFeed>(std::move(replies));
        ShellPlatform platform = ShellPlatform::Headless();
        platform.Feed = feed;
        frmMain w(platform);
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* chk = qobject_cast<QCheckBox*>(w.Element(u"chkMonitor"_s));
        auto* box = qobject_cast<QPlainTextEdit*>(w.Element(u"txtGetright"_s));
        const QString log = TestSupport::WriteFile(dir, u"long.log"_s,
                                                   "12/31/01 10:00:00 File: http://x/a.zip\r\n");
        w.OpenLog(log);
        chk->setChecked(true);
        w.Timer1_Timer();
        QVERIFY(box->toPlainText().startsWith(u"file1.zip: 1%"_s));

        QVERIFY(box->isEnabled());
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->textInteractionFlags(), Qt::NoTextInteraction);
        QCOMPARE(box->focusPolicy(), Qt::NoFocus);
        QCOMPARE(box->palette().color(QPalette::Active, QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(box->palette().color(QPalette::Active, QPalette::Text), QColor(0x70, 0x70, 0x70));
        QScrollBar* bar = box->verticalScrollBar();
        QVERIFY(bar->isEnabled());
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
        const QPoint middle = box->viewport()->rect().center();
        QWheelEvent wheel(middle, box->viewport()->mapToGlobal(middle), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box->viewport(), &wheel);
        QVERIFY(bar->value() > 0);
        // Typing changes nothing.
        const QString before = box->toPlainText();
        QTest::keyClicks(box, u"typed"_s);
        QCOMPARE(box->toPlainText(), before);
    }
};

QTEST_MAIN(tst_MonitorWindow)
#include "tst_MonitorWindow.moc"
