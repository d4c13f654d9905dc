// The Options dialog driven through its controls, and the settings it saves.
#include "driver.h"

class OptionsDialog : public OneRun {
protected:
    static void SetUpTestSuite()
    {
        app = new Brevand("[Brevand]\r\nLogName=$DIR\\logs\\opts.log\r\nLogsNum=3\r\nLogSize=150000\r\nFlushTime=0\r\n"
                          "ScreenSize=6000\r\nScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New\r\n");
        ready = app->Launch(true);  // the log's folder is missing: the first case answers its box
    }
    static std::string Log() { return app->PathIn("logs\\opts.log"); }
    // Opens the dialog; the fields as it opened, "name|size|number|flush|screen".  Fills fields {id, text}, presses
    // button, answers each correction box {caption, text} in order; IDC_FONT cancels the font chooser, then the dialog.
    // With behind, that button of the dialog is pressed while each box or the chooser is up: the dialog must stay.
    std::string Options(const std::vector<std::pair<int, std::string>>& fields, int button,
                        const std::vector<std::pair<const char*, std::string>>& boxes = {}, int behind = 0)
    {
        app->Command(IDM_OPTIONS);
        HWND dialog = app->WaitBox(" Brevand Options");
        auto answer = [&](const char* box, int with) {
            EXPECT_FALSE(behind && app->WaitBox(box) && Brevand::Press(dialog, behind) &&
                         WaitUntil([&] { return !IsWindowVisible(dialog); }, 300)) << "ran behind " << box;
            return app->Answer(box, with);
        };
        std::string shown;
        for (int id : {IDC_LOGNAME, IDC_LOGSIZE, IDC_LOGSNUM, IDC_FLUSHTIME, IDC_SCREENSIZE})
            shown += (id == IDC_LOGNAME ? "" : "|") + WindowText(GetDlgItem(dialog, id));
        for (const auto& [id, text] : fields)
            EXPECT_TRUE(SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, (LPARAM)text.c_str(),
                                            SMTO_ABORTIFHUNG, 3000, nullptr));
        EXPECT_FALSE(button == IDC_FONT && Brevand::Press(dialog, IDC_FONT) && EndsWith(answer("Font", IDCANCEL), ")"))
            << "no font chooser, or it stayed open";
        Brevand::Press(dialog, button == IDC_FONT ? IDCANCEL : button);
        for (const auto& [caption, text] : boxes)
            EXPECT_EQ(answer(caption, IDOK), text);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the dialog is still open";
        // Returns once the program takes messages again: what the dialog's end ran is done.
        EXPECT_TRUE(SendMessageTimeoutA(app->main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, nullptr));
        return shown;
    }
};

// Received while the start-up box of the log waits, after the failed open's line and the banner; once the log's
// folder is there, the log is written in it by itself, before the box is answered.  The window's close, Exit and
// Options wait behind the box: the exit question comes once start-up is done, Options is refused.  OK keeps the view.
TEST_F(OptionsDialog, LinesSentWhileTheLogBoxWaitsAreLoggedAndNothingRunsBehindIt)
{
    HWND box = app->WaitBox(" Brevand", 10000);
    ASSERT_TRUE(box && app->WaitReady() && Send("<13>waited"));
    count++;
    std::string waited = ".{16}" + Peer() + "<User.Notice> waited\r\n";
    EXPECT_TRUE(WaitUntil([&] { return std::regex_match(WindowText(app->view), std::regex("Error 3 opening log "
                          "file\r\n---- .* opened ----\r\n" + waited)); })) << WindowText(app->view);
    PostMessageA(app->main, WM_CLOSE, 0, 0);
    app->Command(IDM_EXIT);
    app->Command(IDM_OPTIONS);
    EXPECT_FALSE(app->WaitBox("Exit BREVAND", 500) || app->WaitBox(" Brevand Options", 10)) << "ran behind the box";
    CreateDirectoryA(app->PathIn("logs").c_str(), nullptr);  // used within a second, the lines that waited first
    EXPECT_TRUE(WaitUntil([&] { return std::regex_match(ReadWholeFile(Log()), std::regex("---- .* opened ----\r\n" +
                                                        waited)); })) << ReadWholeFile(Log());
    EXPECT_EQ(app->Answer(" Brevand"), "Error opening log file !");
    EXPECT_EQ(app->Answer("Exit BREVAND", IDNO), ExitQuestion);
    app->Command(IDM_CLEAR);
    std::string line = SendLogged(Log(), "<13>into the folder", "<User.Notice> into the folder");
    Options({}, IDOK);
    EXPECT_TRUE(app->WaitView(line));
    EXPECT_TRUE(app->WaitStatus(Log(), count));
}

// The fields show the settings; Cancel, or the font chooser and then Cancel, apply nothing.  An empty size or number
// keeps its value, an empty screen size reads as 0; the corrections come in order; a new screen size empties the view.
TEST_F(OptionsDialog, CancelChangesNothingAndCorrectionsComeInOrder)
{
    std::string view = WindowText(app->view);
    EXPECT_EQ(Options({{IDC_SCREENSIZE, "2000"}}, IDCANCEL), Log() + "|150000|3|0|6000");
    Options({{IDC_LOGSIZE, "999"}}, IDC_FONT, {}, IDOK);
    EXPECT_TRUE(app->WaitView(view));
    EXPECT_EQ(Options({{IDC_LOGSIZE, ""}, {IDC_LOGSNUM, ""}, {IDC_FLUSHTIME, "45"}, {IDC_SCREENSIZE, ""}}, IDOK,
                      {{" Invalid FlushTime", "FlushTime (45) is too high. Adjusted to 30."},
                       {" Invalid ScreenSize", "Screen size (0) is too small. Adjusted to 1000."}}, IDCANCEL),
              Log() + "|150000|3|0|6000");
    EXPECT_TRUE(app->WaitView(""));
}

// The corrected values are taken.  A folder in place of Brevand.ini: Wine refuses the save, access denied.
TEST_F(OptionsDialog, NewLogNameLeavesTheOldFileClosedAndSaveOkSavesTheValuesOrSaysWhyNot)
{
    std::string renamed = app->PathIn("renamed.txt"), old = ReadWholeFile(Log());
    EXPECT_EQ(Options({{IDC_LOGNAME, renamed}}, IDOK), Log() + "|150000|3|30|1000");
    EXPECT_TRUE(app->WaitStatus(renamed, count));
    EXPECT_TRUE(FileIsClosed(Log()));
    std::string line = SendLogged(renamed, "<13>into the renamed file", "<User.Notice> into the renamed file");
    EXPECT_EQ(ReadWholeFile(Log()), old);
    Options({{IDC_SCREENSIZE, "4000"}}, IDC_SAVEOK);
    std::string saved = "\r\nLogName=" + renamed + "\r\nLogsNum=3\r\nLogSize=150000\r\nFlushTime=30\r\nScreenSize=4000";
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(IniPath).find(saved) != std::string::npos; }));
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(app->PathIn("renamed.000")) == line; })) << "not rotated";
    DeleteFileA(IniPath);
    ASSERT_TRUE(CreateDirectoryA(IniPath, nullptr));
    app->Command(IDM_SAVE);
    EXPECT_NE(app->Answer("BREVAND Error").find("(Error saving Brevand.ini, error 5)"), std::string::npos);
    RemoveDirectoryA(IniPath);
}
