#include "base/AsciiCase.h"
#include "base/ChunkedArray.h"
#include "base/MixedText.h"
#include "base/OpenIndex.h"
#include "base/QuillanError.h"
#include "base/Relay.h"
#include "base/Slabs.h"

#include <QTest>

#include <cstring>
#include <map>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Items keep their keys; the index is told which slot holds which key. With a few hash
// values every probe meets collisions; with all of them keys spread over the cells.
struct Keyed {
    std::vector<QString> Keys;
    OpenIndex<quint32> Index;
    quint32 HashValues = 5;

    quint32 HashOf(const QString& key) const {
        const quint32 hash = quint32(qHash(key));
        return HashValues ? hash % HashValues : hash;
    }
    auto Holds(const QString& key) const {
        return [this, key](quint32 slot) { return Keys[slot] == key; };
    }
    quint32 Find(const QString& key) const { return Index.Find(HashOf(key), Holds(key)); }
    bool Erase(const QString& key) { return Index.Erase(HashOf(key), Holds(key)); }
    // Files the key under a new slot unless it is filed already.
    bool Add(const QString& key) {
        const qsizetype place = Index.Claim(HashOf(key), Holds(key));
        if (place < 0) return false;
        Keys.push_back(key);
        Index.File(place, HashOf(key), quint32(Keys.size() - 1));
        return true;
    }
};

struct Numbers {
    std::vector<int> Items;
    void Clear() { Items.clear(); }
};

// Numbers 1 to `last` in batches of five; the maker fails just after `failAfter`, if set.
// What the taker saw, in order, goes to seen.
std::vector<int> Relayed(int last, int failAfter = 0, int takerFailsAt = 0,
                         std::vector<int>* seenSoFar = nullptr) {
    Relay<Numbers, 3> relay;
    std::vector<int> own;
    std::vector<int>& seen = seenSoFar ? *seenSoFar : own;
    const bool ran = relay.Run(
        [&] {
            for (int n = 1; n <= last; ++n) {
                Numbers& batch = relay.Filling();
                batch.Items.push_back(n);
                if (n == failAfter) throw std::runtime_error("maker failed");
                if (batch.Items.size() == 5) relay.Publish();
            }
        },
        [&](const Numbers& batch) {
            for (const int n : batch.Items) {
                if (n == takerFailsAt) throw std::logic_error("taker failed");
                seen.push_back(n);
            }
        });
    if (!ran) throw std::runtime_error("no thread");
    return seen;
}

} // namespace

class tst_Base : public QObject {
    Q_OBJECT

private slots:
    void asciiCase() {
        // The neighbours of the letter ranges differ from letters by 0x20 too; they stay.
        for (const char16_t c : {u'@', u'[', u'`', u'{', u'0', u'~', u'\0'}) {
            QCOMPARE(AsciiLower(c), c);
            QCOMPARE(AsciiUpper(c), c);
        }
        QCOMPARE(AsciiLower(u'A'), u'a');
        QCOMPARE(AsciiLower(u'Z'), u'z');
        QCOMPARE(AsciiUpper(u'a'), u'A');
        QCOMPARE(AsciiUpper(u'z'), u'Z');
        // Latin-1 and other letters are not this helper's business.
        for (const char16_t c : {u'\u00C9', u'\u00E9', u'\u0130', u'\u0131', u'\u00DF'}) {
            QCOMPARE(AsciiLower(c), c);
            QCOMPARE(AsciiUpper(c), c);
        }

        QVERIFY(AsciiEqualIgnoringCase(u".GetRight", u".GETRIGHT"));
        QVERIFY(!AsciiEqualIgnoringCase(u"[", u"{"));
        QVERIFY(!AsciiEqualIgnoringCase(u"@x", u"`X"));
        QVERIFY(!AsciiEqualIgnoringCase(u"ab", u"abc"));

        QString out = u"kept"_s;
        QVERIFY(!AsciiToUpper(u"caf\u00E9", out));
        QCOMPARE(out, u"kept"_s);
        QVERIFY(AsciiToUpper(u"a-z_{}", out));
        QCOMPARE(out, u"A-Z_{}"_s);
        QVERIFY(AsciiToLower(u"HTTP://A/X.ZIP", out));
        QCOMPARE(out, u"http://a/x.zip"_s);
        QVERIFY(AsciiToLower(u"", out));
        QVERIFY(out.isEmpty());
        QVERIFY(IsAscii(u"\x7F"));
        QVERIFY(!IsAscii(u"\u0080"));
    }

