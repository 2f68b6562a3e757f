#include "report/HtmlText.h"

#include <charconv>

namespace HtmlText {

namespace {

bool IsNoncharacter(char32_t c) { return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE; }

// The code point at text[i] as a page may hold it (see Visible), advancing i past a pair.
char32_t VisibleAt(QStringView text, qsizetype& i) {
    const char16_t c = text[i].unicode();
    if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') return 0x2400 + c;
    if (c == 0x7F) return 0x2421;
    if (c >= 0x80 && c <= 0x9F) return 0xFFFD;
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        const char32_t full = QChar::surrogateToUcs4(c, text[i + 1].unicode());
        ++i;
        return IsNoncharacter(full) ? 0xFFFD : full;
    }
    if (QChar::isSurrogate(c) || IsNoncharacter(c)) return 0xFFFD;
    return c;
}

char* PutUtf8(char* p, char32_t c) {
    if (c < 0x80) {
        *p++ = char(c);
        return p;
    }
    if (c < 0x800) {
        *p++ = char(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        *p++ = char(0xE0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
    } else {
        *p++ = char(0xF0 | (c >> 18));
        *p++ = char(0x80 | ((c >> 12) & 0x3F));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
    }
    *p++ = char(0x80 | (c & 0x3F));
    return p;
}

char* PutText(char* p, const char* text) {
    while (*text)
        *p++ = *text++;
    return p;
}

// Writes the text as UTF-8 straight into out, each character through escape, which writes
// it and says whether it did; a report holds hundreds of thousands of names.
template <class Escape>
void Append(QByteArray& out, QStringView text, qsizetype worst, Escape escape) {
    const qsizetype start = out.size();
    out.resize(start + text.size() * worst);
    char* p = out.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Printable ASCII, nearly all of a log's text, needs no translation.
        if (const char16_t u = text[i].unicode(); u >= 0x20 && u < 0x7F) {
            if (!escape(p, u)) *p++ = char(u);
            continue;
        }
        const char32_t c = VisibleAt(text, i);
        if (!escape(p, c)) p = PutUtf8(p, c);
    }
    out.truncate(p - out.constData());
}

} // namespace

QString Visible(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = VisibleAt(text, i);
        if (c > 0xFFFF)
            out += QString::fromUcs4(&c, 1);
        else
            out += QChar(char16_t(c));
    }
    return out;
}

void AppendEscaped(QByteArray& out, QStringView text) {
    // "&quot;" is the longest a character becomes.
    Append(out, text, 6, [](char*& p, char32_t c) {
        switch (c) {
        case '&':
            p = PutText(p, "&amp;");
            return true;
        case '<':
            p = PutText(p, "&lt;");
            return true;
        case '>':
            p = PutText(p, "&gt;");
            return true;
        case '"':
            p = PutText(p, "&quot;");
            return true;
        case '\'':
            p = PutText(p, "&#39;");
            return true;
        default:
            return false;
        }
    });
}

QByteArray Escaped(QStringView text) {
    QByteArray out;
    AppendEscaped(out, text);
    return out;
}

void AppendJsonString(QByteArray& out, QStringView text) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    // A \u escape (six bytes) is the longest a character becomes.
    Append(out, text, 6, [](char*& p, char32_t c) {
        if (c == '"' || c == '\\') {
            *p++ = '\\';
            *p++ = char(c);
            return true;
        }
        // Markup characters never reach the page's parser as such, and the line and
        // paragraph separators end a line in older script parsers.
        if (c == '<' || c == '>' || c == '&' || c == '\t' || c == '\n' || c == '\r' ||
            c == 0x2028 || c == 0x2029) {
            p = PutText(p, "\\u");
            *p++ = hex[(c >> 12) & 0xF];
            *p++ = hex[(c >> 8) & 0xF];
            *p++ = hex[(c >> 4) & 0xF];
            *p++ = hex[c & 0xF];
            return true;
        }
        return false;
    });
    out += '"';
}

void AppendNumber(QByteArray& out, qint64 value) {
    const qsizetype start = out.size();
    out.resize(start + 20);
    char* begin = out.data() + start;
    const auto result = std::to_chars(begin, begin + 20, value);
    out.truncate(result.ptr - out.constData());
}

} // namespace HtmlText
