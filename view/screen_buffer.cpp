// The screen buffer: a bounded tail of everything written through LogPrint.
#include <stdlib.h>
#include <string.h>

#include "config/settings.h"
#include "view/view.h"

ScreenBufferRecord ScreenBuffer = {NULL, 0, 0, {0, 0, 0}};

int AllocScreenBuffer(int size)
{
    ScreenBuffer.Text = (char*)malloc((size_t)size);
    if (ScreenBuffer.Text == NULL)
        return 0;
    ScreenBuffer.Text[0] = '\0';
    ScreenBuffer.Length = 0;
    return 1;
}

void FreeScreenBuffer(void)
{
    char* text = ScreenBuffer.Text;
    ScreenBuffer.Text = NULL;  // absent before it is gone
    ScreenBuffer.Length = 0;
    free(text);
}

void ClearScreenBuffer(void)
{
    if (ScreenBuffer.Text != NULL)
        ScreenBuffer.Text[0] = '\0';
    ScreenBuffer.Length = 0;
}

int ScreenTextLength(void)
{
    return ScreenBuffer.Length;
}

// Cuts the oldest text, at a line feed where there is one, so that the text
// never comes within 100 bytes of the end of the block.
void AppendToScreen(const char* fragment)
{
    char* text = ScreenBuffer.Text;
    size_t add = strlen(fragment);
    size_t have = (size_t)ScreenBuffer.Length;
    size_t room = (size_t)Settings.ScreenSize - 100;

    if (add + have > room) {
        size_t cut = add + 200;
        if (cut >= have) {
            have = 0;
        } else {
            const char* lf = (const char*)memchr(text + cut, '\n', have - cut);
            size_t keep = lf != NULL ? (size_t)(lf - text) : cut;
            have -= keep;
            memmove(text, text + keep, have);
        }
        text[have] = '\0';
    }
    // A fragment longer than the whole block keeps only what fits.
    if (add > room) {
        fragment += add - room;
        add = room;
    }
    memcpy(text + have, fragment, add + 1);
    ScreenBuffer.Length = (int)(have + add);
}
