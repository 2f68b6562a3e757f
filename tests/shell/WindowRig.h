#pragma once

#include "ShellFakes.h"
#include "TestSupport.h"
#include "controls/HotCommand.h"
#include "controls/ucPBar.h"
#include "shell/frmMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace ShellRig {

// The window with every platform piece faked, started as the program starts it (or left
// unstarted, for a test that must act during start-up's own yield).
struct Window {
    ShellFakes::Platform Fakes;
    std::unique_ptr<frmMain> W;

    enum class Start { Now, Later };

    explicit Window(std::optional<QString> defaultLog = std::nullopt, Start start = Start::Now) {
        Fakes.Registry->Value = std::move(defaultLog);
        W = std::make_unique<frmMain>(Fakes.Make());
        if (start == Start::Now) Started();
    }
    void Started() {
        W->Form_Load();
        W->show();
        W->activateWindow();
        if (!QTest::qWaitForWindowActive(W.get())) qWarning("window not active");
    }
    template <class T = QWidget> T* Get(const QString& name) const {
        T* w = qobject_cast<T*>(W->Element(name));
        if (!w) qFatal("no element %s", qPrintable(name));
        return w;
    }
    HotCommand* Button(const QString& name) const { return Get<HotCommand>(name); }
    ucPBar* Bar() const { return Get<ucPBar>(QStringLiteral("PBar1")); }
    QString FileText() const { return Get<QLineEdit>(QStringLiteral("txtFileName"))->text(); }
    QString Stat(int i) const {
        return Get<QLabel>(QStringLiteral("lblStatTxt(%1)").arg(i))->text();
    }
    void Click(const QString& name) const {
        QTest::mouseClick(Button(name)->picButton(), Qt::LeftButton);
    }
    void Browse(const QString& path) {
        Fakes.Files->Next = {FileChooser::Result::Kind::Chosen, path};
        Click(QStringLiteral("cmdGetLog"));
    }
    // Which of the commands that need a loaded log are enabled, as one text.
    QString EnabledCommands() const {
        QStringList on;
        for (const char* name :
             {"cmdNoSort", "cmdByDate", "cmdByName", "cmdByURL", "cmdByLocal", "cmdPlay", "cmdCase",
              "cmdSearchPrev", "cmdSearch", "cmdSearchNext", "cmdReRead"})
            if (Button(QString::fromLatin1(name))->Enabled()) on << QString::fromLatin1(name);
        if (Get(QStringLiteral("txtSearch"))->isEnabled()) on << QStringLiteral("txtSearch");
        return on.join(u' ');
    }
};

inline const QString AllLoaded =
    QStringLiteral("cmdPlay cmdCase cmdSearchPrev cmdSearch cmdSearchNext cmdReRead txtSearch");

inline QString WriteLog(QTemporaryDir& dir, const QString& name,
                        std::initializer_list<const char*> lines) {
    return TestSupport::WriteFile(dir, name, TestSupport::CrLf(lines));
}

} // namespace ShellRig
