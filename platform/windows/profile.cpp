// The settings file through the kernel's private-profile (INI) calls.
#include <windows.h>

#include "platform/platform.h"

unsigned PlatProfileGetString(const char* section, const char* key, const char* def,
                              char* buf, unsigned size, const char* file)
{
    return (unsigned)GetPrivateProfileStringA(section, key, def, buf, size, file);
}

unsigned PlatProfileGetInt(const char* section, const char* key, int def, const char* file)
{
    return (unsigned)GetPrivateProfileIntA(section, key, def, file);
}

int PlatProfileWriteString(const char* section, const char* key, const char* value,
                           const char* file)
{
    return WritePrivateProfileStringA(section, key, value, file) ? 1 : 0;
}
