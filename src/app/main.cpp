// quillan [LOG]: the window. A log named on the command line (as a file manager's "Open
// with" passes it) is opened right after start-up, as if chosen with the browse button.

#include "startup/HeapTuning.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    PreferHugePageHeap(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillan"));
    QApplication::setApplicationVersion(QStringLiteral("1.0b"));
    QApplication::setDesktopFileName(QStringLiteral("quillan"));

    frmMain window;
    window.Form_Load();
    window.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const QString path = args.at(1);
        QTimer::singleShot(0, &window, [&window, path] { window.OpenLog(path); });
    }
    return QApplication::exec();
}
