#include "ControlsTestSupport.h"

#include "base/QuillanError.h"
#include "controls/LayoutText.h"
#include "controls/PropertyBag.h"
#include "controls/Twips.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPropertyBag : public QObject {
    Q_OBJECT

private slots:
    void DefaultsAreNotWrittenAndLoadBack() {
        PropertyBag bag;
        bag.WriteProperty(u"Caption"_s, u"HotCommand"_s, u"HotCommand"_s);
        bag.WriteProperty(u"Max"_s, qint32(100), qint32(100));
        QVERIFY(bag.IsEmpty());
        QCOMPARE(bag.ReadProperty(u"Caption"_s, u"HotCommand"_s), u"HotCommand"_s);

        bag.WriteProperty(u"Max"_s, qint32(7), qint32(100));
        QCOMPARE(bag.ReadProperty(u"mAX"_s, qint32(100)), 7);
        // Writing the default later removes the stale entry rather than keeping it.
        bag.WriteProperty(u"MAX"_s, qint32(100), qint32(100));
        QVERIFY(!bag.Contains(u"Max"_s));
    }

    void IntegerKindsConvertOtherKindsRefuse() {
        PropertyBag bag;
        bag.Set(u"Align"_s, qint32(3));
        bag.Set(u"Big"_s, qint32(70000));
        bag.Set(u"Color"_s, qint32(-2147483633));
        bag.Set(u"Caption"_s, u"x"_s);
        QCOMPARE(bag.ReadProperty(u"Align"_s, qint16(0)), qint16(3));
        QCOMPARE(bag.ReadProperty(u"Color"_s, OleColor{}), SysColor::ButtonFace);
        QVERIFY_THROWS_EXCEPTION(QuillanError, bag.ReadProperty(u"Big"_s, qint16(0)));
        try {
            bag.ReadProperty(u"Caption"_s, qint32(0));
            QFAIL("a text read as a number must raise");
        } catch (const QuillanError& error) {
            QCOMPARE(error.Number(), 13); // "Type mismatch"
            QCOMPARE(error.Source(), u"PropertyBag"_s);
        }
    }

    void TextRoundTrip() {
        QImage picture(3, 2, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        picture.setPixel(1, 1, qRgb(255, 0, 0));
        QFont tahoma(u"Tahoma"_s);
        tahoma.setPointSizeF(8.25);
        tahoma.setBold(true);
        tahoma.setUnderline(true);

        QList<StoredControl> layout(2);
        layout[0] = {u"Quillan.HotCommand"_s, u"cmdExit"_s, {}};
        layout[0].Properties.Set(u"BackColor"_s, RgbColor(0x80, 0, 0));
        layout[0].Properties.Set(u"ForeColor"_s, SysColor::ButtonText);
        layout[0].Properties.Set(u"Odd"_s, OleColor(0x01020304));
        layout[0].Properties.Set(u"Caption"_s, u"Say \"hi\"\\\n\tthen = go; # ü"_s);
        layout[0].Properties.Set(u"Font"_s, tahoma);
        layout[0].Properties.Set(u"Picture"_s, picture);
        layout[0].Properties.Set(u"Align"_s, qint16(-4));
        layout[0].Properties.Set(u"Cancel"_s, true);
        layout[1] = {u"Quillan.ucPBar"_s, u"PBar1"_s, {}};
        layout[1].Properties.Set(u"Min"_s, qint32(INT32_MIN));
        layout[1].Properties.Set(u"FontSize"_s, 8.25f);
        layout[1].Properties.Set(u"Enabled"_s, false);
        layout[1].Properties.Set(u"Caption"_s, QString());

        const QString text = WriteLayoutText(layout);
        const LayoutReadResult read = ReadLayoutText(text);
        QVERIFY2(read.Ok(), qPrintable(read.Error));
        QCOMPARE(read.Controls, layout);
        QCOMPARE(WriteLayoutText(read.Controls), text);
        QVERIFY(text.contains(u"BackColor:color = #800000"_s));
        QVERIFY(text.contains(u"ForeColor:color = system 18"_s));
    }

    void ReadsHandWrittenText() {
        const LayoutReadResult read = ReadLayoutText(u"; the window's buttons\r\n"
                                                     "\r\n"
                                                     "[Quillan.HotCommand cmdExit]\r\n"
                                                     "  BackColorHi:color = #800000  \r\n"
                                                     "Max:i32 = 0x8000000F\r\n"
                                                     "ForeColor : color = 0x80000012\r\n"_s);
        QVERIFY2(read.Ok(), qPrintable(read.Error));
        const StoredControl* exit = FindStoredControl(read.Controls, u"CMDEXIT"_s);
        QVERIFY(exit);
        QCOMPARE(exit->ClassName, u"Quillan.HotCommand"_s);
        // #RRGGBB is written red first; the colour value keeps red in its low byte.
        QCOMPARE(exit->Properties.ReadProperty(u"BackColorHi"_s, OleColor{}), OleColor(0x80));
        QCOMPARE(exit->Properties.ReadProperty(u"Max"_s, qint32(0)), qint32(0x8000000F));
        QCOMPARE(exit->Properties.ReadProperty(u"ForeColor"_s, OleColor{}), SysColor::ButtonText);
        QVERIFY(!FindStoredControl(read.Controls, u"PBar1"_s));
    }

    void ReportsTheFaultyLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("entry before any section") << u"Max:i32 = 1"_s << 1;
        QTest::newRow("header without name") << u"[Quillan.ucPBar]"_s << 1;
        QTest::newRow("unknown type") << u"[A b]\nMax:long = 1"_s << 2;
        QTest::newRow("bad boolean") << u"[A b]\nX:bool = yes"_s << 2;
        QTest::newRow("unterminated string") << u"[A b]\n\nX:str = \"abc"_s << 3;
        QTest::newRow("16 bits overflow") << u"[A b]\nX:i16 = 40000"_s << 2;
        QTest::newRow("bad font flag") << u"[A b]\nX:font = \"Tahoma\" 8 heavy"_s << 2;
        QTest::newRow("bad picture") << u"[A b]\nX:picture = png:AAAA"_s << 2;
    }

    void ReportsTheFaultyLine() {
        QFETCH(QString, text);
        QFETCH(int, line);
        const LayoutReadResult read = ReadLayoutText(text);
        QVERIFY(!read.Ok());
        QCOMPARE(read.ErrorLine, line);
        QVERIFY(read.Controls.isEmpty());
    }

    void ColoursResolveAgainstThePalette() {
        QCOMPARE(ResolveColor(OleColor(0x00336699), QPalette()), QColor(0x99, 0x66, 0x33));
        QPalette palette;
        palette.setColor(QPalette::Active, QPalette::Highlight, Qt::red);
        palette.setColor(QPalette::Active, QPalette::Button, Qt::green);
        palette.setColor(QPalette::Active, QPalette::Dark, Qt::blue);
        palette.setColor(QPalette::Active, QPalette::Light, Qt::yellow);
        palette.setColor(QPalette::Active, QPalette::ButtonText, Qt::cyan);
        QCOMPARE(ResolveColor(SysColor::ActiveCaption, palette), QColor(Qt::red));
        QCOMPARE(ResolveColor(SysColor::ButtonFace, palette), QColor(Qt::green));
        QCOMPARE(ResolveColor(SysColor::ButtonShadow, palette), QColor(Qt::blue));
        QCOMPARE(ResolveColor(SysColor::ButtonHighlight, palette), QColor(Qt::yellow));
        QCOMPARE(ResolveColor(SysColor::ButtonText, palette), QColor(Qt::cyan));
        QCOMPARE(ResolveColor(OleColor(0x80000099), palette), QColor(Qt::black));
    }

    void TwipsLandOnDevicePixels() {
        QCOMPARE(Twips::ToDevicePixels(15, 1), 1);
        QCOMPARE(Twips::ToDevicePixels(15, 2), 2);
        QCOMPARE(Twips::ToDevicePixels(7.5, 2), 1);
        QCOMPARE(Twips::ToSnappedPixels(22.5, 2), 1.5);
        QCOMPARE(Twips::ToSnappedPixels(22.5, 1), 2.0);
        QCOMPARE(Twips::ToDevicePixels(1e15, 2), 1000000000); // no overflow on a huge bar
    }
};

QTEST_MAIN(TestPropertyBag)
#include "tst_PropertyBag.moc"
