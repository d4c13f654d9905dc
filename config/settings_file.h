// The settings file Brevand.ini, section "Brevand", and the view font's text form.
#ifndef BREVAND_SETTINGS_FILE_H
#define BREVAND_SETTINGS_FILE_H

#include "platform/platform.h"
#include "version.h"

#define INI_FILE "Brevand.ini"
#define INI_SECTION "Brevand"
#define INI_VERSION BREVAND_VERSION
#define SCREEN_FONT_TEXT_SIZE 160

// Reads Brevand.ini into Settings, every number forced into its range, and
// the view font's description when there is one: 1 then, for the caller to
// apply it (ApplyViewFont).  The log file is not opened here.
int LoadSettings(void);
void SaveSettings(void);

// ScreenFontText: thirteen numbers, each followed by a comma, then the face
// name.  Format returns 0 (and writes nothing) when the value would not fit
// in size; Parse returns 1 only when all fourteen items were read.
int FormatScreenFont(const LogFontRecord* font, char* out, unsigned size);
int ParseScreenFont(const char* text, LogFontRecord* font);

// Creates the font of Settings.Font and puts it on the view; on failure
// reports "Error %d in Applying Font".  The old font is released only once
// the new one is on the view.  1 on success.
int ApplyViewFont(void);

#endif
