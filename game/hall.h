// The hall of fame: local and inter-BBS tables of story and daily scores.
#ifndef GAME_HALL_H
#define GAME_HALL_H

void hall();

#endif
