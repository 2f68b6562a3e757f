#include "analysis/TextDecoding.h"
#include "analysis/TextRules.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

#include <cstring>
#include <optional>
#include <string>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// Holds bytes so that the last one sits just before an unreadable page: a read past the end
// faults at once instead of reading whatever follows by chance.
class Fenced {
public:
    Fenced() {
#ifdef Q_OS_UNIX
        m_Page = size_t(sysconf(_SC_PAGESIZE));
        void* base =
            mmap(nullptr, 2 * m_Page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED || mprotect(static_cast<char*>(base) + m_Page, m_Page, PROT_NONE))
            qFatal("cannot map a fenced page");
        m_Base = static_cast<char*>(base);
#else
        m_Page = 4096;
        m_Base = new char[m_Page];
#endif
    }
    ~Fenced() {
#ifdef Q_OS_UNIX
        munmap(m_Base, 2 * m_Page);
#else
        delete[] m_Base;
#endif
    }
    Fenced(const Fenced&) = delete;
    Fenced& operator=(const Fenced&) = delete;

    const char* Place(const void* data, size_t size) {
        if (size > m_Page) qFatal("fenced bytes too long");
        char* at = m_Base + m_Page - size;
        if (size) std::memcpy(at, data, size);
        return at;
    }
    const char* Place(QByteArrayView bytes) { return Place(bytes.data(), size_t(bytes.size())); }

private:
    size_t m_Page = 0;
    char* m_Base = nullptr;
};

