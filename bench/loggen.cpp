// quillan-loggen LINES OUTFILE [SEED [SHAPE]]: writes a synthetic GetRight log; SHAPE is mix
// (the default), files, repeats or longdates.
#include "LogGenerator.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: quillan-loggen LINES OUTFILE [SEED [mix|files|repeats|longdates]]\n");
        return 2;
    }
    LogGeneratorOptions options;
    options.Lines = std::atoll(argv[1]);
    if (argc > 3) options.Seed = std::strtoull(argv[3], nullptr, 10);
    if (argc > 4 && !ParseLogShape(argv[4], options.Shape)) {
        std::fprintf(stderr, "quillan-loggen: unknown shape %s\n", argv[4]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    GenerateLog(out, options);
    return std::fclose(out) == 0 ? 0 : 1;
}
