// The keys the game answers to, one row an action: the key handlers look keys up here, the usage
// text lists them from here, and the browser's page learns them from here.
#pragma once

#include <cstddef>
#include <string>

// What the player can do.
enum class Command
{
    moveLeft,
    moveRight,
    cycleColours,
    softDrop,
    hardDrop,
    quit,
};

// The arrow key that does a command too, if any.
enum class Arrow
{
    none,
    left,
    up,
    right,
    down,
};

struct KeyBinding
{
    Command command;
    const char* name;   // the command's name where it is not C++: the page's buttons and pads
    unsigned char key;  // its character
    Arrow arrow;
    const char* help;  // what it does, as the usage text says it
};

// The table, in the order the usage text lists it. Each command once; no key twice.
// clang-format off
inline constexpr KeyBinding kKeyBindings[] = {
    {Command::moveLeft, "moveLeft", 'z', Arrow::left, "move left"},
    {Command::moveRight, "moveRight", 'c', Arrow::right, "move right"},
    {Command::cycleColours, "cycleColours", 's', Arrow::up, "cycle the colours"},
    {Command::softDrop, "softDrop", 'x', Arrow::down, "soft drop"},
    {Command::hardDrop, "hardDrop", ' ', Arrow::none, "hard drop"},
    {Command::quit, "quit", 'q', Arrow::none, "quit"},
};
// clang-format on

// A key's name as the usage text prints it: "space" for the space bar.
std::string keyName(unsigned char key);

// An arrow's name as the usage text prints it ("Left"; the browser's key name is "Arrow" and
// it), and its symbol as the page's keys line shows it.
struct ArrowNames
{
    const char* name;
    const char* symbol;
};
const ArrowNames& arrowNames(Arrow arrow);

// The usage text's "Keys:" section, made from the table.
std::string keysHelp();
