// mark-started.exe: writes "ran" to ran.txt in its own folder, to show that something
// started it. Plain Win32 and linked statically, so that a copy runs anywhere.
#include <windows.h>

#include <string>

int wmain() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    path.resize(length);
    path.resize(path.find_last_of(L'\\') + 1);
    path += L"ran.txt";
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, "ran", 3, &written, nullptr);
    CloseHandle(file);
    return 0;
}
