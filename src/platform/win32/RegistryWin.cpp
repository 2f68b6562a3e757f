#include "platform/win32/RegistryWin.h"

#include <windows.h>

#include <algorithm>
#include <vector>

std::optional<std::string> ReadRegSzA(std::uint32_t rootKey, const std::string& keyPath,
                                      const std::string& valueName) {
    // The predefined keys are negative 32-bit values, sign-extended in a 64-bit handle.
    const HKEY root = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(rootKey)));
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    struct Closer {
        HKEY Key;
        ~Closer() { RegCloseKey(Key); }
    } closer{key};

    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    // The value may grow between the two calls; one more try with the new size.
    std::vector<char> buffer;
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 2 && status == ERROR_MORE_DATA; ++attempt) {
        buffer.assign(size, '\0');
        status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    std::string text(buffer.begin(), buffer.begin() + std::min<size_t>(size, buffer.size()));
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}
