#include "game/game.h"

#include "game/digit_image.h"
#include "game/gem.h"
#include "game/piece.h"
#include "game/random.h"
#include "game/score_display.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

namespace
{
constexpr const char* kDigitImageFile = "number.rgb";
}

Game::Game()
{
    seedRandom(static_cast<uint32_t>(std::time(nullptr)));
    for (int cell = 0; cell < kCells; ++cell)
    {
        colours[cell] = kEmpty;
    }
    // The image is decoration only: the game plays the same without the file or the buffer.
    digitImage = new (std::nothrow) unsigned char[kDigitImageBytes];
    loadDigitImage(kDigitImageFile, digitImage, kDigitImageBytes);
    score = new ScoreDisplay();
    piece = new Piece(fallSpeed);
}

Game::~Game()
{
    clearBoard();
    delete piece;
    delete score;
    delete arcade;
    delete[] digitImage;
}

void Game::update()
{
    switch (state)
    {
        case Falling:
            stepFalling();
            break;
        case Settling:
            stepSettlingState();
            break;
        case Clearing:
            stepClearing();
            break;
        case Restarting:
            restart();
            break;
        case GameOver:
            endGame();
    }
}

int Game::columnHeight(int column) const
{
    for (int row = kRows - 1; row >= 0; --row)
    {
        if (colours[cellIndex(column, row)] != kEmpty)
        {
            return row + 1;
        }
    }
    return 0;
}

void Game::clearBoard()
{
    for (int cell = 0; cell < kCells; ++cell)
    {
        colours[cell] = kEmpty;
        delete gems[cell];
        gems[cell] = nullptr;
        marks[cell] = 0;
    }
}

void Game::spawnPiece()
{
    Piece* next = arcade == nullptr ? new Piece(fallSpeed) : new Piece(fallSpeed, arcade->next);
    delete piece;
    piece = next;
    if (arcade != nullptr)
    {
        drawNextColumn();
    }
}

void Game::stepFalling()
{
    const Gem* bottom = piece->gems[0];
    const int height = columnHeight(bottom->target[0]);
    if (height + kSnapBand >= static_cast<double>(bottom->position[1]))
    {
        landPiece(height);
    }
    else
    {
        piece->step();
    }
}

void Game::landPiece(int height)
{
    // Snapping puts an ordinary landing's gems in rows height to height + 2. After a long frame
    // or a soft drop they may have sunk into the stack or below the floor, or bunched up on it:
    // then the piece is rested on top of its column first, so no gem is written over another.
    for (int slot = 0; slot < 3; ++slot)
    {
        if (piece->gems[slot]->snappedRow() != height + slot)
        {
            piece->dropTo(height);
            break;
        }
    }
    for (int slot = 0; slot < 3; ++slot)
    {
        Gem* gem = piece->gems[slot];
        gem->snapToGrid();
        const int row = truncateCell(gem->position[1]);
        if (row >= kRows)
        {
            // The piece sticks out of the well; the gems of this slot and above stay with it.
            if (lives < 1)
            {
                state = GameOver;
            }
            else
            {
                --lives;
                state = Restarting;
                tellArcade(ArcadeNews::WellLost);
            }
            return;
        }
        gem->target[1] = row;
        place(piece->release(slot), gem->target[0], row);
        piece->active = 0;
    }
    findMatches();
}

void Game::place(Gem* gem, int column, int row)
{
    const int cell = cellIndex(column, row);
    colours[cell] = gem->colourIndex;
    gems[cell] = gem;
}

void Game::stepClearing()
{
    for (int cell = 0; cell < kCells; ++cell)
    {
        if (marks[cell] == 1)
        {
            delete gems[cell];
            gems[cell] = nullptr;
            colours[cell] = kEmpty;
            marks[cell] = 0;
        }
    }
    state = Settling;
}

void Game::restart()
{
    clearBoard();
    state = Falling;
    spawnPiece();
}

void Game::endGame()
{
    std::fputs(kGameOverMessage, stdout);
    if (arcade != nullptr)
    {
        std::printf("%d\n", static_cast<int>(arcade->score));
        std::fflush(stdout);
        if (arcade->keep != nullptr)
        {
            arcade->keep(arcade->score, arcade->level);
        }
    }
    // exit (not _Exit) so that standard output is flushed on the way out.
    std::exit(kGameOverStatus);
}
