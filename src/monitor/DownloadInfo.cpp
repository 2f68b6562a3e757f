#include "monitor/DownloadInfo.h"

#include <cmath>

using namespace Qt::StringLiterals;

QString FormatHashes(double value) {
    const double rounded = std::round(value);
    if (rounded == 0.0) return {};
    return QString::number(rounded, 'f', 0);
}

std::optional<DownloadInfoRecord> SplitDownloadInfo(const QString& Reply, const QLocale& locale) {
    const qsizetype first = Reply.indexOf(u'|');
    if (first < 0) return std::nullopt;
    const qsizetype second = Reply.indexOf(u'|', first + 1);
    if (second < 0) return std::nullopt;
    bool isNumber = false;
    const double size =
        locale.toDouble(QStringView(Reply).sliced(first + 1, second - first - 1), &isNumber);
    // QLocale reads "inf" and "nan", which the platform's own conversion refuses.
    if (!isNumber || !std::isfinite(size)) return std::nullopt;
    const qsizetype third = Reply.indexOf(u'|', second + 1);
    if (third < 0) return std::nullopt;
    DownloadInfoRecord record;
    record.First = Reply.left(first);
    record.SizeKb = FormatHashes(size / 1024.0);
    record.Third = Reply.mid(second + 1, third - second - 1);
    record.Rest = Reply.mid(third + 1);
    return record;
}
