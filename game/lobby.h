// The lobby: the menu every activity starts from and returns to.
#ifndef GAME_LOBBY_H
#define GAME_LOBBY_H

// Draws the lobby for the current date.
void draw_lobby();

// Runs the lobby until the caller leaves with Q or Esc or the connection is
// lost; the caller then ends the session.
void lobby();

#endif
