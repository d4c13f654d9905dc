// Entry of the end-to-end tests: finds brevand.exe, starts Winsock, runs the GoogleTest cases.
#include "driver.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Under Wine, ctest hands over the Linux path of the exe.
std::string FromUnixPath(const std::string& path)
{
    typedef WCHAR*(CDECL * ToDos)(const char*);
    ToDos toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (path.empty() || path[0] != '/' || !toDos)
        return path;
    WCHAR* dos = toDos(path.c_str());
    if (!dos)
        return path;
    char converted[MAX_PATH];
    int n = WideCharToMultiByte(CP_ACP, 0, dos, -1, converted, sizeof converted, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, dos);
    return n > 0 ? std::string(converted) : path;
}

std::string FullPath(const std::string& raw)
{
    std::string path = FromUnixPath(raw);
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return (n > 0 && n < sizeof full) ? std::string(full) : path;
}

// --brevand=PATH, else BREVAND_EXE, else the build folder's brevand.exe two
// levels above this program (tests/e2e/).
std::string LocateBrevand(int argc, char** argv)
{
    for (int i = 1; i < argc; i++)
        if (strncmp(argv[i], "--brevand=", 10) == 0)
            return FullPath(argv[i] + 10);
    if (const char* env = getenv("BREVAND_EXE"))
        if (*env)
            return FullPath(env);
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir = (n > 0 && n < sizeof self) ? std::string(self) : std::string(".\\x");
    dir = dir.substr(0, dir.find_last_of("\\/"));
    return FullPath(dir + "\\..\\..\\brevand.exe");
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    BrevandExe = LocateBrevand(argc, argv);
    if (!FileExists(BrevandExe)) {
        fprintf(stderr, "brevand.exe not found at %s (give --brevand=PATH)\n", BrevandExe.c_str());
        return 2;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        fprintf(stderr, "WSAStartup failed\n");
        return 2;
    }
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias == 0)
        printf("note: local time is UTC here, so a timestamp in UTC would go unnoticed\n");
    // The tests hold port 514 for themselves: a holder before the first start
    // would make every start fail in a confusing way.
    if (Port514Taken()) {
        fprintf(stderr, "UDP port 514 is already taken by another program\n");
        return 2;
    }
    int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
