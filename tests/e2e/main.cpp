// Entry of the end-to-end tests: --brevand=PATH names the exe (a Linux path is taken to be on drive Z:).
#include "driver.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++)
        if (strncmp(argv[i], "--brevand=", 10) == 0)
            BrevandExe = std::regex_replace((argv[i][10] == '/' ? "Z:" : "") + std::string(argv[i] + 10),
                                            std::regex("/"), "\\");
    WSADATA wsa;
    sockaddr_in local = {AF_INET, 0, {}, {}};
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (GetFileAttributesA(BrevandExe.c_str()) == INVALID_FILE_ATTRIBUTES || WSAStartup(MAKEWORD(2, 2), &wsa) != 0 ||
        bind(Sending = socket(AF_INET, SOCK_DGRAM, 0), (sockaddr*)&local, sizeof local) != 0) {
        fprintf(stderr, "brevand.exe not found at '%s', or no Winsock (give --brevand=PATH)\n", BrevandExe.c_str());
        return 2;
    }
    return RUN_ALL_TESTS();
}
