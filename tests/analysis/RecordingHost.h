#pragma once

#include "analysis/LogAnalysis.h"

#include <QStringList>

namespace TestSupport {

// Records what the loader and the pass would show.
struct RecordingHost : AnalysisHost {
    QStringList Messages;
    int Resets = 0;
    int LogChangedHidden = 0;
    qint32 LastProgress = 0;
    void ResetControls() override { ++Resets; }
    void HideLogChanged() override { ++LogChangedHidden; }
    void ShowMessage(MessageIcon icon, const QString& title, const QString& text) override {
        Messages << (QString(icon == MessageIcon::Critical ? QStringLiteral("stop|")
                                                           : QStringLiteral("info|")) +
                     title + QStringLiteral("|") + text);
    }
    void Progress(qint32 value) override { LastProgress = value; }
};

} // namespace TestSupport
