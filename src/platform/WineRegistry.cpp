#include "platform/WineRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace WineRegistry {
namespace {

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

// A quoted text starting at s[from] (the opening quote). Returns the raw text between the
// quotes and moves `from` past the closing one; nothing when it is not closed.
std::optional<QStringView> Quoted(QStringView s, qsizetype& from) {
    if (from >= s.size() || s[from] != u'"') return std::nullopt;
    for (qsizetype i = from + 1; i < s.size(); ++i) {
        if (s[i] == u'\\') {
            ++i;
            continue;
        }
        if (s[i] == u'"') {
            const QStringView inner = s.mid(from + 1, i - from - 1);
            from = i + 1;
            return inner;
        }
    }
    return std::nullopt;
}

// The key name of a section line "[Software\\Headlight\\...] 1234567890", unescaped.
std::optional<QString> SectionKey(QStringView line) {
    if (!line.startsWith(u'[')) return std::nullopt;
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (line[i] == u'\\') {
            ++i;
            continue;
        }
        if (line[i] == u']') return Unescape(line.mid(1, i - 1));
    }
    return std::nullopt;
}

QString NormalKey(QStringView key) {
    QStringView k = key.trimmed();
    while (k.endsWith(u'\\'))
        k.chop(1);
    while (k.startsWith(u'\\'))
        k = k.mid(1);
    return k.toString();
}

} // namespace

QString Unescape(QStringView s) {
    static constexpr char16_t Controls[][2] = {{u'a', 7},  {u'b', 8},  {u't', 9},  {u'n', 10},
                                               {u'v', 11}, {u'f', 12}, {u'r', 13}, {u'e', 27}};
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar c = s[++i];
        if (c == u'x') {
            // Up to four hex digits: one UTF-16 unit.
            char16_t unit = 0;
            int digits = 0;
            while (digits < 4 && i + 1 < s.size() && HexValue(s[i + 1]) >= 0) {
                unit = char16_t(unit * 16 + HexValue(s[++i]));
                ++digits;
            }
            out += digits ? QChar(unit) : QChar(u'x');
            continue;
        }
        if (c >= u'0' && c <= u'7') {
            char16_t unit = char16_t(c.unicode() - u'0');
            for (int digits = 1;
                 digits < 3 && i + 1 < s.size() && s[i + 1] >= u'0' && s[i + 1] <= u'7'; ++digits)
                unit = char16_t(unit * 8 + (s[++i].unicode() - u'0'));
            out += QChar(unit);
            continue;
        }
        bool control = false;
        for (const auto& [letter, code] : Controls) {
            if (c == QChar(letter)) {
                out += QChar(code);
                control = true;
                break;
            }
        }
        if (!control) out += c; // \\ \" \[ \] and anything else stand for themselves
    }
    return out;
}

std::optional<QString> ReadString(QStringView regText, QStringView keyPath, QStringView valueName) {
    const QString wantedKey = NormalKey(keyPath);
    const bool wantDefault = valueName.isEmpty() || valueName == u"@";
    bool inKey = false;
    for (QStringView line : regText.split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.startsWith(u'[')) {
            const std::optional<QString> key = SectionKey(line);
            inKey = key && NormalKey(*key).compare(wantedKey, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inKey) continue;
        qsizetype at = 0;
        bool named = false;
        if (line.startsWith(u'@')) {
            named = wantDefault;
            at = 1;
        } else {
            const std::optional<QStringView> name = Quoted(line, at);
            if (!name) continue;
            named = !wantDefault &&
                    Unescape(*name).compare(valueName.toString(), Qt::CaseInsensitive) == 0;
        }
        if (!named) continue;
        if (at >= line.size() || line[at] != u'=') return std::nullopt;
        ++at;
        // Only a plain quoted string is REG_SZ; str(2): and every other type are not.
        const std::optional<QStringView> value = Quoted(line, at);
        if (!value) return std::nullopt;
        QString text = Unescape(*value);
        // Windows hands back the buffer up to its first NUL.
        if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) text.truncate(nul);
        return text;
    }
    return std::nullopt;
}

QString DefaultPrefix() {
    const QString fromEnv = qEnvironmentVariable("WINEPREFIX");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QDir::homePath() + u"/.wine"_s;
}

QString ToLinuxPath(const QString& prefix, const QString& windowsPath) {
    const bool drivePath = windowsPath.size() >= 2 && windowsPath[0].isLetter() &&
                           windowsPath[0].unicode() < 128 && windowsPath[1] == u':';
    if (!drivePath) return windowsPath;
    const QString drive = windowsPath.left(2).toLower();
    QString base = prefix + u"/dosdevices/"_s + drive;
    if (!QFileInfo::exists(base)) {
        if (drive != u"c:"_s) return windowsPath;
        base = prefix + u"/drive_c"_s; // a prefix whose links were never made
    }
    QString path = QFileInfo(base).canonicalFilePath();
    if (path.isEmpty()) path = base;
    const QStringList parts =
        windowsPath.mid(2).split(QRegularExpression(u"[\\\\/]"_s), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        QString next = path + u'/' + part;
        if (!QFileInfo::exists(next)) {
            const QStringList names = QDir(path).entryList(QDir::AllEntries | QDir::Hidden |
                                                           QDir::System | QDir::NoDotAndDotDot);
            for (const QString& name : names) {
                if (name.compare(part, Qt::CaseInsensitive) == 0) {
                    next = path + u'/' + name;
                    break;
                }
            }
        }
        path = next;
    }
    return path;
}

} // namespace WineRegistry
