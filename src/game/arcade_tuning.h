// Every number that tunes arcade mode's score and levels, named once (docs/arcade.md).
#pragma once

#include <cstdint>

// Points for each gem a match pass clears, however many lines it lies on.
constexpr int32_t kPointsPerGem = 10;
// Extra points for each gem of a line beyond its third: a line of five earns twice this.
constexpr int32_t kPointsPerLongerGem = 20;
// The score stops here, so it always fits the seven digits the display leaves room for.
constexpr int32_t kMaxScore = 9999999;

// Gems cleared from one level to the next.
constexpr int32_t kGemsPerLevel = 25;
// The last level: from here on the fall speed stays the same.
constexpr int32_t kTopLevel = 10;
// Rows per second the fall speed gains with each level, from kFallSpeed at level 1. At the top
// level a piece falls 2 + 9 * 0.8 = 9.2 rows a second: 1.29 s from its spawn to an empty floor.
constexpr float kLevelSpeedStep = 0.8f;
