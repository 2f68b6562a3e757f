#pragma once

#include "analysis/LogAnalysis.h"

#include <QStringList>

// Captions of the statistics panel, in panel order, paired with their value labels.
inline constexpr const char16_t* StatCaptions[7] = {
    u"Total Files",     u"Total Resumes", u"Total Restarts", u"Total Completed",
    u"Bytes Recovered", u"Log Started",   u"Log Finished"};

QStringList StatCaptionTexts();

// The seven label texts as the window would show them after a load ("0" for a label the
// pass left untouched).
QStringList StatLabelTexts(const LogAnalysis& analysis, bool passCompleted);
