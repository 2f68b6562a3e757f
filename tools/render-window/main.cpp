// render-window OUTDIR [LOG]: the main window as PNG files, without a display: at start-up,
// after loading LOG (default: the sample log) in each of the five orders, after a search,
// and window.png (the README's picture). Also the tree's ten pictures and the program icon
// at 100 % and 200 %. QT_SCALE_FACTOR=2 renders the window at 200 %.
//
// render-window --icons OUTDIR: only the program icon files that are installed.

#include "controls/HotCommand.h"
#include "shell/ImageList1.h"
#include "shell/ProgramIcon.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QTreeView>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool Shot(frmMain& window, const QString& dir, const QString& name) {
    QCoreApplication::processEvents();
    return Save(window.grab().toImage(), dir + u'/' + name + u".png"_s);
}

void ExpandNode(frmMain& window, qint32 node) {
    QTreeView* view = window.TreeView();
    for (QModelIndex index = view->model()->index(0, 0); index.isValid();
         index = view->indexBelow(index)) {
        if (index.internalId() == quintptr(node)) {
            view->expand(index);
            return;
        }
    }
}

QImage PictureSheet() {
    const int cell = 40;
    QImage sheet(cell * ImageList1::Count + 8, 2 * cell + 8, QImage::Format_RGB32);
    sheet.fill(QColor(0xF4, 0xF4, 0xF4));
    QPainter p(&sheet);
    for (int i = 1; i <= ImageList1::Count; ++i) {
        const QImage small = ImageList1::Picture(i, 1.0);
        const QImage large = ImageList1::Picture(i, 2.0);
        QImage one = small;
        one.setDevicePixelRatio(1.0);
        QImage two = large;
        two.setDevicePixelRatio(1.0);
        p.drawImage(QPoint(4 + (i - 1) * cell + 12, 12), one);
        p.drawImage(QPoint(4 + (i - 1) * cell + 4, 4 + cell), two);
    }
    return sheet;
}

int WriteIcons(const QString& dir) {
    QDir().mkpath(dir);
    bool ok = true;
    for (const int size : {16, 32, 48, 64, 128})
        ok &= Save(ProgramIconImage(size), dir + u"/quillan-%1.png"_s.arg(size));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() == 3 && args[1] == u"--icons"_s) return WriteIcons(args[2]);
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: render-window OUTDIR [LOG] | render-window --icons OUTDIR\n");
        return 2;
    }
    const QString dir = args[1];
    QDir().mkpath(dir);
    const QString log =
        args.size() == 3 ? args[2] : QStringLiteral(QUILLAN_SOURCE_DIR "/examples/getright.log");

    frmMain window(ShellPlatform::Headless([](const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }));
    window.Form_Load();
    window.show();
    bool ok = Shot(window, dir, u"window-startup"_s);

    window.OpenLog(log);
    const std::pair<SortOrder, QString> modes[] = {{SortOrder::NoSort, u"nosort"_s},
                                                   {SortOrder::ByDate, u"bydate"_s},
                                                   {SortOrder::ByName, u"byname"_s},
                                                   {SortOrder::ByURL, u"byurl"_s},
                                                   {SortOrder::ByLocal, u"bylocal"_s}};
    for (const auto& [mode, name] : modes) {
        window.cmdSort_Click(mode);
        ok &= Shot(window, dir, u"window-"_s + name);
    }

    window.Controls().txtSearch->setText(u"kernel"_s);
    window.cmdSearch_Click();
    ok &= Shot(window, dir, u"window-search"_s);

    // The README's picture: grouped by URL folder, one group and its first entry open.
    window.cmdSort_Click(SortOrder::ByURL);
    const qint32 firstGroup = window.Tree().Child(TreeModel::NoNode, 0);
    ExpandNode(window, firstGroup);
    ExpandNode(window, window.Tree().Child(firstGroup, 0));
    ok &= Shot(window, dir, u"window"_s);

    ok &= Save(PictureSheet(), dir + u"/imagelist.png"_s);
    ok &= Save(ProgramIconImage(32), dir + u"/icon-32.png"_s);
    ok &= Save(ProgramIconImage(16), dir + u"/icon-16.png"_s);
    return ok ? 0 : 1;
}
