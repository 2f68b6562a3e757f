#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Writing text from a log into a web page. Whatever the log holds stays text: markup
// characters are escaped, and characters a page may not hold (controls, lone surrogates,
// noncharacters) are shown by a visible stand-in instead of vanishing or breaking it.
namespace HtmlText {

// The text with every character a page may not hold replaced: C0 controls but tab, line
// feed and carriage return by their control pictures (U+2400 + n), DEL by U+2421, C1
// controls, lone surrogates and noncharacters by U+FFFD.
QString Visible(QStringView text);

// For element content and quoted attribute values: & < > " ' escaped.
void AppendEscaped(QByteArray& out, QStringView text);
QByteArray Escaped(QStringView text);

// A JSON string literal that is also safe inside a <script> element: < > & and the line
// and paragraph separators written as \u escapes.
// The text is shown as Visible shows it.
void AppendJsonString(QByteArray& out, QStringView text);

// A whole number in plain digits.
void AppendNumber(QByteArray& out, qint64 value);

} // namespace HtmlText
