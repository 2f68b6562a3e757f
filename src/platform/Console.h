#pragma once

// quillan-report's output is the same bytes on every platform: UTF-8 with LF line ends,
// whether it goes to a file, a pipe or a console. Hold one of these in main while output
// is written. On Windows it turns off the C runtime's LF to CR LF translation of standard
// output and error, and switches a console window that shows them to UTF-8 for the run,
// putting the console's own code page back when it goes. Elsewhere it does nothing.
class Utf8StandardStreams {
public:
    Utf8StandardStreams();
    ~Utf8StandardStreams();
    Utf8StandardStreams(const Utf8StandardStreams&) = delete;
    Utf8StandardStreams& operator=(const Utf8StandardStreams&) = delete;

private:
    unsigned m_ConsoleCodePage = 0; // the console's own, to restore; 0 when untouched
};
