#pragma once

#include <QStringView>

#include <array>
#include <span>

class HotCommand;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeView;
class QWidget;
class ucPBar;
struct QMetaObject;

// The elements of frmMain's stored layout that the window works with, each by its own
// type and under its name in the layout. WindowLayout::Bind fills them from the built
// layout by the table in frmMainControls.cpp, the one place that ties a name to a member
// and a class; the window inherits them, as a form does its designer's generated members.
struct frmMainControls {
    // Log file strip
    QLineEdit* txtFileName = nullptr;
    HotCommand* cmdOpenDefault = nullptr;
    HotCommand* cmdGetLog = nullptr;
    // Files panel
    HotCommand* cmdNoSort = nullptr;
    HotCommand* cmdByDate = nullptr;
    HotCommand* cmdByName = nullptr;
    HotCommand* cmdByURL = nullptr;
    HotCommand* cmdByLocal = nullptr;
    HotCommand* cmdPlay = nullptr;
    QTreeView* tvwFiles = nullptr;
    HotCommand* cmdCase = nullptr;
    QLineEdit* txtSearch = nullptr;
    HotCommand* cmdSearchPrev = nullptr;
    HotCommand* cmdSearch = nullptr;
    HotCommand* cmdSearchNext = nullptr;
    // Statistics panel; lblStatTxt(i) is the value in row i
    QLabel* Label4 = nullptr;    // its title bar
    QWidget* Picture1 = nullptr; // the box of captions and values
    QLabel* lblLogChanged = nullptr;
    std::array<QLabel*, 7> lblStatTxt{};
    // Monitor panel
    QCheckBox* chkMonitor = nullptr;
    QPlainTextEdit* txtGetright = nullptr;
    // Command corner
    HotCommand* cmdReRead = nullptr;
    HotCommand* cmdExit = nullptr;
    ucPBar* PBar1 = nullptr;
    // Never seen; the monitor writes GetRight's last reply here
    QLineEdit* Text1 = nullptr;

    // One member and the layout element that fills it.
    struct Binding {
        QStringView Name;        // the element's name in the layout
        const QMetaObject* Kind; // the class the element must be, or derive from
        QWidget* (*Get)(const frmMainControls&);
        void (*Set)(frmMainControls&, QWidget*); // takes an element of Kind
    };
    // Every member, each once.
    static std::span<const Binding> Bindings();
};
