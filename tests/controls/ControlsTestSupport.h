#pragma once

#include "controls/OleColor.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstring>

// Readable colours in QCOMPARE failures.
inline char* toString(OleColor c) {
    return qstrdup(
        QByteArray("0x" + QByteArray::number(quint32(c), 16).rightJustified(8, '0')).constData());
}

// The offscreen platform cannot grab the pointer for real and warns on every hover; the
// widget-level capture under test works all the same.
inline void QuietGrabWarnings() {
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message.contains(QStringLiteral("does not support grabbing the mouse"))) return;
            previous(type, context, message);
        });
}
