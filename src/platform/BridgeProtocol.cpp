#include "platform/BridgeProtocol.h"

namespace BridgeProtocol {
namespace {

QByteArrayView WithoutCr(QByteArrayView line) {
    return line.endsWith('\r') ? line.chopped(1) : line;
}

// False for a lone backslash at the end or an escape the helper never writes.
bool Unescape(QByteArrayView escaped, QByteArray& out) {
    out.reserve(escaped.size());
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c != '\\') {
            out.append(c);
            continue;
        }
        if (++i == escaped.size()) return false;
        switch (escaped[i]) {
        case '\\':
            out.append('\\');
            break;
        case 'r':
            out.append('\r');
            break;
        case 'n':
            out.append('\n');
            break;
        default:
            return false;
        }
    }
    return true;
}

} // namespace

bool IsReady(QByteArrayView line) {
    const QByteArrayView l = WithoutCr(line);
    return l == "READY" || l.startsWith("READY ");
}

Answer ParseAnswer(QByteArrayView line) {
    const QByteArrayView l = WithoutCr(line);
    Answer answer;
    if (l.startsWith("OK ")) {
        QByteArray text;
        if (Unescape(l.sliced(3), text)) {
            answer.What = Answer::Kind::Reply;
            answer.Text = QString::fromUtf8(text);
        }
    } else if (l == "ERR" || l.startsWith("ERR ")) {
        answer.What = Answer::Kind::Failure;
        answer.Text = QString::fromUtf8(l.size() > 4 ? l.sliced(4) : QByteArrayView());
    }
    return answer;
}

QByteArray RequestLine(int itemNumber) { return QByteArray::number(itemNumber) + '\n'; }

} // namespace BridgeProtocol
