// What the process does when an allocation fails.
#pragma once

// Exit status when memory runs out.
constexpr int kOutOfMemoryStatus = 1;

// Makes every failed allocation end the process at once with kOutOfMemoryStatus, so that no
// code ever runs on with a missing piece, gem or game.
void installOutOfMemoryHandler();
