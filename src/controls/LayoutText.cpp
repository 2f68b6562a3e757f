#include "controls/LayoutText.h"

#include <QBuffer>
#include <QStringList>

#include <cstdint>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString Quote(const QString& s) {
    QString out = u"\""_s;
    for (QChar c : s) {
        switch (c.unicode()) {
        case '"':
            out += u"\\\""_s;
            break;
        case '\\':
            out += u"\\\\"_s;
            break;
        case '\n':
            out += u"\\n"_s;
            break;
        case '\r':
            out += u"\\r"_s;
            break;
        case '\t':
            out += u"\\t"_s;
            break;
        default:
            out += c;
        }
    }
    return out + u'"';
}

// Reads a quoted string at the start of `s`; `s` is left after the closing quote.
std::optional<QString> Unquote(QStringView& s) {
    if (!s.startsWith(u'"')) return std::nullopt;
    QString out;
    for (qsizetype i = 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"') {
            s = s.mid(i + 1);
            return out;
        }
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i == s.size()) return std::nullopt;
        switch (s[i].unicode()) {
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        case '"':
        case '\\':
            out += s[i];
            break;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

QString ColorText(OleColor c) {
    const quint32 v = quint32(c);
    if (IsSystemColor(c)) return u"system "_s + QString::number(v & 0xFFFFFF);
    if (v >> 24) return u"0x"_s + QString::number(v, 16).toUpper();
    const QColor rgb(int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF));
    return rgb.name(QColor::HexRgb).toUpper();
}

std::optional<OleColor> ParseColor(QStringView s) {
    bool ok = false;
    if (s.startsWith(u'#') && s.size() == 7) {
        const quint32 rgb = s.mid(1).toUInt(&ok, 16);
        if (ok) return RgbColor(int(rgb >> 16), int(rgb >> 8), int(rgb));
    } else if (s.startsWith(u"system ")) {
        const quint32 n = s.mid(7).trimmed().toUInt(&ok);
        if (ok && n <= 0xFFFFFF) return OleColor(0x80000000u | n);
    } else if (s.startsWith(u"0x", Qt::CaseInsensitive)) {
        const quint32 v = s.mid(2).toUInt(&ok, 16);
        if (ok) return OleColor(v);
    }
    return std::nullopt;
}

QString FontText(const QFont& f) {
    // A font sized in pixels is stored in points at 96 dpi, like every other length.
    const double points = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / 96.0;
    QString out = Quote(f.family()) + u' ' + QString::number(points);
    if (f.bold()) out += u" bold"_s;
    if (f.italic()) out += u" italic"_s;
    if (f.underline()) out += u" underline"_s;
    if (f.strikeOut()) out += u" strikethru"_s;
    return out;
}

std::optional<QFont> ParseFont(QStringView s) {
    const std::optional<QString> family = Unquote(s);
    if (!family) return std::nullopt;
    const QList<QStringView> words = s.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty()) return std::nullopt;
    bool ok = false;
    const double size = words.front().toDouble(&ok);
    if (!ok || size <= 0) return std::nullopt;
    QFont font(*family);
    font.setPointSizeF(size);
    for (QStringView w : words.mid(1)) {
        if (w == u"bold")
            font.setBold(true);
        else if (w == u"italic")
            font.setItalic(true);
        else if (w == u"underline")
            font.setUnderline(true);
        else if (w == u"strikethru")
            font.setStrikeOut(true);
        else
            return std::nullopt;
    }
    return font;
}

QString PictureText(const QImage& image) {
    if (image.isNull()) return u"none"_s;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return u"png:"_s + QString::fromLatin1(png.toBase64());
}

std::optional<QImage> ParsePicture(QStringView s) {
    if (s == u"none") return QImage();
    if (!s.startsWith(u"png:")) return std::nullopt;
    const QByteArray png = QByteArray::fromBase64(s.mid(4).toLatin1());
    QImage image;
    if (!image.loadFromData(png, "PNG")) return std::nullopt;
    return image;
}

struct EntryText {
    const char16_t* Tag;
    QString Text;
};

