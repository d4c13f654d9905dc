// Private-profile (INI) files with the Windows rules the settings rely on.
#include <strings.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/model.h"

// A bare file name lives in the Windows directory.
static std::string ProfilePath(const char* file)
{
    std::string name = file;
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
        return name;
    return Model.WindowsDirectory + "/" + name;
}

static std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

static std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

static bool IsSection(const std::string& line, std::string* name)
{
    std::string t = Trim(line);
    if (t.size() < 2 || t[0] != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    *name = Trim(t.substr(1, close - 1));
    return true;
}

// Finds key in section: the index of its line, or -1.  *sectionEnd is the
// line after the section's last line (-1 when there is no such section).
static int FindKey(const std::vector<std::string>& lines, const char* section, const char* key,
                   int* sectionEnd)
{
    bool inside = false;
    *sectionEnd = -1;
    for (size_t i = 0; i < lines.size(); i++) {
        std::string name;
        if (IsSection(lines[i], &name)) {
            if (inside)
                return -1;
            inside = strcasecmp(name.c_str(), section) == 0;
            if (inside)
                *sectionEnd = (int)i + 1;
            continue;
        }
        if (!inside)
            continue;
        if (!Trim(lines[i]).empty())
            *sectionEnd = (int)i + 1;
        size_t eq = lines[i].find('=');
        if (eq != std::string::npos && strcasecmp(Trim(lines[i].substr(0, eq)).c_str(), key) == 0)
            return (int)i;
    }
    return -1;
}

static bool GetValue(const char* section, const char* key, const char* file, std::string* value)
{
    std::vector<std::string> lines = ReadLines(ProfilePath(file));
    int end;
    int at = FindKey(lines, section, key, &end);
    if (at < 0)
        return false;
    std::string v = Trim(lines[at].substr(lines[at].find('=') + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        v = v.substr(1, v.size() - 2);
    *value = v;
    return true;
}

unsigned PlatProfileGetString(const char* section, const char* key, const char* def,
                              char* buf, unsigned size, const char* file)
{
    std::string value;
    if (!GetValue(section, key, file, &value))
        value = def != NULL ? def : "";
    if (size == 0)
        return 0;
    size_t len = value.size() < size - 1 ? value.size() : size - 1;
    value.copy(buf, len);
    buf[len] = '\0';
    return (unsigned)len;
}

unsigned PlatProfileGetInt(const char* section, const char* key, int def, const char* file)
{
    // An empty value reads as an absent one: the reader takes the value's
    // text first, and its length 0 gives the default.
    std::string value;
    if (!GetValue(section, key, file, &value) || value.empty())
        return (unsigned)def;
    // As the kernel reads a number of no given base: leading white space, a
    // sign, decimal digits, or after 0x, 0o or 0b (in lower case)
    // hexadecimal, octal or binary ones, up to the first that is not one;
    // 32-bit wrap-around.
    const char* p = value.c_str();
    while (*p == ' ' || *p == '\t')
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    unsigned radix = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'o' || p[1] == 'b')) {
        radix = p[1] == 'x' ? 16 : p[1] == 'o' ? 8 : 2;
        p += 2;
    }
    uint32_t n = 0;
    for (;; p++) {
        unsigned digit = *p >= '0' && *p <= '9' ? (unsigned)(*p - '0')
                         : radix == 16 && *p >= 'a' && *p <= 'f' ? (unsigned)(*p - 'a' + 10)
                         : radix == 16 && *p >= 'A' && *p <= 'F' ? (unsigned)(*p - 'A' + 10)
                                                                 : radix;
        if (digit >= radix)
            break;
        n = n * radix + digit;
    }
    return negative ? 0u - n : n;
}

int PlatProfileWriteString(const char* section, const char* key, const char* value,
                           const char* file)
{
    std::string path = ProfilePath(file);
    std::vector<std::string> lines = ReadLines(path);
    int end;
    int at = FindKey(lines, section, key, &end);
    std::string entry = std::string(key) + "=" + value;
    if (at >= 0) {
        lines[at] = entry;
    } else if (end >= 0) {
        lines.insert(lines.begin() + end, entry);
    } else {
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(entry);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines)
        out << line << "\r\n";
    out.flush();
    return out.good() ? 1 : FailWithErrno();
}
