// Entry of the end-to-end tests: --brevand=PATH names the exe; then Winsock and the GoogleTest cases.
#include "driver.h"

#include <string.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--brevand=", 10) != 0)
            continue;
        // Under Wine, ctest hands over the Linux path of the exe.
        typedef WCHAR*(CDECL * ToDos)(const char*);
        ToDos toDos = reinterpret_cast<ToDos>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
        char full[MAX_PATH] = "";
        WCHAR* dos = argv[i][10] == '/' && toDos ? toDos(argv[i] + 10) : nullptr;
        if (dos)
            WideCharToMultiByte(CP_ACP, 0, dos, -1, full, sizeof full, nullptr, nullptr);
        else
            GetFullPathNameA(argv[i] + 10, sizeof full, full, nullptr);
        BrevandExe = full;
    }
    if (GetFileAttributesA(BrevandExe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "brevand.exe not found at '%s' (give --brevand=PATH)\n", BrevandExe.c_str());
        return 2;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return 2;
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias == 0)
        printf("note: local time is UTC here, so a timestamp in UTC would go unnoticed\n");
    return RUN_ALL_TESTS();
}
