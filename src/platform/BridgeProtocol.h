#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The line protocol of quillan-dde-bridge.exe. The helper says "READY ..." once it can talk
// DDE; then for every item number written to it, one line: "OK " and the reply in UTF-8
// with backslash, CR and LF escaped as \\, \r and \n, or "ERR " and a reason.
namespace BridgeProtocol {

struct Answer {
    enum class Kind { Reply, Failure, Malformed };
    Kind What = Kind::Malformed;
    QString Text; // the reply, or the helper's reason for a failure
};

// line is one line of the helper's output without its LF; a CR before it is tolerated.
bool IsReady(QByteArrayView line);
Answer ParseAnswer(QByteArrayView line);
// The request for one item.
QByteArray RequestLine(int itemNumber);

} // namespace BridgeProtocol
