#include "view/ExecuteTarget.h"

#include "analysis/TextRules.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

bool IsOrdinaryFile(const QString& path) {
    if (path.isEmpty()) return false;
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    constexpr DWORD allowed =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
    return (attributes & ~allowed) == 0;
#else
    const QFileInfo info(path);
    return info.isFile() && !info.fileName().startsWith(u'.') && info.isReadable();
#endif
}

ExecuteAction DecideExecute(const TreeModel& tree, const OrdinaryFileTest& fileExists) {
    ExecuteAction action;
    if (tree.Count() == 0 || tree.Selected() == TreeModel::NoNode) return action;
    const QStringView text = tree.Text(tree.Selected());

    QString target;
    if (text.startsWith(u"URL")) {
        target = TrimBlanks(After(text, 4)).toString();
    } else if (LeftOf(text, 3).toString().toUpper() == u"FTP"_s ||
               LeftOf(text, 4).toString().toUpper() == u"HTTP"_s) {
        target = text.toString();
    } else if (text.startsWith(u"Local Path")) {
        const QString path = TrimBlanks(After(text, 11)).toString();
        if (!fileExists(path)) {
            action.What = ExecuteAction::Kind::Message;
            action.Message = FileMovedMessage.toString();
            return action;
        }
        action.What = ExecuteAction::Kind::Run;
        action.CommandLine = u"start \""_s + path + u'"';
        action.Target = path;
        action.TargetIsLocalFile = true;
        return action;
    } else {
        return action;
    }
    action.What = ExecuteAction::Kind::Run;
    action.CommandLine = u"start "_s + target;
    action.Target = target;
    return action;
}
