// The floating-point unit as the rules' exact arithmetic needs it.
#pragma once

// Sets the 32-bit x86 floating-point unit (x87) to round every result to a double's 53-bit
// mantissa instead of its own 64 bits, so that a double result stored as float is rounded to
// double first, as on every other architecture. Does nothing elsewhere. The frame clock calls it
// before main, so every program that uses the rules (which read its g_frameSeconds) has it.
void roundToDoublePrecision();

// True if results round as the rules need: on x87, the precision control is at double; true
// everywhere else.
bool roundsToDoublePrecision();
