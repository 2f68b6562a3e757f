#include "report/StatisticsPanel.h"

using namespace Qt::StringLiterals;

QStringList StatCaptionTexts() {
    QStringList captions;
    for (const char16_t* caption : StatCaptions)
        captions << QString::fromUtf16(caption);
    return captions;
}

QStringList StatLabelTexts(const LogAnalysis& analysis, bool passCompleted) {
    QStringList labels(7, u"0"_s);
    if (!passCompleted) return labels;
    const auto texts = analysis.StatTexts();
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i]) labels[qsizetype(i)] = *texts[i];
    return labels;
}
