#include "report/HtmlText.h"

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
    const QByteArray bytes = Visible(text).toUtf8();
    out += '"';
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        // U+2028 and U+2029 end a line in older script parsers.
        if (c == 0xE2 && i + 2 < bytes.size() && static_cast<unsigned char>(bytes[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(bytes[i + 2]) & 0xFE) == 0xA8) {
            out += static_cast<unsigned char>(bytes[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == '<' || c == '>' || c == '&') {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        } else {
            out += char(c);
        }
    }
    out += '"';
}

} // namespace HtmlText
