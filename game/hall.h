// The hall of fame: local and inter-BBS tables of story and daily scores.
#ifndef GAME_HALL_H
#define GAME_HALL_H

// The hall-of-fame screens; returns to the lobby.
void hall();

// Draws up to `max_rows` rows of an inter-BBS table, as the sharing tool
// wrote it, from screen row `first_row` down.
void interbbs_rows(const char* path, int first_row, int max_rows);

#endif
