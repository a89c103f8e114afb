#pragma once
// The one shape of every retry in the program: a first attempt, then more while
// the outcome asks for one, with a fixed pause before each.

#include <windows.h>

// Makes up to `attempts` attempts of `attempt`, sleeping `pauseMs` before each one
// after the first (none when 0), until `done` accepts an outcome. Returns the last
// outcome.
template <typename Attempt, typename Done>
auto RepeatUntil(int attempts, DWORD pauseMs, Attempt attempt, Done done) {
    auto outcome = attempt();
    for (int made = 1; made < attempts && !done(outcome); ++made) {
        if (pauseMs != 0) Sleep(pauseMs);
        outcome = attempt();
    }
    return outcome;
}
