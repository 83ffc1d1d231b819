// Keys played on the real game with its clock running, each once the screen shows what the
// headless rules predict of the keys before it: a drop that came while the piece still slid
// would land it between columns, and a shot taken before a landing would show the piece.
#pragma once

#include "game/game.h"
#include "x_session.h"

#include <string>
#include <vector>

// Sends the keys one by one, adding each to `played` (every key the game has had), and waits
// after each until the game has taken it and the screen shows the rules' prediction of
// `played`: after a hard drop, the lowest `rows` rows of the well and then the next piece;
// after any other key, the falling piece. False, with what was seen, when a wait runs out.
bool playKeys(GameWindow& game, std::vector<std::string>& played,
              const std::vector<std::string>& script, int rows);

// Waits until the lowest `rows` rows of the well show the predicted board; that shot in `shot`.
bool waitForWell(GameWindow& game, const Game& predicted, int rows, const std::string& step,
                 Screenshot& shot);

// Waits until the falling piece is drawn whole in the column the rules put it in, in their
// colours, and nothing is drawn beside it (for stacks that stay below it).
bool waitForPiece(GameWindow& game, const Game& predicted, const std::string& step);

// The well's rows as indented lines, for messages.
std::string wellLines(const std::vector<std::string>& rows);
