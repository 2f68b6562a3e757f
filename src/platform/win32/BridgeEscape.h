#pragma once

#include <string>

namespace QuillanDde {

// Keeps one reply on one line of the bridge's output: backslash, CR and LF as \\, \r, \n.
inline std::string EscapeLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

} // namespace QuillanDde
