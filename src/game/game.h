// The whole state of play: the well's grids, the current piece and the cycle of states.
#pragma once

#include "game/arcade.h"
#include "game/tuning.h"

#include <cstdint>

class Gem;
class Piece;
class ScoreDisplay;

// The step the game cycle takes in the next frame.
enum GameState : int32_t
{
    Falling = 0,     // the piece falls and is steered until it lands
    Settling = 1,    // gems above cleared cells drop into the gaps
    Clearing = 2,    // the marked lines vanish
    Restarting = 3,  // an overflow empties the well
    GameOver = 4,    // the last overflow ends the process
};

// What the game writes on standard output when it ends.
constexpr const char* kGameOverMessage = "GAME OVER MAN!\n";
// Exit status after the game-over message.
constexpr int kGameOverStatus = 0;

class Game
{
public:
    // Seeds the generator with the calendar time, reads the digit image, spawns the first piece.
    Game();
    // The running game is never destroyed; this is for tests and tools that make many games.
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // One step of the game cycle, using g_frameSeconds; called once per frame.
    void update();

    // Draws the current piece, every gem on the board, then the score display.
    void draw() const;

    // Arcade mode only: the score, level, wells left and next column beside the well, laid out
    // for a view `aspect` wide per unit of height under a vertical field of view whose half
    // angle has tangent `tanHalfView`, `pixelsHigh` pixels tall. Draws nothing in classic mode.
    void drawHud(double aspect, double tanHalfView, int pixelsHigh) const;

    // Turns on arcade mode: a score, levels and the next column; `keep` gets the final score.
    void startArcade(KeepScore keep);

    // The lowest row above the column's topmost gem; 0 for an empty column.
    int columnHeight(int column) const;

    // Empties every cell, releasing its gem and clearing its mark.
    void clearBoard();

    // Replaces the current piece with a new one at the spawn cells.
    void spawnPiece();

    // The match pass: marks every line of three or more, then clears them or spawns a piece.
    void findMatches();

    // First settling step: gives every gem above a gap its new, lower cell in the grids.
    void compactColumns();

    // Moves every board gem one frame; returns whether any was away from its target before.
    bool stepSettling();

    // Player commands; each does nothing unless the current piece is active.
    void moveLeft();
    void moveRight();
    void cycleColours();
    void softDrop();
    void hardDrop();

    Piece* piece = nullptr;  // owned; the piece the player steers
    float fallSpeed = kFallSpeed;
    int32_t colours[kCells] = {};  // colour index of each cell's gem, or kEmpty
    Gem* gems[kCells] = {};        // owned; each cell's gem, or null
    int32_t marks[kCells] = {};    // 1 where the last match pass found a line
    GameState state = Falling;
    int32_t lives = kStartLives;
    int32_t settling = 0;                 // 1 once the current settling has assigned new rows
    unsigned char* digitImage = nullptr;  // owned; null if it could not be allocated
    ScoreDisplay* score = nullptr;        // owned
    Arcade* arcade = nullptr;             // owned; null in classic mode

private:
    void stepFalling();
    void landPiece(int height);
    void stepClearing();
    void stepSettlingState();
    void restart();
    [[noreturn]] void endGame();
    void place(Gem* gem, int column, int row);
    void moveSideways(int columns);
    void drawNextColumn();
    void scorePass();
    void tellArcade(ArcadeNews news) const;
};

// The one running game: set by the app at start-up, never changed or released. The app's frame
// cycle steps it and the key handlers steer it.
extern Game* g_game;
