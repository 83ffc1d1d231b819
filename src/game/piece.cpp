#include "game/piece.h"

#include "game/gem.h"
#include "game/random.h"
#include "game/tuning.h"

Piece::Piece(float fallSpeed)
{
    for (int slot = 0; slot < 3; ++slot)
    {
        const float spawn[3] = {float(kSpawnColumn), float(kSpawnRow + slot), 0.0f};
        gems[slot] = new Gem(randomColour(), spawn, fallSpeed);
    }
}

Piece::Piece(float fallSpeed, const int32_t colours[3])
{
    for (int slot = 0; slot < 3; ++slot)
    {
        const float spawn[3] = {float(kSpawnColumn), float(kSpawnRow + slot), 0.0f};
        gems[slot] = new Gem(colours[slot], spawn, fallSpeed);
    }
}

Piece::~Piece()
{
    for (Gem* gem : gems)
    {
        delete gem;
    }
}

void Piece::step()
{
    for (Gem* gem : gems)
    {
        gem->approachTarget();
    }
}

void Piece::shift(int columns)
{
    for (Gem* gem : gems)
    {
        gem->target[0] += columns;
    }
}

void Piece::dropTo(int row)
{
    for (int slot = 0; slot < 3; ++slot)
    {
        gems[slot]->position[1] = static_cast<float>(row + slot);
    }
}

void Piece::fall()
{
    for (Gem* gem : gems)
    {
        gem->fallStep();
    }
}

void Piece::cycle()
{
    gems[0]->translate(0, 2, 0);
    gems[1]->translate(0, -1, 0);
    gems[2]->translate(0, -1, 0);

    const int32_t bottomTarget = gems[0]->target[1];
    gems[0]->target[1] = gems[1]->target[1];
    gems[1]->target[1] = gems[2]->target[1];
    gems[2]->target[1] = bottomTarget;

    Gem* bottom = gems[0];
    gems[0] = gems[1];
    gems[1] = gems[2];
    gems[2] = bottom;
}

Gem* Piece::release(int slot)
{
    Gem* gem = gems[slot];
    gems[slot] = nullptr;
    return gem;
}