    void asciiBytesFoldLikeUnits() {
        // Every ASCII byte in every place, next to neighbours that could carry into it.
        for (char16_t c = 0; c < 0x80; ++c) {
            for (const char16_t n : {char16_t(0), char16_t(0x40), char16_t(0x5A), char16_t(0x7F)}) {
                for (int place = 0; place < 8; ++place) {
                    unsigned char bytes[8];
                    std::memset(bytes, n, sizeof bytes);
                    bytes[place] = static_cast<unsigned char>(c);
                    quint64 packed;
                    std::memcpy(&packed, bytes, sizeof packed);
                    const quint64 folded = AsciiLowerBytes(packed);
                    unsigned char out[8];
                    std::memcpy(out, &folded, sizeof out);
                    for (int i = 0; i < 8; ++i)
                        QCOMPARE(char16_t(out[i]), AsciiLower(char16_t(bytes[i])));
                }
            }
        }
    }

    void openIndexFindsWhatItFiled() {
        Keyed k;
        QCOMPARE(k.Find(u"a"_s), k.Index.None); // an index never filled has no cells yet
        QVERIFY(!k.Erase(u"a"_s));
        for (int i = 0; i < 1000; ++i)
            QVERIFY(k.Add(QString::number(i)));
        QCOMPARE(k.Index.Size(), size_t(1000));
        QVERIFY(!k.Add(u"517"_s));
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(k.Find(QString::number(i)), quint32(i));
        QCOMPARE(k.Find(u"1000"_s), k.Index.None);

        for (int i = 0; i < 1000; i += 2)
            QVERIFY(k.Erase(QString::number(i)));
        QVERIFY(!k.Erase(u"0"_s));
        QCOMPARE(k.Index.Size(), size_t(500));
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(k.Find(QString::number(i)), i % 2 ? quint32(i) : k.Index.None);

        // A removed key earlier on the probe path must not hide a filed one further on:
        // filing the latter again would give the key two cells.
        for (int i = 1; i < 1000; i += 2)
            QVERIFY(!k.Add(QString::number(i)));
        QCOMPARE(k.Index.Size(), size_t(500));

        QVERIFY(!k.Index.Remap(k.HashOf(u"0"_s), 7, k.Holds(u"0"_s)));
        QVERIFY(k.Index.Remap(k.HashOf(u"1"_s), 5000, k.Holds(u"1"_s)));
        const auto moved = [](quint32 slot) { return slot == 5000; };
        QCOMPARE(k.Index.Find(k.HashOf(u"1"_s), moved), quint32(5000));

        k.Index.Reset();
        QCOMPARE(k.Index.Size(), size_t(0));
        QCOMPARE(k.Find(u"3"_s), k.Index.None);
        QVERIFY(k.Add(u"3"_s));
        const quint32 three = quint32(k.Keys.size() - 1);
        QCOMPARE(k.Find(u"3"_s), three);
        k.Index.Clear();
        QCOMPARE(k.Find(u"3"_s), k.Index.None);
        k.Index.Insert(k.HashOf(u"3"_s), three);
        QCOMPARE(k.Find(u"3"_s), three);
    }

    void openIndexChurnStaysBounded() {
        // Filing and removing for ever leaves removed cells behind; they must be swept, or
        // a probe would find no empty cell to stop at.
        Keyed k;
        k.HashValues = 0;
        QVERIFY(k.Add(u"kept"_s));
        for (int i = 0; i < 20000; ++i) {
            const QString key = QString::number(i);
            QVERIFY(k.Add(key));
            QVERIFY(k.Erase(key));
        }
        QCOMPARE(k.Index.Size(), size_t(1));
        QCOMPARE(k.Find(u"kept"_s), quint32(0));
        QCOMPARE(k.Find(u"19999"_s), k.Index.None);
    }

    void relayHandsOverInOrderAndCarriesFailures() {
        // Every item in order, the last half-filled batch too, with the maker far ahead.
        std::vector<int> all(2003);
        std::iota(all.begin(), all.end(), 1);
        QCOMPARE(Relayed(2003), all);
        QCOMPARE(Relayed(0), std::vector<int>());

        // The maker's failure comes after everything it made before, a batch half full
        // included.
        std::vector<int> seen;
        try {
            Relayed(100, 38, 0, &seen);
            QFAIL("the maker's failure was lost");
        } catch (const std::runtime_error& error) {
            QCOMPARE(QByteArray(error.what()), "maker failed");
        }
        QCOMPARE(seen, std::vector<int>(all.begin(), all.begin() + 38));

        // A taker that fails stops the maker, which would otherwise wait for room forever;
        // the taker's own failure is the one that comes out.
        seen.clear();
        try {
            Relayed(100000, 0, 17, &seen);
            QFAIL("the taker's failure was lost");
        } catch (const std::logic_error& error) {
            QCOMPARE(QByteArray(error.what()), "taker failed");
        }
        QCOMPARE(seen.size(), size_t(16));
    }