// Strict UTF-8 straight from the table of well-formed byte sequences: each lead byte allows
// one range for the byte after it and 80..BF for the rest.
std::optional<std::u16string> ReferenceUtf8(QByteArrayView bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    std::u16string out;
    for (qsizetype i = 0; i < n;) {
        const unsigned c = b[i];
        unsigned lo = 0x80, hi = 0xBF;
        int length;
        if (c <= 0x7F) {
            length = 1;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            lo = c == 0xE0 ? 0xA0 : lo;
            hi = c == 0xED ? 0x9F : hi;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            lo = c == 0xF0 ? 0x90 : lo;
            hi = c == 0xF4 ? 0x8F : hi;
        } else {
            return std::nullopt;
        }
        if (i + length > n) return std::nullopt;
        char32_t cp = length == 1 ? c : c & (0x7Fu >> length);
        for (int k = 1; k < length; ++k) {
            const unsigned cc = b[i + k];
            if (cc < (k == 1 ? lo : 0x80) || cc > (k == 1 ? hi : 0xBF)) return std::nullopt;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp >= 0x10000) {
            out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += length;
    }
    return out;
}

QString Hex(QByteArrayView bytes) { return QString::fromLatin1(bytes.toByteArray().toHex(' ')); }
QString Hex(const std::u16string& text) {
    QString out;
    for (char16_t unit : text)
        out += QString::number(unit, 16).rightJustified(4, u'0') + u' ';
    return out.trimmed();
}

// Empty when both the checker and the decoder give what is expected (nullopt: not UTF-8), and
// the decoder writes nothing past its size; otherwise what went wrong.
QString Utf8Mismatch(Fenced& fence, QByteArrayView bytes,
                     const std::optional<std::u16string>& expected) {
    const char* data = fence.Place(bytes);
    const qsizetype size = bytes.size();
    const bool valid = IsValidUtf8(data, size);
    if (valid != expected.has_value())
        return u"IsValidUtf8 says %1 for %2"_s.arg(valid ? u"valid"_s : u"invalid"_s, Hex(bytes));

    constexpr char16_t Guard = 0xFEFE;
    std::u16string out(size_t(size) + 16, Guard);
    const qsizetype length = DecodeUtf8Strict(data, size, out.data());
    for (size_t i = size_t(size); i < out.size(); ++i)
        if (out[i] != Guard) return u"decoder wrote past its size for %1"_s.arg(Hex(bytes));
    if (!expected) return length == -1 ? QString() : u"decoder accepted %1"_s.arg(Hex(bytes));
    if (length < 0 || length > size)
        return u"decoder gave length %1 for %2"_s.arg(length).arg(Hex(bytes));
    out.resize(size_t(length));
    if (out != *expected)
        return u"decoder gave %1, not %2, for %3"_s.arg(Hex(out), Hex(*expected), Hex(bytes));
    return QString();
}

QByteArray AsciiRun(int length, char first = 'a') {
    QByteArray out;
    for (int i = 0; i < length; ++i)
        out += char(first + i % 26);
    return out;
}

std::u16string Widened(QByteArrayView ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Offsets around the first two sixteen-byte chunk edges and the eight-byte steps between.
constexpr int EdgeOffsets[] = {0, 1, 6, 7, 8, 9, 13, 14, 15, 16, 17, 18, 29, 30, 31, 32, 33};
// What follows a sequence: nothing (it ends the input), a little, or a chunk and more.
constexpr int TailLengths[] = {0, 1, 2, 15, 16, 17};

QByteArray RandomUtf8Piece(QRandomGenerator& rng, bool corrupt) {
    static const char32_t edges[] = {0x80,   0x7FF,  0x800,   0xD7FF,  0xE000,
                                     0xFFFD, 0xFFFF, 0x10000, 0x10FFFF};
    static const char tricky[] = "\x80\xBF\xC0\xC1\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xF8\xFF";
    auto codePoint = [&]() -> char32_t {
        switch (rng.bounded(4)) {
        case 0:
            return edges[rng.bounded(int(std::size(edges)))];
        case 1:
            return char32_t(rng.bounded(0x80, 0x800));
        case 2: {
            const char32_t cp = char32_t(rng.bounded(0x800, 0xF800));
            return cp >= 0xD800 ? cp + 0x800 : cp; // skip the surrogates
        }
        default:
            return char32_t(rng.bounded(0x10000, 0x110000));
        }
    };
    QByteArray bytes;
    switch (rng.bounded(corrupt ? 6 : 3)) {
    case 0: {
        const int length = rng.bounded(1, 40);
        for (int i = 0; i < length; ++i)
            bytes += char(rng.bounded(8) ? rng.bounded(0x20, 0x7F) : rng.bounded(0x80));
        break;
    }
    case 1:
    case 2: {
        const char32_t cp = codePoint();
        bytes = QString::fromUcs4(&cp, 1).toUtf8();
        break;
    }
    case 3:
        bytes += char(rng.bounded(256));
        break;
    case 4:
        bytes += tricky[rng.bounded(int(sizeof tricky) - 1)];
        break;
    default: { // a sequence cut short
        const char32_t cp = codePoint();
        bytes = QString::fromUcs4(&cp, 1).toUtf8();
        bytes.chop(rng.bounded(1, int(bytes.size())));
        break;
    }
    }
    return bytes;
}

qsizetype PlainFind(QStringView text, QStringView needle, qsizetype from) {
    for (qsizetype i = std::max<qsizetype>(from, 0); i + needle.size() <= text.size(); ++i)
        if (text.sliced(i, needle.size()) == needle) return i;
    return -1;
}

} // namespace

class TextDecodingTest : public QObject {
    Q_OBJECT

    Fenced fence;

private slots:
    void validUtf8AtChunkEdges() {
        // Pure ASCII of every length, so that some inputs end exactly on a chunk edge.
        for (int length = 0; length <= 64; ++length) {
            const QByteArray ascii = AsciiRun(length);
            const QString problem = Utf8Mismatch(fence, ascii, Widened(ascii));
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
        QByteArray controls(40, '\0');
        for (int i = 0; i < controls.size(); ++i)
            controls[i] = char(i % 2 ? 0x7F : i);
        QVERIFY2(Utf8Mismatch(fence, controls, Widened(controls)).isEmpty(), "NUL and DEL");

        struct Sequence {
            const char* Bytes;
            std::u16string Text;
        };
        const Sequence sequences[] = {
            {"\xC2\x80", u"\u0080"},
            {"\xDF\xBF", u"\u07FF"},
            {"\xC3\xA9", u"é"},
            {"\xE0\xA0\x80", u"\u0800"},
            {"\xE2\x82\xAC", u"€"},
            {"\xED\x9F\xBF", u"\uD7FF"},
            {"\xEE\x80\x80", u"\uE000"},
            {"\xEF\xBF\xBF", u"\uFFFF"},
            {"\xF0\x90\x80\x80", u"\U00010000"},
            {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
            {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"é€\U0001F600"}, // back to back
        };
        for (const Sequence& sequence : sequences) {
            for (int offset : EdgeOffsets) {
                for (int tail : TailLengths) {
                    const QByteArray head = AsciiRun(offset);
                    const QByteArray rest = AsciiRun(tail, 'A');
                    const QByteArray bytes = head + sequence.Bytes + rest;
                    const std::u16string text = Widened(head) + sequence.Text + Widened(rest);
                    const QString problem = Utf8Mismatch(fence, bytes, text);
                    QVERIFY2(problem.isEmpty(), qPrintable(problem));
                }
            }
        }
    }

    void malformedUtf8AtChunkEdges() {
        const char* const malformed[] = {
            // overlong forms
            "\xC0\x80",
            "\xC0\xAF",
            "\xC1\xBF",
            "\xE0\x80\x80",
            "\xE0\x9F\xBF",
            "\xF0\x80\x80\x80",
            "\xF0\x8F\xBF\xBF",
            // UTF-16 surrogates
            "\xED\xA0\x80",
            "\xED\xAD\xBF",
            "\xED\xAE\x80",
            "\xED\xB0\x80",
            "\xED\xBF\xBF",
            "\xED\xA0\xBD\xED\xB8\x80", // a surrogate pair spelled as two sequences
            // past U+10FFFF, and lead bytes no sequence starts with
            "\xF4\x90\x80\x80",
            "\xF4\xBF\xBF\xBF",
            "\xF5\x80\x80\x80",
            "\xF7\xBF\xBF\xBF",
            "\xF8\x88\x80\x80\x80",
            "\xFC\x84\x80\x80\x80\x80",
            "\xFE",
            "\xFF",
            // stray continuation bytes
            "\x80",
            "\xBF",
            "\x80\x80",
            "\xC3\xA9\xA9",
            "\xE2\x82\xAC\x80",
            // a lead byte followed by too few continuation bytes
            "\xC3",
            "\xE2\x82",
            "\xE2",
            "\xF0\x9F\x98",
            "\xF0\x9F",
            "\xF0",
            "\xF4\x8F\xBF",
            "\xC3\x41",
            "\xE2\x41\xAC",
            "\xE2\x82\x41",
            "\xF0\x9F\x41\x80",
            "\xF0\x9F\x98\x41",
            "\xC3\xC3\xA9",
        };
        // With no tail a cut sequence is cut by the end of the input; at the offsets just
        // before 16 and 32 it is cut at the end of a chunk with ASCII after it.
        for (const char* sequence : malformed) {
            for (int offset : EdgeOffsets) {
                for (int tail : TailLengths) {
                    const QByteArray bytes = AsciiRun(offset) + sequence + AsciiRun(tail, 'A');
                    const QString problem = Utf8Mismatch(fence, bytes, std::nullopt);
                    QVERIFY2(problem.isEmpty(), qPrintable(problem));
                }
            }
        }
    }

    void randomBytesAgreeWithTheReference() {
        QRandomGenerator rng(20240611);
        int valid = 0, invalid = 0;
        for (int round = 0; round < 30000; ++round) {
            // Most strings are built only of whole characters and ASCII runs; the rest mix
            // in single random bytes, awkward lead and continuation bytes, and cut sequences.
            const bool corrupt = rng.bounded(100) < 40;
            const int length = rng.bounded(201);
            QByteArray bytes;
            while (bytes.size() < length)
                bytes += RandomUtf8Piece(rng, corrupt);
            const std::optional<std::u16string> expected = ReferenceUtf8(bytes);
            (expected ? valid : invalid)++;
            if (expected) // the reference agrees with Qt wherever Qt is strict
                QCOMPARE(QString::fromUtf8(bytes), QString::fromStdU16String(*expected));
            const QString problem = Utf8Mismatch(fence, bytes, expected);
            QVERIFY2(problem.isEmpty(), qPrintable(u"round %1: "_s.arg(round) + problem));
        }
        // Both outcomes must be common for the comparison to mean anything.
        QVERIFY(valid > 10000);
        QVERIFY(invalid > 5000);
    }

    void windows1252AsWindowsAndQtDecodeIt() {
        // 0x80..0x9F as MultiByteToWideChar and Qt's windows-1252 decoder give them: the five
        // bytes the code page leaves unassigned keep their own value as C1 controls, so two
        // file names that differ only there stay apart and a name maps back to its bytes.
        static const char16_t high[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        QByteArray all(256, '\0');
        std::u16string expected(256, u'\0');
        for (int c = 0; c < 256; ++c) {
            all[c] = char(c);
            expected[size_t(c)] = c >= 0x80 && c < 0xA0 ? high[c - 0x80] : char16_t(c);
        }
        QStringDecoder qt("windows-1252");
        if (qt.isValid()) QCOMPARE(QString(qt.decode(all)), QString::fromStdU16String(expected));

        // Every byte at every place around the chunk edges, nothing written past the size.
        for (int offset : EdgeOffsets) {
            for (int tail : TailLengths) {
                const QByteArray bytes = AsciiRun(offset) + all + AsciiRun(tail, 'A');
                const std::u16string text =
                    Widened(AsciiRun(offset)) + expected + Widened(AsciiRun(tail, 'A'));
                const char* data = fence.Place(bytes);
                std::u16string out(size_t(bytes.size()) + 16, u'\xFEFE');
                QCOMPARE(DecodeWindows1252(data, bytes.size(), out.data()), bytes.size());
                const std::u16string want = text + std::u16string(16, u'\xFEFE');
                for (size_t i = 0; i < want.size(); ++i)
                    QVERIFY2(out[i] == want[i],
                             qPrintable(u"after %1 ASCII, unit %2 is %3, not %4"_s.arg(offset)
                                            .arg(i, 0, 10)
                                            .arg(Hex(out.substr(i, 1)), Hex(want.substr(i, 1)))));
            }
        }
    }

    void findAsciiAgreesWithAPlainSearch() {
        // The scan steps eight units at a time, so put the needle and a decoy of its first
        // character at every place around those steps, then try random texts.
        std::u16string text;
        for (QStringView needle : {u"=", u"at:", u"at: "}) {
            for (int length = 0; length <= 40; ++length) {
                for (int at = 0; at + needle.size() <= length; ++at) {
                    for (int decoy = -1; decoy < at; decoy += 3) {
                        text.assign(size_t(length), u'x');
                        std::copy_n(needle.utf16(), needle.size(), text.begin() + at);
                        if (decoy >= 0) text[size_t(decoy)] = needle[0].unicode();
                        const auto* placed = reinterpret_cast<const char16_t*>(
                            fence.Place(text.data(), text.size() * sizeof(char16_t)));
                        const QStringView view(placed, length);
                        for (qsizetype from : {-3, 0, decoy, at, at + 1, length, length + 1})
                            QCOMPARE(FindAscii(view, needle, from), PlainFind(view, needle, from));
                    }
                }
            }
        }
        QRandomGenerator rng(77);
        const char16_t alphabet[] = u"aaat: =xé";
        for (int round = 0; round < 20000; ++round) {
            auto randomText = [&](int length) {
                std::u16string out;
                for (int i = 0; i < length; ++i)
                    out += alphabet[rng.bounded(int(std::size(alphabet)) - 1)];
                return out;
            };
            text = randomText(rng.bounded(71));
            const std::u16string needle = randomText(rng.bounded(5));
            const auto* placed = reinterpret_cast<const char16_t*>(
                fence.Place(text.data(), text.size() * sizeof(char16_t)));
            const QStringView view(placed, qsizetype(text.size()));
            const qsizetype from = rng.bounded(-2, int(text.size()) + 3);
            QCOMPARE(FindAscii(view, needle, from), PlainFind(view, needle, from));

            // The same search in a line's bytes, the text as Latin-1 and the needle ASCII,
            // the bytes placed against a fence so that no read past their end goes unseen.
            const QByteArray bytes = QString::fromStdU16String(text).toLatin1();
            const QByteArray ascii =
                QString::fromStdU16String(needle).toLatin1().replace('\xE9', 'x');
            const QByteArrayView placed8(fence.Place(bytes), bytes.size());
            QCOMPARE(FindAscii(placed8, QLatin1StringView(ascii), from),
                     PlainFind(QString::fromLatin1(bytes), QString::fromLatin1(ascii), from));
        }
    }
};

QTEST_APPLESS_MAIN(TextDecodingTest)
#include "tst_TextDecoding.moc"
