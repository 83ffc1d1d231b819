// The game's own command-line options, read before GLUT sees the arguments: --shapes,
// --arcade, --help, --version, --scores. GLUT's options (-display, -geometry and the rest) are
// left for glutInit.
#pragma once

#include <string>

struct Options
{
    bool shapes = false;  // marks on the gems, so the colours are told apart by outline too
    bool arcade = false;  // a score, levels and the next column
};

// The usage and the keys, as --help prints them and a wrong option prints them to stderr.
std::string usageText(const char* program);

// Takes the game's options out of argv (argc shrinks to match), keeping every other argument,
// the program name first, in order. --help, --version and --scores print and exit with 0; an option
// neither the game nor GLUT knows prints the usage to stderr and exits with 2. No display is
// opened for any of them.
Options takeOptions(int& argc, char** argv, const char* version);
