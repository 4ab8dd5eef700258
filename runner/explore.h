// Exploration: the operator's random actions of each explored run, drawn
// from a seed, and the shrinking of a failing action list to a 1-minimal
// one. Pure: the runs themselves are made by whoever calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runner/scenario.h"
#include "runner/verdict.h"

// The length of each explored run: `explore for`, else the scenario's end.
// Throws usage_error when there is neither.
micros explored_length(const scenario& s);

// Run number `run` of the exploration with this seed: the scenario's own
// `at` actions and those its explore statements draw, in time order. The
// same seed and run number give the same actions on every machine.
std::vector<action> explored_actions(const scenario& s, uint64_t seed, int run);

// How a run failed: the statement that failed first (by turn, then by its
// place in the scenario), or -1 for the run itself (its controller ended);
// and the simulated time of that failure.
struct failure {
  int statement = -1;
  int turn = 0;
  micros time = 0;
  bool operator==(const failure& o) const { return statement == o.statement && turn == o.turn; }
};

// The first failure among a run's results, if the run failed.
bool first_failure(const std::vector<check_result>& results, const run_problem& problem,
                   int last_turn, micros last_time, const expectation* first_statement,
                   failure& found);

// The run length of a shrunk scenario: shortly after its failure, and no
// earlier than any time the failed statement names.
micros minimal_end(const scenario& s, const failure& f);

// Tries a batch of action lists, each run up to minimal_end(current); for
// each, whether it failed the same statement, and how (its failure).
struct trial {
  bool same_failure = false;
  failure how;
};
using trial_batch = std::function<std::vector<trial>(const std::vector<std::vector<action>>&,
                                                     const failure& current)>;

// Shrinks a failing action list until no single step keeps it failing the
// same statement: drop actions (runs of them first), shorten presses and
// faults, move actions later. Candidates are tried a few at a time (to be
// run side by side), and the first that fails, in order, is kept.
std::vector<action> shrink_actions(std::vector<action> failing, failure how,
                                   const trial_batch& try_all);

// The shrunk run as a plain scenario: a comment saying where it comes from,
// its actions, the failed statement (every statement when the run itself
// failed), its end.
std::string minimal_scenario_text(const scenario& s, const std::vector<action>& actions,
                                  const failure& f, const std::string& origin);
