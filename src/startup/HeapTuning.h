#pragma once

// A big log makes millions of small allocations, and on Linux most of the time they cost
// is the kernel handing out 4 KB pages one fault at a time. glibc can keep its heap on
// transparent huge pages instead, but reads that choice only when a process starts; so a
// program that wants it starts itself once more with it made. Call first thing in main:
// it returns at once where there is nothing to gain (not glibc on Linux, the kernel gives
// huge pages to everything already or to nothing, the user's GLIBC_TUNABLES names the
// choice already, a privileged start, a sanitizer build), and also if the new start fails,
// leaving the process as it was. The second start puts the user's environment back, so
// that the programs Quillan starts inherit it unchanged.
void PreferHugePageHeap(char** argv);
