#include "cli/Report.h"
#include "platform/Console.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillan-report"));
#ifdef QUILLAN_SANITIZED
    // Leak checking needs everything freed the ordinary way.
    const Utf8StandardStreams streams;
    return RunReport(QCoreApplication::arguments(), stdout, stderr, Teardown::Full);
#else
    int status = 0;
    bool written = false;
    {
        const Utf8StandardStreams streams;
        status = RunReport(QCoreApplication::arguments(), stdout, stderr, Teardown::LeaveToExit);
        written = std::fflush(stdout) == 0;
        std::fflush(stderr);
    }
    std::_Exit(written ? status : 1);
#endif
}
