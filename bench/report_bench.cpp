// How long writing a run's report takes, and how big it is: a real
// one-minute lock-step run of the demonstration controller (drawn, with its
// pictures), then the same run's timeline repeated to an hour (720 000
// turns), then an hour of one signal changing at every turn. Also the
// recording's cost per turn. Starts its own X server when DISPLAY is unset.
//
//   report_bench [controller]   (files go to the temporary folder)
#include "report/html.h"
#include "report/json.h"
#include "report/recorder.h"
#include "runner/options.h"
#include "runner/run_loop.h"
#include "runner/run_report.h"
#include "runner/scenario.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using steady = std::chrono::steady_clock;

// A minute of production: a workpiece every 8 s, the statements a teacher
// checks.
const char* const minute_scenario =
    "at 0.5 press INIT for 0.5\n"
    "at 3 press DC for 0.5\n"
    "at 4 click piece\nat 12 click piece\nat 20 click piece\nat 28 click piece\n"
    "at 30 fault MT = 0 for 0.5\n"
    "at 36 click piece\nat 44 click piece\nat 52 click piece\n"
    "end 60\n"
    "never SORT and RENT\nnever DESV and MONV\nnever DESP and MONP\ncheck jacks\n"
    "expect \" DESTRUCTION\" within 40 after \"TRANSFERT\"\n"
    "expect \" DESTRUCTION\" within 5 after \"TRANSFERT\"\n";

double seconds_since(steady::time_point t) { return std::chrono::duration<double>(steady::now() - t).count(); }

// Writes the page and the JSON file as corvan-run does, and says how long
// and how big.
void measure(const char* what, const report::run_report& r, const run_options& options) {
  steady::time_point start = steady::now();
  std::string error = report::write_html_file(options.report_file, r);
  const double page = seconds_since(start);
  start = steady::now();
  if (error.empty()) error = report::write_json_file(options.json_file, r, false);
  const double json = seconds_since(start);
  if (!error.empty()) std::printf("%s: %s\n", what, error.c_str());
  std::printf("%-42s page %6.3f s %6.0f kB, JSON %6.3f s %6.0f kB (%d turns)\n", what, page,
              std::filesystem::file_size(options.report_file) / 1e3, json,
              std::filesystem::file_size(options.json_file) / 1e3, r.turns);
}

// The minute's timeline again and again, to an hour.
report::run_report repeated_to_an_hour(report::run_report r) {
  const int minute = 12000, times = 60;
  report::timeline hour = r.diagram;
  hour.turns = minute * times;
  for (int k = 1; k < times; ++k) {
    const int shift = k * minute;
    for (size_t i = 0; i < hour.lanes.size(); ++i)
      for (const report::change& c : r.diagram.lanes[i].changes)
        if (c.turn > 0 && c.turn < minute) hour.lanes[i].changes.push_back({c.turn + shift, c.value});
    for (const report::message_mark& m : r.diagram.messages)
      if (m.turn < minute) hour.messages.push_back({m.turn + shift, m.text});
  }
  r.diagram = hour;
  r.turns = hour.turns;
  return r;
}

void recording_cost() {
  std::vector<std::string> names(37, "s");
  report::change_recorder recorder(names);
  int32_t values[37] = {};
  bool held[37] = {};
  const int turns = 720000;
  const steady::time_point start = steady::now();
  for (int turn = 0; turn < turns; ++turn) {
    values[turn % 37] = (turn / 200) % 2;  // a change every 200 turns on some signal
    recorder.record(turn, values, held);
  }
  std::printf("recording every signal: %.1f ns a turn\n", seconds_since(start) / turns * 1e9);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string controller = argc > 1 ? argv[1] : REPORT_BENCH_CONTROLLER;
  std::istringstream text(minute_scenario);
  const scenario script = parse_scenario(text, "minute.scn");
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  run_options options;
  options.lockstep = true;
  options.report_file = (folder / "report_bench.html").string();
  options.json_file = (folder / "report_bench.json").string();
  std::ofstream no_messages("/dev/null");

  const run_outcome o = execute_run(script, options, controller + " ", no_messages);
  const steady::time_point built = steady::now();
  const report::run_report minute = build_run_report(script, o, options, controller, report_date());
  std::printf("building the minute's report from the run: %.4f s\n", seconds_since(built));
  std::printf("a minute of %s: %s, %zu lanes, %zu messages, %zu pictures\n", controller.c_str(),
              minute.verdict.c_str(), minute.diagram.lanes.size(), minute.diagram.messages.size(),
              minute.pictures.size());
  measure("one minute", minute, options);
  measure("one hour, the minute repeated", repeated_to_an_hour(minute), options);

  report::run_report busy = minute;
  busy.turns = busy.diagram.turns = 720000;
  busy.diagram.lanes.resize(1);
  busy.diagram.lanes[0].changes.clear();
  for (int turn = 0; turn < busy.turns; ++turn) busy.diagram.lanes[0].changes.push_back({turn, turn % 2});
  measure("one hour, a signal changing at every turn", busy, options);
  recording_cost();
  std::filesystem::remove(options.report_file);
  std::filesystem::remove(options.json_file);
  return 0;
}
