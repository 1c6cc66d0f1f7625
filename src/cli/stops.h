// The one place where a program's stops are reported: every front end runs
// its command through this, so a stop is one message on standard error and
// exit status 1, whichever program it is.
#pragma once

#include <functional>

// Runs `command` and returns its status; a RunError, a failed allocation or
// any other exception becomes its message on standard error and status 1.
int runReportingStops(const std::function<int()>& command);
