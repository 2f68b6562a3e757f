#include "report/CsvReport.h"

using namespace Qt::StringLiterals;

namespace {

void Field(QByteArray& out, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    bool quote = false;
    for (const char c : bytes)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    if (!quote) {
        out += bytes;
        return;
    }
    out += '"';
    for (const char c : bytes) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

QByteArray CsvReport(const DownloadSummary& summary) {
    QByteArray out;
    out.reserve(qsizetype(summary.Rows.size()) * 160 + 200);
    out += "File name,Host,URL,Local path,Started,Finished,Restarts,Resumes,Mirror swaps,"
           "KBytes resumed,Completed\r\n";
    for (const DownloadRow& row : summary.Rows) {
        Field(out, row.FileName);
        out += ',';
        Field(out, row.Host);
        out += ',';
        Field(out, row.Url);
        out += ',';
        Field(out, row.LocalPath);
        out += ',';
        Field(out, row.Started);
        out += ',';
        Field(out, row.Finished);
        out += ',' + QByteArray::number(row.Restarts) + ',' + QByteArray::number(row.Resumes) +
               ',' + QByteArray::number(row.MirrorSwaps) + ',' + QByteArray::number(row.KbResumed) +
               ',' + (row.Done() ? "yes" : "no") + "\r\n";
    }
    return out;
}
