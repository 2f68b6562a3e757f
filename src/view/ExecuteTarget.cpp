#include "view/ExecuteTarget.h"

#include "analysis/TextRules.h"

using namespace Qt::StringLiterals;

ExecuteAction DecideExecute(const TreeModel& tree, const OrdinaryFileTest& fileExists) {
    ExecuteAction action;
    if (tree.Count() == 0 || tree.Selected() == TreeModel::NoNode) return action;
    const QString text = tree.Text(tree.Selected()).toString();

    QString target;
    if (text.startsWith(u"URL")) {
        target = TrimBlanks(After(text, 4)).toString();
    } else if (LeftOf(text, 3).toString().toUpper() == u"FTP"_s ||
               LeftOf(text, 4).toString().toUpper() == u"HTTP"_s) {
        target = text;
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
