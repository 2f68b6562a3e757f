#pragma once

#include "report/DownloadSummary.h"

#include <QByteArray>

// The downloads for spreadsheets: RFC 4180 (a header row, CR LF line ends, every field
// that holds a comma, quote or line end quoted, quotes doubled), UTF-8 without a BOM.
QByteArray CsvReport(const DownloadSummary& summary);
