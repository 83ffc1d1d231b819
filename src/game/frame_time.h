// The one thing the rules take from the clock.
#pragma once

// Elapsed seconds of the current frame, 0 until the first frame: read by every motion step and
// by the soft drop. The app's frame clock defines it and writes it once per frame.
extern float g_frameSeconds;
