// quillan-loggen LINES OUTFILE [SEED]: writes a synthetic GetRight log.
#include "LogGenerator.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quillan-loggen LINES OUTFILE [SEED]\n");
        return 2;
    }
    LogGeneratorOptions options;
    options.Lines = std::atoll(argv[1]);
    if (argc > 3) options.Seed = std::strtoull(argv[3], nullptr, 10);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    GenerateLog(out, options);
    return std::fclose(out) == 0 ? 0 : 1;
}
