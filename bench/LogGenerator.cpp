#include "LogGenerator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Rng {
public:
    explicit Rng(quint64 seed) : m_State(seed * 0x9E3779B97F4A7C15ull + 1) {}
    quint64 Next() {
        m_State ^= m_State << 13;
        m_State ^= m_State >> 7;
        m_State ^= m_State << 17;
        return m_State;
    }
    int Below(int n) { return int(Next() % quint64(n)); }
    bool Chance(double p) { return double(Next() % 1000000) < p * 1000000.0; }

private:
    quint64 m_State;
};

const char* const Hosts[] = {"download.example.com", "ftp.example.net",    "mirror1.example.org",
                             "mirror2.example.org",  "files.example.com",  "www.example.org",
                             "cdn.example.edu",      "ftp.gnu.example.org"};
const char* const Folders[] = {"pub",   "pub/tools",     "pub/linux", "music", "video",
                               "games", "drivers/sound", "iso",       "docs",  "beta"};
const char* const Stems[] = {"setup",  "install", "readme", "track", "patch",  "driver", "demo",
                             "manual", "kernel",  "emacs",  "putty", "viewer", "rescue", "clip"};
const char* const Extensions[] = {".exe", ".zip", ".mp3", ".tar.gz", ".iso", ".pdf", ".avi"};
const char* const Chatter[] = {"Connecting to %s", "Connected; requesting file...",
                               "Looking up host name %s", "Download paused by user.",
                               "Server does not support resume."};

struct Download {
    std::string Url;
    std::string Name;
    std::string Local;
    int StepsLeft;
    bool Finishes;
};

} // namespace

void GenerateLog(std::FILE* out, const LogGeneratorOptions& options) {
    Rng rng(options.Seed);
    std::vector<std::string> urls;
    urls.reserve(size_t(options.UrlPool));
    auto makeUrl = [&](int number) {
        char buffer[256];
        std::snprintf(buffer, sizeof buffer, "%s://%s/%s/%s-%d%s", rng.Chance(0.2) ? "ftp" : "http",
                      Hosts[rng.Below(8)], Folders[rng.Below(10)], Stems[rng.Below(14)],
                      number < 0 ? rng.Below(400) : number, Extensions[rng.Below(7)]);
        return std::string(buffer);
    };
    for (int i = 0; i < options.UrlPool; ++i)
        urls.push_back(makeUrl(-1));
    // The mostly-repeated shape grows its own pool: one download in ten brings a new URL.
    std::vector<std::string> seen;
    int fresh = 400;
    auto pickUrl = [&]() -> const std::string& {
        if (options.Shape == LogShape::MostlyRepeated) {
            if (!seen.empty() && rng.Chance(0.9)) return seen[size_t(rng.Below(int(seen.size())))];
            seen.push_back(makeUrl(fresh++));
            return seen.back();
        }
        // Popular URLs come back often.
        const int pick = rng.Chance(0.6) ? rng.Below(std::max(1, options.UrlPool / 50))
                                         : rng.Below(options.UrlPool);
        return urls[size_t(pick)];
    };

    std::vector<Download> open;
    qint64 seconds = 0; // since 12/29/2001 00:00:00
    qint64 written = 0;
    char line[1024];
    auto stamp = [&](char* p) {
        // Days from 12/29/2001 onwards; a third of the days use four-digit years.
        static const int DaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        qint64 day = seconds / 86400;
        int year = 2001, month = 12, dom = 29;
        while (day-- > 0) {
            if (++dom > DaysIn[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0)) {
                dom = 1;
                if (++month > 12) {
                    month = 1;
                    ++year;
                }
            }
        }
        const int t = int(seconds % 86400);
        const bool longDate = options.Shape == LogShape::LongDates || (seconds / 86400) % 3 == 1;
        if (longDate)
            return std::snprintf(p, 32, "%02d/%02d/%04d %02d:%02d:%02d - ", month, dom, year,
                                 t / 3600, t / 60 % 60, t % 60);
        return std::snprintf(p, 32, "%02d/%02d/%02d %02d:%02d:%02d - ", month, dom, year % 100,
                             t / 3600, t / 60 % 60, t % 60);
    };
    auto emit = [&](const char* format, const char* a, const char* b) {
        int n = stamp(line);
        n += std::snprintf(line + n, sizeof line - size_t(n), format, a, b);
        line[n++] = '\r';
        line[n++] = '\n';
        std::fwrite(line, 1, size_t(n), out);
        ++written;
    };

    while (written < options.Lines) {
        seconds += rng.Below(40);
        if (options.Shape == LogShape::FilesOnly) {
            const std::string& url = pickUrl();
            const std::string name = url.substr(url.rfind('/') + 1);
            emit("File: C:\\Downloads\\%s=%s", name.c_str(), url.c_str());
            continue;
        }
        if (rng.Chance(0.002)) {
            std::fputs("*** GetRight was closed ***\r\n", out);
            ++written;
            continue;
        }
        if (open.size() < size_t(options.OpenDownloads) && (open.empty() || rng.Chance(0.25))) {
            Download d;
            d.Url = pickUrl();
            d.Name = d.Url.substr(d.Url.rfind('/') + 1);
            d.Local = std::string(rng.Chance(0.5) ? "C:\\Downloads\\" : "D:\\Files\\") + d.Name;
            d.StepsLeft = 2 + rng.Below(8);
            d.Finishes = !rng.Chance(options.NeverFinished);
            emit("File: %s%s", (d.Local + (rng.Chance(0.3) ? ".GetRight=" : "=")).c_str(),
                 d.Url.c_str());
            open.push_back(std::move(d));
            continue;
        }
        const size_t which = size_t(rng.Below(int(open.size())));
        Download& d = open[which];
        if (--d.StepsLeft <= 0) {
            if (d.Finishes) {
                emit("Finished downloading: %s%s", d.Local.c_str(), "");
            } else {
                emit("Connection lost to %s%s", d.Url.c_str(), "");
            }
            open[which] = std::move(open.back());
            open.pop_back();
            continue;
        }
        const int kind = rng.Below(10);
        char number[32];
        if (kind < 3) {
            std::snprintf(number, sizeof number, "%d", rng.Below(512 * 1024));
            emit("Resumed: %s at: %s", d.Name.c_str(), number);
        } else if (kind < 5) {
            emit("(Re)Started download: %s%s", d.Url.c_str(), "");
        } else if (kind < 6) {
            emit("Could not resume (restarting from 0): %s%s", d.Url.c_str(), "");
        } else {
            const char* host = Hosts[rng.Below(8)];
            emit(Chatter[rng.Below(5)], host, "");
        }
    }
}

bool ParseLogShape(const char* name, LogShape& shape) {
    const struct {
        const char* Name;
        LogShape Shape;
    } names[] = {{"mix", LogShape::Mix},
                 {"files", LogShape::FilesOnly},
                 {"repeats", LogShape::MostlyRepeated},
                 {"longdates", LogShape::LongDates}};
    for (const auto& n : names)
        if (std::strcmp(name, n.Name) == 0) {
            shape = n.Shape;
            return true;
        }
    return false;
}
