#include "platform/WineRegistry.h"
#include "platform/WineSettingsReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// As Wine writes it: escaped backslashes, \x for non-ASCII, str(2): for REG_EXPAND_SZ.
const QString UserReg =
    QString::fromUtf8("WINE REGISTRY Version 2\n"
                      ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
                      "\n"
                      "#arch=win64\n"
                      "\n"
                      "[Software\\\\Headlight\\\\GetRight\\\\Config] 1700000000\n"
                      "#time=1da0000000000000\n"
                      "\"Expand\"=str(2):\"%USERPROFILE%\\\\getright.log\"\n"
                      "\"LogFile\"=\"C:\\\\Program Files\\\\GetRight\\\\getright.log\"\n"
                      "\"Number\"=dword:00000001\n"
                      "\"Quoted\"=\"say \\\"hi\\\"\\tthere\"\n"
                      "\"Unicode\"=\"C:\\\\Users\\\\J\\x00f6rg\\\\log\\x4e2d.log\"\n"
                      "\"Truncated\"=\"abc\\0def\"\n"
                      "@=\"the default\"\n"
                      "\n"
                      "[Software\\\\Headlight\\\\GetRight\\\\Other] 1700000000\n"
                      "\"LogFile\"=\"wrong key\"\n");

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class tst_WineRegistry : public QObject {
    Q_OBJECT

private slots:
    void readsOnlyPlainStringsUnescaped() {
        const QString key = u"Software\\Headlight\\GetRight\\Config\\"_s;
        QCOMPARE(WineRegistry::ReadString(UserReg, key, u"LogFile"),
                 u"C:\\Program Files\\GetRight\\getright.log"_s);
        // Names compare without regard to case, and so do keys.
        QCOMPARE(
            WineRegistry::ReadString(UserReg, u"software\\HEADLIGHT\\getright\\config", u"logfile"),
            u"C:\\Program Files\\GetRight\\getright.log"_s);
        QCOMPARE(WineRegistry::ReadString(UserReg, key, u"Quoted"), u"say \"hi\"\tthere"_s);
        QCOMPARE(WineRegistry::ReadString(UserReg, key, u"Unicode"),
                 u"C:\\Users\\J\u00f6rg\\log\u4e2d.log"_s);
        QCOMPARE(WineRegistry::ReadString(UserReg, key, u"Truncated"), u"abc"_s);
        QCOMPARE(WineRegistry::ReadString(UserReg, key, u"@"), u"the default"_s);
        QCOMPARE(
            WineRegistry::ReadString(UserReg, u"Software\\Headlight\\GetRight\\Other", u"LogFile"),
            u"wrong key"_s);
        // REG_EXPAND_SZ, a number, a missing value and a missing key give nothing.
        QCOMPARE(WineRegistry::ReadString(UserReg, key, u"Expand"), std::nullopt);
        QCOMPARE(WineRegistry::ReadString(UserReg, key, u"Number"), std::nullopt);
        QCOMPARE(WineRegistry::ReadString(UserReg, key, u"Missing"), std::nullopt);
        QCOMPARE(WineRegistry::ReadString(UserReg, u"Software\\Nobody", u"LogFile"), std::nullopt);
    }

    void unescapesEveryForm() {
        QCOMPARE(WineRegistry::Unescape(u"a\\\\b\\\"c\\n\\r\\e"), u"a\\b\"c\n\r\x1b"_s);
        QCOMPARE(WineRegistry::Unescape(u"\\x41\\x4e2dZ\\101\\0"),
                 QString(u"A\u4e2dZA"_s + QChar(0)));
        // At most four hex digits make one unit; the rest is text.
        QCOMPARE(WineRegistry::Unescape(u"\\x00e9ab"), u"\u00e9ab"_s);
    }

    void mapsWindowsPathsThroughDriveLinks() {
        QTemporaryDir prefix;
        const QString root = prefix.path();
        Write(root + u"/drive_c/Program Files/GetRight/getright.log"_s, "x");
        QDir(root).mkpath(u"dosdevices"_s);
        QVERIFY(QFile::link(u"../drive_c"_s, root + u"/dosdevices/c:"_s));
        const QString expected =
            QFileInfo(root + u"/drive_c/Program Files/GetRight/getright.log"_s).canonicalFilePath();
        QCOMPARE(WineRegistry::ToLinuxPath(root, u"C:\\Program Files\\GetRight\\getright.log"_s),
                 expected);
        // Wine finds names whatever their case; so does the mapping.
        QCOMPARE(WineRegistry::ToLinuxPath(root, u"c:\\PROGRAM FILES\\getright\\GetRight.LOG"_s),
                 expected);
        // A drive with no link, and a path that is no drive path, come back unchanged.
        QCOMPARE(WineRegistry::ToLinuxPath(root, u"Q:\\x.log"_s), u"Q:\\x.log"_s);
        QCOMPARE(WineRegistry::ToLinuxPath(root, u"   "_s), u"   "_s);
    }

    void readerUsesThePrefixUserReg() {
        QTemporaryDir prefix;
        const QString root = prefix.path();
        Write(root + u"/user.reg"_s, UserReg.toUtf8());
        Write(root + u"/drive_c/Program Files/GetRight/getright.log"_s, "x");
        const WineSettingsReader reader(root);
        const QString config = u"Software\\Headlight\\GetRight\\Config\\"_s;
        const std::optional<QString> got =
            reader.ReadString(RootKeys::CurrentUser, config, u"LogFile"_s);
        // No dosdevices links: drive C: is still the prefix's drive_c.
        QCOMPARE(got.value_or(QString()),
                 QFileInfo(root + u"/drive_c/Program Files/GetRight/getright.log"_s)
                     .canonicalFilePath());
        QCOMPARE(reader.ReadString(RootKeys::CurrentUser, config, u"Expand"_s), std::nullopt);
        // No prefix at all gives nothing.
        const WineSettingsReader nowhere(root + u"/missing"_s);
        QCOMPARE(nowhere.ReadString(RootKeys::CurrentUser, config, u"LogFile"_s), std::nullopt);
    }

    void prefixComesFromTheEnvironment() {
        qputenv("WINEPREFIX", "/somewhere/prefix");
        QCOMPARE(WineRegistry::DefaultPrefix(), u"/somewhere/prefix"_s);
        qunsetenv("WINEPREFIX");
        QCOMPARE(WineRegistry::DefaultPrefix(), QDir::homePath() + u"/.wine"_s);
    }
};

QTEST_APPLESS_MAIN(tst_WineRegistry)
#include "tst_WineRegistry.moc"
