#include "analysis/HeapTuning.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX) && defined(__GLIBC__) && !defined(QUILLAN_SANITIZED)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {
constexpr const char* Tunables = "GLIBC_TUNABLES";
constexpr const char* HugeHeap = "glibc.malloc.hugetlb=1";

// Huge pages only on request ("madvise"): the one setting where the heap must ask.
bool KernelGivesHugePagesOnRequest() {
    std::FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!f) return false;
    char mode[128] = {};
    const bool read = std::fgets(mode, sizeof mode, f) != nullptr;
    std::fclose(f);
    return read && std::strstr(mode, "[madvise]") != nullptr;
}
} // namespace

void PreferHugePageHeap(char** argv) {
    const char* current = std::getenv(Tunables);
    // Made already, by the first start or by the user.
    if (current && std::strstr(current, "glibc.malloc.hugetlb")) return;
    if (!KernelGivesHugePagesOnRequest()) return;
    const std::string before = current ? current : "";
    const std::string tuned = before.empty() ? HugeHeap : before + ":" + HugeHeap;
    if (setenv(Tunables, tuned.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
    // Could not start again: go on as we are, with the environment as it was.
    if (current)
        setenv(Tunables, before.c_str(), 1);
    else
        unsetenv(Tunables);
}

#else

void PreferHugePageHeap(char**) {}

#endif