EntryText Format(const PropertyBag::Value& v) {
    struct Visitor {
        EntryText operator()(qint32 i) const { return {u"i32", QString::number(i)}; }
        EntryText operator()(qint16 i) const { return {u"i16", QString::number(i)}; }
        EntryText operator()(bool b) const { return {u"bool", b ? u"true"_s : u"false"_s}; }
        EntryText operator()(float f) const { return {u"single", QString::number(f)}; }
        EntryText operator()(const QString& s) const { return {u"str", Quote(s)}; }
        EntryText operator()(OleColor c) const { return {u"color", ColorText(c)}; }
        EntryText operator()(const QFont& f) const { return {u"font", FontText(f)}; }
        EntryText operator()(const QImage& p) const { return {u"picture", PictureText(p)}; }
    };
    return std::visit(Visitor{}, v);
}

std::optional<qint64> ParseInteger(QStringView s) {
    bool ok = false;
    const qint64 n = s.startsWith(u"0x", Qt::CaseInsensitive) ? qint64(s.mid(2).toUInt(&ok, 16))
                                                              : s.toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

std::optional<PropertyBag::Value> Parse(QStringView tag, QStringView text) {
    if (tag == u"i32") {
        const auto n = ParseInteger(text);
        if (n && *n >= INT32_MIN && *n <= qint64(UINT32_MAX)) return qint32(quint32(*n));
    } else if (tag == u"i16") {
        const auto n = ParseInteger(text);
        if (n && *n >= INT16_MIN && *n <= INT16_MAX) return qint16(*n);
    } else if (tag == u"bool") {
        if (text == u"true") return true;
        if (text == u"false") return false;
    } else if (tag == u"single") {
        bool ok = false;
        const float f = text.toFloat(&ok);
        if (ok) return f;
    } else if (tag == u"str") {
        QStringView rest = text;
        auto s = Unquote(rest);
        if (s && rest.trimmed().isEmpty()) return *std::move(s);
    } else if (tag == u"color") {
        if (const auto c = ParseColor(text)) return *c;
    } else if (tag == u"font") {
        if (auto f = ParseFont(text)) return *std::move(f);
    } else if (tag == u"picture") {
        if (auto p = ParsePicture(text)) return *std::move(p);
    }
    return std::nullopt;
}

} // namespace

QString WriteLayoutText(const QList<StoredControl>& controls) {
    QString out;
    for (const StoredControl& control : controls) {
        if (!out.isEmpty()) out += u'\n';
        out += u'[' + control.ClassName + u' ' + control.Name + u"]\n"_s;
        for (const PropertyBag::Entry& e : control.Properties.Entries()) {
            const EntryText t = Format(e.Data);
            out += e.Name + u':' + QStringView(t.Tag) + u" = "_s + t.Text + u'\n';
        }
    }
    return out;
}

LayoutReadResult ReadLayoutText(QStringView text) {
    LayoutReadResult result;
    const auto fail = [&result](int line, QString why) {
        result.Controls.clear();
        result.Error = std::move(why);
        result.ErrorLine = line;
        return result;
    };
    int lineNo = 0;
    for (QStringView line : text.split(u'\n')) {
        ++lineNo;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            const QList<QStringView> head =
                line.mid(1).chopped(line.endsWith(u']') ? 1 : 0).split(u' ', Qt::SkipEmptyParts);
            if (!line.endsWith(u']') || head.size() != 2)
                return fail(lineNo, u"expected [Class Name]"_s);
            result.Controls.append({head[0].toString(), head[1].toString(), {}});
            continue;
        }
        if (result.Controls.isEmpty()) return fail(lineNo, u"entry outside a section"_s);
        const qsizetype eq = line.indexOf(u'=');
        const qsizetype colon = line.indexOf(u':');
        if (eq < 0 || colon < 0 || colon > eq) return fail(lineNo, u"expected Name:type = value"_s);
        const QStringView name = line.left(colon).trimmed();
        const QStringView tag = line.mid(colon + 1, eq - colon - 1).trimmed();
        auto value = Parse(tag, line.mid(eq + 1).trimmed());
        if (name.isEmpty() || !value)
            return fail(lineNo, u"bad value for "_s + name.toString() + u':' + tag.toString());
        result.Controls.last().Properties.Set(name.toString(), *std::move(value));
    }
    return result;
}

const StoredControl* FindStoredControl(const QList<StoredControl>& controls, const QString& name) {
    for (const StoredControl& c : controls)
        if (c.Name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}
