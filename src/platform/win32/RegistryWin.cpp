#include "platform/win32/RegistryWin.h"

#include <windows.h>

#include <vector>

std::optional<std::string> ReadRegSzA(std::uint32_t rootKey, const std::string& keyPath,
                                      const std::string& valueName) {
    HKEY key = nullptr;
    // A failed open leaves the handle null, and the query below fails on it.
    RegOpenKeyA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(rootKey)), keyPath.c_str(), &key);
    struct Closer {
        HKEY& Key;
        ~Closer() { RegCloseKey(Key); }
    } closer{key};

    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::vector<char> buffer(size, ' ');
    if (size > 0 &&
        RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string text(buffer.data(), buffer.size());
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}
