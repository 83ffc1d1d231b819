// Waiting for an effect rather than for a while: a condition polled until it holds or a
// deadline passes, and a failure that says what was waited for and what was seen instead.
#pragma once

#include <functional>
#include <string>

// How long any one step may take to show its effect, however busy the machine: from
// tools/step_deadline.txt, which the page driver reads too.
constexpr double kStepDeadlineSeconds = GEMWELL_STEP_DEADLINE_SECONDS;

// Polls `done` every few milliseconds for up to `seconds`. On the deadline, prints
// "WHAT: not within N s; SEEN" (`seen` describes the last state) to stderr and returns false.
bool waitFor(const std::string& what, const std::function<bool()>& done,
             const std::function<std::string()>& seen = {}, double seconds = kStepDeadlineSeconds);
