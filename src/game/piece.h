// The falling column of three gems that the player controls.
#pragma once

#include <cstdint>

class Gem;

class Piece
{
public:
    // A new active piece: three gems of random colours (drawn bottom slot first) in the spawn
    // cells.
    explicit Piece(float fallSpeed);
    // The same with the colours given, bottom slot first, and nothing drawn from the generator.
    Piece(float fallSpeed, const int32_t colours[3]);
    // Releases the gems the piece still owns, that is, those never placed on the board.
    ~Piece();
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    // Draws the three gems, only while the piece is active.
    void draw() const;

    // One frame of motion of every gem toward its target.
    void step();

    // Moves the target column of every gem; the gems slide there over the next frames.
    void shift(int columns);

    // Puts the gems at rows row, row + 1 and row + 2 at once.
    void dropTo(int row);

    // One frame's worth of extra fall for every gem.
    void fall();

    // Each colour moves one place down and the bottom one goes to the top; the cells stay filled.
    void cycle();

    // Hands the gem in `slot` over to the board: the piece no longer owns or reaches it.
    Gem* release(int slot);

    Gem* gems[3] = {};   // slot 0 is the bottom gem; owned until placed on the board, then null
    int32_t active = 1;  // 1 until the first gem is placed on the board
};
