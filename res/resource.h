// Command and control ids shared by brevand.rc and the code.
#ifndef BREVAND_RESOURCE_H
#define BREVAND_RESOURCE_H

// Menu commands.
#define IDM_ABOUT 1
#define IDM_EXIT 3
#define IDM_CLEAR 4
#define IDM_DUMP 5
#define IDM_STATISTICS 7
#define IDM_OPTIONS 14
#define IDM_SAVE 15
#define IDM_PAUSE 18

// Options dialog controls (IDOK and IDCANCEL are the system's 1 and 2).
#define IDC_SAVEOK 6
#define IDC_LOGNAME 123
#define IDC_LOGSIZE 124
#define IDC_LOGSNUM 125
#define IDC_SCREENSIZE 126
#define IDC_FLUSHTIME 127
#define IDC_FONT 1000
#define IDC_SPIN 1001

#define IDC_STATIC -1

#endif
