#pragma once

#include <string>
#include <vector>

#include "platform/host_services.h"

namespace mirbo {

// Runs the program `words[0]` (looked up on PATH unless it holds a '/') with
// the other words as its arguments, with no terminal: standard input, output
// and error on /dev/null, no other descriptor inherited. Waits without limit
// for its end. NotStarted when it could not be run, Failed when it ended with
// a status other than 0 or by a signal.
CommandResult RunHiddenProcess(const std::vector<std::string>& words);

// The path of the system program `name` in the usual program directories,
// also when PATH lacks the sbin ones (a user's PATH often does); empty when
// there is none.
std::string FindSystemProgram(const std::string& name);

}  // namespace mirbo