    void slabsHandOutSeparatePiecesAndGiveAllBack() {
        // Blocks the source gave and not yet took back, by size.
        static std::map<char*, std::size_t> live;
        static std::size_t largest = 0;
        const BlockSource counting{[](std::size_t bytes) {
                                       char* block = BlockSource::Heap().Allocate(bytes);
                                       live[block] = bytes;
                                       largest = std::max(largest, bytes);
                                       return block;
                                   },
                                   [](char* block) noexcept {
                                       QVERIFY(live.erase(block) == 1);
                                       BlockSource::Heap().Free(block);
                                   }};
        {
            // An odd size, so that pieces would overlap or lose their alignment if it
            // were not rounded.
            Slabs slabs(25'601, counting);
            std::vector<char*> pieces;
            for (int i = 0; i < 400; ++i) {
                char* piece = slabs.Take();
                QCOMPARE(quintptr(piece) % alignof(std::max_align_t), quintptr(0));
                std::memset(piece, i & 0xFF, 25'601);
                pieces.push_back(piece);
            }
            for (size_t i = 0; i < pieces.size(); ++i)
                QCOMPARE(int(uchar(pieces[i][25'600])), int(i & 0xFF));
            // The first blocks are small; they grow to large ones.
            QVERIFY(live.size() > 5);
            QCOMPARE(largest, BlockAllocator<char>::LargeBytes);
        }
        QVERIFY(live.empty());
    }

    void chunkedArrayKeepsElementsInPlaceAcrossChunks() {
        // Elements with a destructor, across the chunk boundaries (64, 128, 256, ...): each
        // keeps its address while the array grows, reads back by index after truncating and
        // refilling, and every one made is destroyed once.
        static int alive = 0;
        struct Counted {
            explicit Counted(int v) : Value(std::make_unique<int>(v)) { ++alive; }
            Counted(Counted&& other) noexcept : Value(std::move(other.Value)) { ++alive; }
            Counted& operator=(Counted&&) noexcept = default;
            ~Counted() { --alive; }
            std::unique_ptr<int> Value;
        };
        {
            ChunkedArray<Counted> array;
            std::vector<const Counted*> places;
            for (int i = 0; i < 5000; ++i) {
                array.push_back(Counted(i));
                places.push_back(&array[size_t(i)]);
            }
            QCOMPARE(alive, 5000);
            for (size_t i = 0; i < places.size(); ++i) {
                QCOMPARE(&array[i], places[i]);
                QCOMPARE(*array[i].Value, int(i));
            }
            array.Truncate(100);
            QCOMPARE(alive, 100);
            for (int i = 100; i < 300; ++i)
                array.push_back(Counted(-i));
            QCOMPARE(&array[200], places[200]); // the room was kept
            QCOMPARE(*array[63].Value, 63);
            QCOMPARE(*array[64].Value, 64);
            QCOMPARE(*array[299].Value, -299);

            ChunkedArray<Counted> moved(std::move(array));
            QCOMPARE(array.size(), size_t(0));
            QCOMPARE(moved.size(), size_t(300));
            QCOMPARE(*moved[128].Value, -128);
            array = std::move(moved);
            QCOMPARE(*array[99].Value, 99);
            QCOMPARE(*array[127].Value, -127);
            array.Release();
            QCOMPARE(alive, 0);
            array.push_back(Counted(7));
            QCOMPARE(*array[0].Value, 7);
        }
        QCOMPARE(alive, 0);
    }

    void mixedTextWidensOnlyWhenItMust() {
        MixedText text;
        text.Append("ab"_L1).Append(QStringView(u"cd")).Append(QStringView(u"\u00E9"));
        QVERIFY(!text.IsWide());
        QCOMPARE(text.View(), QAnyStringView(u"abcd\u00E9"));
        // The first character beyond Latin-1 widens what came before, and what follows.
        text.Append(QStringView(u"x\u20AC")).Append("y"_L1);
        QVERIFY(text.IsWide());
        QCOMPARE(text.Wide(), QStringView(u"abcd\u00E9x\u20ACy"));
        text.Clear();
        QVERIFY(!text.IsWide());
        QCOMPARE(text.View().size(), 0);
    }

    void errorCarriesItsTriple() {
        // Whoever catches only std::exception still reads where it came from, in UTF-8.
        try {
            throw QuillanError(ErrorNumbers::Overflow, u"Sp\u00E4ter"_s, u"Overflow"_s);
        } catch (const std::exception& caught) {
            QCOMPARE(QString::fromUtf8(caught.what()), u"Sp\u00E4ter: Overflow"_s);
            const auto* error = dynamic_cast<const QuillanError*>(&caught);
            QVERIFY(error);
            QCOMPARE(error->Number(), 6);
            QCOMPARE(error->Source(), u"Sp\u00E4ter"_s);
            QCOMPARE(error->Description(), u"Overflow"_s);
        }
    }
};

QTEST_APPLESS_MAIN(tst_Base)
#include "tst_Base.moc"
