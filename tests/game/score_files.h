// A game directory for score tests: the child works in a fresh directory
// with "data", a known calendar day and a finished run waiting to be saved.
#ifndef TESTS_GAME_SCORE_FILES_H
#define TESTS_GAME_SCORE_FILES_H

#include <functional>
#include <string>

#include "tests/support/child_process.h"

namespace game_test {

// Runs `body` in a child inside a fresh game directory on 8 December 2026,
// with the run of "Ann" (score 1200, stage 3) finished.
grimbo_test::ChildResult in_game_dir(const std::function<int()>& body, int timeout_ms = 30000);

// The same, for a body that returns text: what it returned, after checking
// the child ended well.
std::string printed_in_game_dir(const std::function<std::string()>& body);

// Whole content of a file ("" when missing).
std::string slurp(const char* path);
bool spill(const char* path, const std::string& content);

}  // namespace game_test

#endif
