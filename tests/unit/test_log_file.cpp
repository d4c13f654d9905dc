// The log file: archive names, the size test after every fragment, rotation that loses nothing.
#include "support.h"

// LogSize 200: the log's name, LogsNum, the files before (a name ending in "/" is a folder, in "!" a file
// another program holds), the fragments, printed in one call up to a "" (the other program lets go); the files.
TEST_F(Brevand, RotationMovesEachArchiveUpAndLosesNothing)
{
    const std::string a(201, 'a'), full(200, 'f'), less(199, 'l'), huge(3000, 'h');
    const struct {
        const char *guards, *name;
        int logsNum;
        std::map<std::string, std::string> before;
        std::vector<std::string> fragments;
        std::map<std::string, std::string> after;
    } cases[] = {
        {"a file of exactly LogSize after a write stays", "b.log", 2, {}, {full}, {{"b.log", full}}},
        {"one byte more makes the first archive", "b.log", 2, {}, {a}, {{"b.log", ""}, {"b.000", a}}},
        {"archives move up, the oldest is deleted", "b.log", 2, {{"b.000", "0"}, {"b.001", "1"}, {"b.002", "2"}}, {a},
         {{"b.log", ""}, {"b.000", a}, {"b.001", "0"}, {"b.002", "1"}}},
        {"gaps move up by one, higher numbers and other names stay", "b.log", 3,
         {{"b.000", "0"}, {"b.002", "2"}, {"b.007", "7"}, {"b.0002", "x"}}, {a},
         {{"b.log", ""}, {"b.000", a}, {"b.001", "0"}, {"b.003", "2"}, {"b.007", "7"}, {"b.0002", "x"}}},
        {"at open exactly LogSize rotates", "b.log", 2, {{"b.log", full}}, {"n"}, {{"b.log", "n"}, {"b.000", full}}},
        {"at open one byte less does not", "b.log", 2, {{"b.log", less}}, {"n"}, {{"b.log", less + "n"}}},
        {"no extension: the name moves", "b", 2, {{"b.log", "x"}}, {a}, {{"b", ""}, {"b.000", a}, {"b.log", "x"}}},
        // The base is the name up to its last dot after its last backslash; "/" is no separator here.
        {"a dot before a backslash starts no extension", "x.d\\b", 2, {}, {a}, {{"x.d\\b", ""}, {"x.d\\b.000", a}}},
        {"a dot before a slash does", "x.d/b", 2, {{"x.d/", ""}}, {a}, {{"x.000", a}}},
        {"a held live file grows", "b.log", 2, {{"b.log!", ""}, {"b.000", "0"}}, {a}, {{"b.log", a}, {"b.000", "0"}}},
        {"a held live file is tried again only after another LogSize", "b.log", 1, {{"b.log!", ""}}, {a, "", less, "c"},
         {{"b.log", ""}, {"b.000", a + less + "c"}}},
        {"a held oldest archive: none is deleted", "b.log", 2, {{"b.000", "0"}, {"b.001", "1"}, {"b.002!", "2"}}, {a},
         {{"b.log", a}, {"b.000", "0"}, {"b.001", "1"}, {"b.002", "2"}}},
        {"a held base.000: none moves", "b.log", 2, {{"b.000!", "0"}, {"b.001", "1"}}, {a},
         {{"b.log", a}, {"b.000", "0"}, {"b.001", "1"}}},
        {"base.000 that cannot move up is not deleted", "b.log", 1, {{"b.000", "0"}, {"b.001/", ""}}, {a},
         {{"b.log", a}, {"b.000", "0"}}},
        {"LogsNum 1000: the oldest is base.1000", "b.log", 1000, {{"b.999", "9"}, {"b.1000", "X"}}, {a},
         {{"b.log", ""}, {"b.000", a}, {"b.1000", "9"}}},
        {"in one call: rotations after the fragments that fill the file, one too long to gather goes whole",
         "b.log", 2, {}, {"x", huge, less, "xy", "z"}, {{"b.log", "z"}, {"b.000", less + "xy"}, {"b.001", "x" + huge}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guards);
        ASSERT_EQ(system(("rm -rf " + Dir + "/*").c_str()), 0);
        Model.Locked.clear();
        for (const auto& [name, bytes] : c.before) {
            std::string path = Path(name.substr(0, name.find_last_not_of("/!") + 1));
            if (name.back() == '/')
                std::filesystem::create_directory(path);
            else
                WriteFile(path, bytes);
            if (name.back() == '!')
                Model.Locked.insert(path);
        }
        OpenLog(200, c.logsNum, c.name);
        std::vector<const char*> call;
        for (const std::string& fragment : c.fragments) {
            if (!fragment.empty()) {
                call.push_back(fragment.c_str());
                continue;
            }
            LogFragments(call.data(), (int)call.size());
            call.clear();
            Model.Locked.clear();
        }
        LogFragments(call.data(), (int)call.size());
        EXPECT_EQ(Files(), c.after);
        CloseLogFile();
    }
}

TEST_F(Brevand, EveryLineOnceAndInOrderAcrossHundredsOfRotations)
{
    OpenLog(2000, 1000);
    const int total = 20000;
    for (int i = 0; i < total; i++)
        Receive("<134>seq=" + std::to_string(i));
    // Oldest archive first, so that a line cut by a rotation joins up again: Files() names the archives
    // newest first, so each goes in front, and the live file last.
    std::string all;
    const auto files = Files();
    for (const auto& [name, bytes] : files)
        all.insert(name == "brevand.log" ? all.size() : 0, bytes);
    size_t at = 0;
    for (int i = 0; i < total && at != std::string::npos; i++)
        at = all.find(" seq=" + std::to_string(i) + "\r\n", at);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(std::count(all.begin(), all.end(), '='), total) << "only the lines have a '='";
    EXPECT_GT(files.size(), 400u);
}
