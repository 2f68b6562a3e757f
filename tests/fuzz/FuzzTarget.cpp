// libFuzzer entry: every input goes through the whole pipeline; a broken invariant aborts,
// so that libFuzzer keeps the input like any other crash.
#include "Pipeline.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "quillan fuzz: no temporary folder\n");
        std::abort();
    }
    const FuzzPipeline::Summary summary = FuzzPipeline::Run(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), dir.path());
    bool fatal = !summary.Problems.isEmpty();
    // A build that raises leaves the window's tree hidden; strict runs count it as a fault.
    if (!summary.BuildErrors.isEmpty() && qEnvironmentVariableIsSet("QUILLAN_FUZZ_STRICT"))
        fatal = true;
    if (fatal) {
        for (const QString& line : summary.Problems + summary.BuildErrors)
            std::fprintf(stderr, "quillan fuzz: %s\n", line.toUtf8().constData());
        std::abort();
    }
    return 0;
}
