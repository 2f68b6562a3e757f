#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// One DownloadInfo reply of GetRight, cut at its first three bars.
struct DownloadInfoRecord {
    QString First;
    QString SizeKb; // the second field in kilobytes, "####" style: empty when it rounds to 0
    QString Third;
    QString Rest; // everything after the third bar, further bars included
};

// Nothing when a bar is missing or the second field is not a number in the locale's form.
std::optional<DownloadInfoRecord> SplitDownloadInfo(const QString& Reply, const QLocale& locale);

// A number written with the format "####": rounded half away from zero, no separators,
// and an empty text for a value that rounds to 0.
QString FormatHashes(double value);
