// The drawing kit every game screen is built from: an 80x24 layout with the
// title band on rows 1-2, text from column 3 on the left, the art panel at
// columns 47-76 of rows 4-22, the bars on rows 18 and 20, the status line on
// row 22 and the continue prompt on row 23. Positions are (column, row).
#ifndef GAME_SCREEN_KIT_H
#define GAME_SCREEN_KIT_H

// One line of text in a colour on black, cut to what fits (put_room).
void put(int column, int row, int colour, const char* text);

// Characters a text from (column, row) may take on the current screen.
// While the art panel is drawn, text starting left of column 47 ends before
// column 44 on rows 4-17 and before the picture on rows 18-22; on a screen
// without the panel only the screen's edge counts.
int put_room(int column, int row);

// put for a line that may not fit beside the art: it continues on the rows
// below, same column, at word boundaries, never parting an option key
// ("[5]") from its words. Returns the rows used.
int put_wrapped(int column, int row, int colour, const char* text);

// The month's art (the October picture in October) with its top-left cell
// at (column, row 4); text keeps clear of it until the next header.
void show_art(int column, int frame);

// Clears the screen and draws the title band, with an optional caption.
void header(const char* caption);

// The stage screen: header with the stage's place, the art, one text line,
// the health and stamina bars and the status line.
void scene(const char* text);

// A labelled 14-cell gauge for a value of 0-100.
void bar(int row, const char* label, int value, int colour);

// The continue prompt: waits for C, or Q / Esc (which set quit_requested
// once quit_confirmed agrees).
void waitc();
// The same prompt offering the lobby, where Q leads there with no run on.
void waitc_lobby();

// Asked when Q or Esc would throw away the run in progress (quit_loses_run):
// "ABANDON THIS RUN? THE SCORE IS LOST. [Y/N]" on row 24. True when the
// caller answers Y, or when there is nothing to lose; any other answer, or
// a lost line, clears the question and leaves the screen as it was.
bool quit_confirmed();

// A word-wrapped paragraph from column 3, never below row 20. Blanks inside
// a line are kept as written, and an option key stays with its words.
void prose(int first_row, int colour, const char* text, int width);

#endif
