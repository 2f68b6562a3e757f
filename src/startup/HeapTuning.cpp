#include "startup/HeapTuning.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX) && defined(__GLIBC__) && !defined(QUILLAN_SANITIZED)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/auxv.h>
#include <unistd.h>

namespace {
constexpr const char* Tunables = "GLIBC_TUNABLES";
constexpr const char* HugeHeap = "glibc.malloc.hugetlb=1";
// Set for the second start only: it marks that start, and carries the user's own tunables
// so that they, not ours, are what the programs we start inherit.
constexpr const char* Restarted = "QUILLAN_HEAP_RESTARTED";
constexpr const char* UserTunables = "QUILLAN_USER_TUNABLES";

// Huge pages only on request ("madvise"): the one setting where the heap must ask.
bool KernelGivesHugePagesOnRequest() {
    std::FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!f) return false;
    char mode[128] = {};
    const bool read = std::fgets(mode, sizeof mode, f) != nullptr;
    std::fclose(f);
    return read && std::strstr(mode, "[madvise]") != nullptr;
}

void PutBackUserTunables() {
    if (const char* user = std::getenv(UserTunables))
        setenv(Tunables, user, 1);
    else
        unsetenv(Tunables);
    unsetenv(UserTunables);
    unsetenv(Restarted);
}
} // namespace

void PreferHugePageHeap(char** argv) {
    if (std::getenv(Restarted)) {
        // glibc has read the tunables; the environment goes back to what the user gave.
        PutBackUserTunables();
        return;
    }
    // A privileged start (set-user-ID, file capabilities) ignores tunables: leave it be.
    if (getauxval(AT_SECURE)) return;
    const char* current = std::getenv(Tunables);
    // The user's own choice, either way (glibc.malloc.hugetlb=0 turns this off).
    if (current && std::strstr(current, "glibc.malloc.hugetlb")) return;
    if (!KernelGivesHugePagesOnRequest()) return;
    const std::string before = current ? current : "";
    const std::string tuned = before.empty() ? HugeHeap : before + ":" + HugeHeap;
    if (current) setenv(UserTunables, current, 1);
    setenv(Restarted, "1", 1);
    setenv(Tunables, tuned.c_str(), 1);
    execv("/proc/self/exe", argv);
    // Could not start again: go on as we are, with the environment as it was.
    PutBackUserTunables();
}

#else

void PreferHugePageHeap(char**) {}

#endif
