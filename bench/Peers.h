#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Other programs run on the same log, each in a process of its own, with what the kernel
// counted of it: the yardsticks every benchmark table gives beside its own figures.

// How often each peer runs; a benchmark judges each by its best run.
constexpr int PeerRuns = 3;

struct ChildRun {
    int Status = -1;
    double WallMs = 0;
    double CpuMs = 0;  // user + system
    double PeakMb = 0; // largest resident set
};

// Runs a program to its end, its output thrown away unless `quiet` is false.
ChildRun RunChild(const std::vector<QByteArray>& args, bool quiet = true);

// The best wall and processor time of `runs` runs, and the largest peak of them.
ChildRun BestOf(const std::vector<QByteArray>& args, int runs = PeerRuns);

// `wc -l`, a one-pass awk script that counts what the statistics count, and
// `quillan-report --stats`, on one log. The script runs under both awks Debian has: mawk,
// its default, and GNU awk, which takes the name `awk` once installed and is about three
// times slower on this script. A missing one has a Status of 127.
struct Peers {
    ChildRun Wc;
    ChildRun Mawk;
    ChildRun Gawk;
    ChildRun Report;
};
Peers RunPeers(const QString& log, int runs = PeerRuns);

// Whether the program ran: 127 is the shell's and execvp's "not found".
inline bool Ran(const ChildRun& run) { return run.Status != 127 && run.Status != -1; }

// "wc -l 10 ms, mawk 96 ms, gawk 281 ms, quillan-report --stats 185 ms = 18.5 x wc -l,
// 1.93 x mawk, 0.66 x gawk, peak 1.97 x the file": the report tool's targets are <= 8 x
// wc -l, <= 0.5 x awk, <= 2 x file.
void PrintPeers(const Peers& peers, double fileMb);
