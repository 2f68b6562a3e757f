#include "report/HtmlText.h"

#include <charconv>

namespace HtmlText {

namespace {

bool IsNoncharacter(char32_t c) { return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE; }

} // namespace

QString Visible(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') {
            out += QChar(char16_t(0x2400 + c));
        } else if (c == 0x7F) {
            out += QChar(char16_t(0x2421));
        } else if (c >= 0x80 && c <= 0x9F) {
            out += QChar(char16_t(0xFFFD));
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                const char32_t full = QChar::surrogateToUcs4(c, text[i + 1].unicode());
                if (IsNoncharacter(full)) {
                    out += QChar(char16_t(0xFFFD));
                } else {
                    out += QChar(c);
                    out += text[i + 1];
                }
                ++i;
            } else {
                out += QChar(char16_t(0xFFFD));
            }
        } else if (QChar::isLowSurrogate(c) || IsNoncharacter(c)) {
            out += QChar(char16_t(0xFFFD));
        } else {
            out += QChar(c);
        }
    }
    return out;
}

void AppendEscaped(QByteArray& out, QStringView text) {
    const QByteArray bytes = Visible(text).toUtf8();
    for (const char c : bytes) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
}

QByteArray Escaped(QStringView text) {
    QByteArray out;
    AppendEscaped(out, text);
    return out;
}

void AppendJsonString(QByteArray& out, QStringView text) {
    static const char hex[] = "0123456789abcdef";
    // Written straight into the array: a report holds hundreds of thousands of names.
    const qsizetype start = out.size();
    out.resize(start + 2 + text.size() * 6);
    char* p = out.data() + start;
    *p++ = '"';
    const auto escape = [&](char16_t c) {
        *p++ = '\\';
        *p++ = 'u';
        *p++ = hex[(c >> 12) & 0xF];
        *p++ = hex[(c >> 8) & 0xF];
        *p++ = hex[(c >> 4) & 0xF];
        *p++ = hex[c & 0xF];
    };
    const auto utf8 = [&](char32_t c) {
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
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            if (c == u'"' || c == u'\\') {
                *p++ = '\\';
                *p++ = char(c);
            } else if (c == u'<' || c == u'>' || c == u'&' || c == u'\t' || c == u'\n' ||
                       c == u'\r') {
                escape(c);
            } else if (c < 0x20) {
                utf8(0x2400 + c); // as Visible shows it
            } else if (c == 0x7F) {
                utf8(0x2421);
            } else {
                *p++ = char(c);
            }
        } else if (c <= 0x9F || c == 0x2028 || c == 0x2029) {
            // C1 controls as Visible shows them; the two separators end a line in older
            // script parsers.
            if (c <= 0x9F)
                utf8(0xFFFD);
            else
                escape(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            const char32_t full = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            utf8(IsNoncharacter(full) ? 0xFFFD : full);
            ++i;
        } else if (QChar::isSurrogate(c) || IsNoncharacter(c)) {
            utf8(0xFFFD);
        } else {
            utf8(c);
        }
    }
    *p++ = '"';
    out.truncate(p - out.constData());
}

void AppendNumber(QByteArray& out, qint64 value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

} // namespace HtmlText
