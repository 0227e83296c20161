// The drawing kit every game screen is built from: an 80x24 layout with the
// title band on rows 1-2, text from column 3 on the left, the art panel at
// columns 47-76 of rows 4-22, the bars on rows 18 and 20, the status line on
// row 22 and the continue prompt on row 23. Positions are (column, row).
#ifndef GAME_SCREEN_KIT_H
#define GAME_SCREEN_KIT_H

// One line of text in a colour on black. On rows 4-17 text starting left
// of the art panel (column 47) is cut to end before column 44.
void put(int column, int row, int colour, const char* text);

// Clears the screen and draws the title band, with an optional caption.
void header(const char* caption);

// The stage screen: header with the stage's place, the art, one text line,
// the health and stamina bars and the status line.
void scene(const char* text);

// A labelled 14-cell gauge for a value of 0-100.
void bar(int row, const char* label, int value, int colour);

// The continue prompt: waits for C, or Q / Esc (which set quit_requested).
void waitc();

// A word-wrapped paragraph from column 3, never below row 20.
void prose(int first_row, int colour, const char* text, int width);

#endif
