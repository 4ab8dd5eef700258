// corvan-run --explore: many lock-step runs of the scenario with the
// operator's random actions, made side by side by worker processes (each
// with its own X server, started once, and nothing drawn); the first
// failing run is shrunk to a few lines, written as a plain scenario and run
// once more to confirm it.
#pragma once

#include <string>

#include "runner/options.h"
#include "runner/scenario.h"

// The exit status: 0 no failure, 1 a failure found, 2 runs that could not
// be made or files that could not be written.
int explore(const scenario& script, const run_options& options, const std::string& command);
