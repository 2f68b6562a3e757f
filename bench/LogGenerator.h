#pragma once

#include <QtGlobal>

#include <cstdio>

// Writes a synthetic GetRight log of `lines` lines (CR LF): interleaved downloads with
// the five event kinds and everyday chatter, repeated URLs and file names, both date
// lengths, downloads that never finish, and a few lines without a date. The other shapes
// stress one part each: every line a "File: " line (records), URLs that mostly come back
// while the rest are new (keys), and four-digit years throughout (the long date).
enum class LogShape { Mix, FilesOnly, MostlyRepeated, LongDates };

struct LogGeneratorOptions {
    qint64 Lines = 100000;
    quint64 Seed = 1;
    int UrlPool = 5000;     // distinct URLs; most downloads reuse one of them
    int OpenDownloads = 40; // downloads running side by side
    double NeverFinished = 0.1;
    LogShape Shape = LogShape::Mix;
};

// "mix", "files", "repeats" or "longdates"; false for another name.
bool ParseLogShape(const char* name, LogShape& shape);

void GenerateLog(std::FILE* out, const LogGeneratorOptions& options);
