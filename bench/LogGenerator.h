#pragma once

#include <QtGlobal>

#include <cstdio>

// Writes a synthetic GetRight log of `lines` lines (CR LF): interleaved downloads with
// the five event kinds and everyday chatter, repeated URLs and file names, both date
// lengths, downloads that never finish, and a few lines without a date.
struct LogGeneratorOptions {
    qint64 Lines = 100000;
    quint64 Seed = 1;
    int UrlPool = 5000;     // distinct URLs; most downloads reuse one of them
    int OpenDownloads = 40; // downloads running side by side
    double NeverFinished = 0.1;
};

void GenerateLog(std::FILE* out, const LogGeneratorOptions& options);
