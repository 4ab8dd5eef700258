// A run's report built from what the run recorded: which signals get a
// lane, the statements with their counter-examples, the faults and the
// operator's actions on the time axis. Pure: the run is over.
#pragma once

#include "report/model.h"
#include "runner/options.h"
#include "runner/run_loop.h"
#include "runner/scenario.h"
#include "runner/verdict.h"

#include <string>
#include <utility>
#include <vector>

// The signals the diagram draws, as rows of the signal table in its order:
// those the scenario's statements and faults name, and the extra ones.
std::vector<int> report_lanes(const scenario& s, const std::vector<std::string>& extra);

report::statement report_statement(const check_result& c);

// The run as a report; `controller` is its command line.
report::run_report build_run_report(const scenario& s, const run_outcome& o, const run_options& options,
                                    const std::string& controller, const std::string& date);

// The files the options ask for, by what each holds ("report", "trace"...).
std::vector<std::pair<std::string, std::string>> report_files(const run_options& options);

// Now, as the report dates a run: "2024-05-02T14:03:11+0200".
std::string report_date();

// The --report page and the --json file, when asked for; "" when written,
// otherwise what went wrong.
std::string write_report_files(const report::run_report& r, const run_options& options);
