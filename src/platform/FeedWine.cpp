#include "platform/NativeFeed.h"

#include "platform/BridgeFeed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString FindBridgeExe() {
    const QString name = u"quillan-dde-bridge.exe"_s;
    QStringList places;
    if (QCoreApplication::instance()) {
        const QDir here(QCoreApplication::applicationDirPath());
        places << here.filePath(name) << here.filePath(u"../lib/quillan/"_s + name);
    }
#ifdef QUILLAN_BRIDGE_BUILD_PATH
    places << QStringLiteral(QUILLAN_BRIDGE_BUILD_PATH);
#endif
    for (const QString& place : std::as_const(places))
        if (QFileInfo(place).isFile()) return QFileInfo(place).absoluteFilePath();
    return {};
}

std::unique_ptr<DownloadFeed> NativeDownloadFeed() {
    return std::make_unique<BridgeFeed>([] {
        return BridgeFeed::WineCommand(QProcessEnvironment::systemEnvironment(), FindBridgeExe());
    });
}
