// Waiting for an effect rather than for a while: a condition polled until it holds or a
// deadline passes, and a failure that says what was waited for and what was seen instead.
#pragma once

#include <functional>
#include <string>

// How long any one step may take to show its effect, however busy the machine: from
// tools/step_deadline.txt, which the page driver reads too.
constexpr double kStepDeadlineSeconds = GEMWELL_STEP_DEADLINE_SECONDS;

// Every deadline's failure, to stderr: "WHAT: timed out after N s; SEEN", where WHAT names the
// step and what it waited for, and SEEN what was there instead.
void reportTimeout(const std::string& what, double seconds, const std::string& seen);

// Polls `done` every few milliseconds for up to `seconds`. On the deadline, reports the timeout
// (`seen` describes the last state) and returns false.
bool waitFor(const std::string& what, const std::function<bool()>& done,
             const std::function<std::string()>& seen = {}, double seconds = kStepDeadlineSeconds);
