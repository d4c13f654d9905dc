// Entry of the end-to-end tests: finds brevand.exe, starts Winsock, runs the GoogleTest cases.
#include "driver.h"

#include <stdio.h>
#include <string.h>

namespace {

// A full Windows path; under Wine, ctest hands over the Linux path of the exe.
std::string FullPath(std::string path)
{
    typedef WCHAR*(CDECL * ToDos)(const char*);
    ToDos toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (!path.empty() && path[0] == '/' && toDos) {
        if (WCHAR* dos = toDos(path.c_str())) {
            char converted[MAX_PATH];
            if (WideCharToMultiByte(CP_ACP, 0, dos, -1, converted, sizeof converted, nullptr, nullptr) > 0)
                path = converted;
            HeapFree(GetProcessHeap(), 0, dos);
        }
    }
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return (n > 0 && n < sizeof full) ? std::string(full) : path;
}

// --brevand=PATH, else the build folder's brevand.exe two levels above this program (tests/e2e/).
std::string LocateBrevand(int argc, char** argv)
{
    for (int i = 1; i < argc; i++)
        if (strncmp(argv[i], "--brevand=", 10) == 0)
            return FullPath(argv[i] + 10);
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir = (n > 0 && n < sizeof self) ? std::string(self) : std::string(".\\x");
    return FullPath(dir.substr(0, dir.find_last_of("\\/")) + "\\..\\..\\brevand.exe");
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
    // A holder of port 514 before the first start would make every start fail confusingly.
    if (Port514Taken()) {
        fprintf(stderr, "UDP port 514 is already taken by another program\n");
        return 2;
    }
    int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
