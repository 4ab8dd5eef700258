#include "runner/explorer.h"

#include "report/json.h"
#include "runner/explore.h"
#include "runner/run_loop.h"
#include "runner/run_report.h"
#include "runner/verdict.h"

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

namespace {

using steady = std::chrono::steady_clock;

// One run a worker is asked for: these actions up to that end, or a
// scenario file as it stands.
struct run_request {
  int id = 0;
  std::vector<action> actions;
  micros end = 0;
  std::string trace, csv;  // the traces of this run, if wanted
  std::string file;        // a scenario file to run instead
  std::string report;      // where its report goes as JSON, if wanted (then it is drawn)
};

// What a worker says of a run.
struct run_report {
  int id = 0;
  char outcome = 'p';  // p passed, f failed, e no verdict, i interrupted
  failure how;
  std::string statuses;               // p, f or o per statement
  std::vector<std::string> observed;  // per statement, for the failed and open ones
  std::string failed_text;            // the statement that failed first ("" for the run itself)
  std::string problem;                // the run's own failure or error
  int turns = 0;
  int late = 0;
  double wall = 0, turn = 0, answer = 0, check = 0;
};

// Lines carry no newline: texts are written with their newlines as \x1f.
std::string one_line(std::string text) {
  std::replace(text.begin(), text.end(), '\n', '\x1f');
  return text;
}
std::string restored(std::string text) {
  std::replace(text.begin(), text.end(), '\x1f', '\n');
  return text;
}

bool read_line(std::FILE* in, std::string& line) {
  line.clear();
  for (int c; (c = std::fgetc(in)) != EOF;) {
    if (c == '\n') return true;
    line += char(c);
  }
  return !line.empty();
}

void write_request(std::FILE* out, const run_request& r) {
  std::fprintf(out, "RUN %d %lld %zu\n%s\n%s\n%s\n%s\n", r.id, static_cast<long long>(r.end),
               r.actions.size(), r.trace.c_str(), r.csv.c_str(), r.file.c_str(), r.report.c_str());
  for (const action& a : r.actions)
    std::fprintf(out, "%d %d %lld %lld %d %d %d\n", int(a.kind), int(a.button),
                 static_cast<long long>(a.at), static_cast<long long>(a.duration), a.signal,
                 a.value, a.line);
  std::fflush(out);
}

bool read_request(std::FILE* in, run_request& r) {
  std::string line;
  if (!read_line(in, line)) return false;
  size_t count = 0;
  long long end = 0;
  if (std::sscanf(line.c_str(), "RUN %d %lld %zu", &r.id, &end, &count) != 3) return false;
  r.end = end;
  read_line(in, r.trace);
  read_line(in, r.csv);
  read_line(in, r.file);
  read_line(in, r.report);
  r.actions.assign(count, action{});
  for (action& a : r.actions) {
    int kind, button;
    long long at, duration;
    if (!read_line(in, line) ||
        std::sscanf(line.c_str(), "%d %d %lld %lld %d %d %d", &kind, &button, &at, &duration,
                    &a.signal, &a.value, &a.line) != 7)
      return false;
    a.kind = action::kind_t(kind);
    a.button = panel_button(button);
    a.at = at;
    a.duration = duration;
  }
  return true;
}

void write_report(std::FILE* out, const run_report& r) {
  std::fprintf(out, "DONE %d %c %d %d %lld %d %d %.6f %.6f %.6f %.6f %s\n", r.id, r.outcome,
               r.how.statement, r.how.turn, static_cast<long long>(r.how.time), r.turns, r.late,
               r.wall, r.turn, r.answer, r.check, r.statuses.empty() ? "-" : r.statuses.c_str());
  std::fprintf(out, "%s\n%s\n", one_line(r.failed_text).c_str(), one_line(r.problem).c_str());
  for (const std::string& o : r.observed) std::fprintf(out, "%s\n", one_line(o).c_str());
  std::fflush(out);
}

bool read_report(std::FILE* in, run_report& r) {
  std::string line;
  if (!read_line(in, line)) return false;
  long long time = 0;
  char statuses[4096] = "";
  if (std::sscanf(line.c_str(), "DONE %d %c %d %d %lld %d %d %lf %lf %lf %lf %4095s", &r.id,
                  &r.outcome, &r.how.statement, &r.how.turn, &time, &r.turns, &r.late, &r.wall,
                  &r.turn, &r.answer, &r.check, statuses) != 12)
    return false;
  r.how.time = time;
  r.statuses = std::string(statuses) == "-" ? "" : statuses;
  read_line(in, r.failed_text);
  read_line(in, r.problem);
  r.failed_text = restored(r.failed_text);
  r.problem = restored(r.problem);
  r.observed.assign(r.statuses.size(), "");
  for (std::string& o : r.observed) {
    read_line(in, o);
    o = restored(o);
  }
  return true;
}

// ------------------------------------------------------------ a worker

char status_letter(check_status s) {
  return s == check_status::passed ? 'p' : s == check_status::failed ? 'f' : 'o';
}

run_report make_run(const scenario& base, run_options options, const std::string& command,
                    const run_request& request, std::ostream& no_messages) {
  scenario run = request.file.empty() ? base : read_scenario_file(request.file);
  if (request.file.empty()) {
    run.actions = request.actions;
    run.end = request.end;
  }
  options.trace_file = request.trace;
  options.csv_file = request.csv;
  options.report_file = request.report;
  const bool draw = !request.report.empty();
  const run_outcome o = run_once(run, options, command, no_messages, draw);
  // The parent reads it back; the report's own files are the parent's.
  if (draw) {
    options.report_file.clear();
    report::write_json_file(request.report,
                            build_run_report(run, o, options, command.substr(0, command.size() - 1), report_date()),
                            true);
  }
  run_report r;
  r.id = request.id;
  r.turns = o.last_turn + 1;
  r.late = o.late_answers;
  r.wall = o.timing.whole_seconds;
  r.turn = o.timing.turn_seconds;
  r.answer = o.timing.answer_seconds;
  r.check = o.timing.check_seconds;
  r.problem = o.problem.text;
  if (o.problem.kind == run_problem::error) r.outcome = 'e';
  if (o.problem.kind == run_problem::interrupted) r.outcome = 'i';
  for (const check_result& c : o.results) {
    r.statuses += status_letter(c.status);
    r.observed.push_back(c.status == check_status::passed ? "" : c.observed);
  }
  const expectation* first = run.expectations.empty() ? nullptr : &run.expectations[0];
  if (r.outcome == 'p' &&
      first_failure(o.results, o.problem, o.last_turn, o.last_time, first, r.how)) {
    r.outcome = 'f';
    if (r.how.statement >= 0) r.failed_text = run.expectations[size_t(r.how.statement)].text;
  }
  return r;
}

// A lock-step run and its controller take turns, never run at once: on one
// core they hand over without waking another, which on a virtual machine
// costs more than the turn itself. The workers spread over the cores the
// explorer may use; the controller and the server of a worker follow it.
void keep_to_one_core(int worker_number) {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
  const int cores = CPU_COUNT(&allowed);
  if (cores < 2) return;
  int others_first = worker_number % cores;  // allowed cores to pass over
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (!CPU_ISSET(cpu, &allowed)) continue;
    if (others_first-- > 0) continue;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    sched_setaffinity(0, sizeof one, &one);
    return;
  }
}

[[noreturn]] void worker_main(const scenario& base, const run_options& options,
                              const std::string& command, int in_fd, int out_fd) {
  std::FILE* in = fdopen(in_fd, "r");
  std::FILE* out = fdopen(out_fd, "w");
  run_request request;
  try {
    // One server for every run of this worker, and nothing drawn on it.
    run_session session(true, true);
    std::ofstream no_messages("/dev/null");
    while (read_request(in, request))
      write_report(out, make_run(base, options, command, request, no_messages));
  } catch (const std::exception& e) {
    run_report failed;
    failed.id = request.id;
    failed.outcome = 'e';
    failed.problem = e.what();
    write_report(out, failed);
  }
  std::fflush(out);
  _exit(0);
}

// -------------------------------------------------------- the workers

class worker_pool {
 public:
  worker_pool(int jobs, const scenario& base, const run_options& options,
              const std::string& command) {
    for (int j = 0; j < jobs; ++j) {
      int to_worker[2], from_worker[2];
      if (pipe(to_worker) != 0 || pipe(from_worker) != 0) throw std::runtime_error("no pipe");
      const pid_t pid = fork();
      if (pid < 0) throw std::runtime_error("cannot start a worker");
      if (pid == 0) {
        for (const worker& w : workers) {
          std::fclose(w.to);
          std::fclose(w.from);
        }
        close(to_worker[1]);
        close(from_worker[0]);
        keep_to_one_core(j);
        worker_main(base, options, command, to_worker[0], from_worker[1]);
      }
      close(to_worker[0]);
      close(from_worker[1]);
      workers.push_back({pid, fdopen(to_worker[1], "w"), fdopen(from_worker[0], "r")});
    }
  }

  ~worker_pool() {
    for (worker& w : workers) std::fclose(w.to);  // their end of input: they leave
    for (worker& w : workers) {
      waitpid(w.pid, nullptr, 0);
      std::fclose(w.from);
    }
  }

  int size() const { return int(workers.size()); }
  void send(int w, const run_request& r) { write_request(workers[size_t(w)].to, r); }

  // The next report of any worker, and which worker sent it.
  int receive(run_report& report) {
    std::vector<pollfd> watched;
    for (const worker& w : workers) watched.push_back({fileno(w.from), POLLIN, 0});
    while (poll(watched.data(), watched.size(), -1) < 0) {
    }
    for (size_t i = 0; i < watched.size(); ++i) {
      if (!watched[i].revents) continue;
      if (!read_report(workers[i].from, report)) {
        report = run_report{};
        report.outcome = 'e';
        report.problem = "a worker ended without a report";
      }
      return int(i);
    }
    return -1;
  }

  // Every request, on whichever worker is free; the reports in the
  // requests' order.
  std::vector<run_report> run_all(const std::vector<run_request>& requests) {
    std::vector<run_report> reports(requests.size());
    std::vector<int> busy(workers.size(), -1);  // the request each worker makes
    size_t next = 0, done = 0;
    while (done < requests.size()) {
      for (size_t w = 0; w < workers.size() && next < requests.size(); ++w)
        if (busy[w] < 0) {
          send(int(w), requests[next]);
          busy[w] = int(next++);
        }
      run_report r;
      const int w = receive(r);
      reports[size_t(busy[size_t(w)])] = r;
      busy[size_t(w)] = -1;
      ++done;
    }
    return reports;
  }

 private:
  struct worker {
    pid_t pid;
    std::FILE* to;
    std::FILE* from;
  };
  std::vector<worker> workers;
};

// A file of our own in the temporary folder, removed with this; no file
// for an empty stem.
struct temp_file {
  explicit temp_file(const std::string& stem) {
    if (stem.empty()) return;
    std::string name = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    const int fd = mkstemp(name.data());
    if (fd < 0) return;
    close(fd);
    path = name;
  }
  ~temp_file() {
    if (!path.empty()) unlink(path.c_str());
  }
  temp_file(const temp_file&) = delete;
  temp_file& operator=(const temp_file&) = delete;
  std::string path;
};

// ---------------------------------------------------------- progress

std::string minutes_and_seconds(double seconds) {
  const long s = std::lround(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// On a terminal a bar redrawn in place; otherwise a line every ten runs.
class progress {
 public:
  explicit progress(int total) : total(total), start(steady::now()), terminal(isatty(2)) {}

  void run_done(bool failed) {
    ++done;
    failures += failed;
    if (terminal) {
      std::cerr << '\r' << bar() << std::flush;
    } else if (done % 10 == 0 || done == total) {
      std::cerr << "explore: " << figures() << std::endl;
    }
  }

  void finish() {
    if (terminal && done > 0) std::cerr << std::endl;
  }

  double elapsed() const { return std::chrono::duration<double>(steady::now() - start).count(); }

 private:
  std::string figures() const {
    const double per_minute = done / elapsed() * 60;
    std::ostringstream text;
    text << done << " of " << total << " runs, " << failures
         << (failures == 1 ? " failure, " : " failures, ") << std::lround(per_minute)
         << " runs a minute, " << minutes_and_seconds((total - done) / per_minute * 60) << " left";
    return text.str();
  }

  std::string bar() const {
    constexpr int width = 30;
    const int filled = done * width / std::max(total, 1);
    return "[" + std::string(size_t(filled), '#') + std::string(size_t(width - filled), '.') + "] " +
           figures() + "   ";
  }

  const int total;
  int done = 0;
  int failures = 0;
  const steady::time_point start;
  const bool terminal;
};

// ---------------------------------------------------------- the verdict

// A statement over all runs: failed if any run failed it, open if any left
// it open, passed otherwise; the first run that did so is named.
std::vector<check_result> over_all_runs(const scenario& script,
                                        const std::map<int, run_report>& reports) {
  std::vector<check_result> results;
  for (size_t i = 0; i < script.expectations.size(); ++i) {
    check_result r;
    r.expected = &script.expectations[i];
    for (const auto& [id, report] : reports) {
      if (i >= report.statuses.size()) continue;
      const char s = report.statuses[i];
      const bool worse = (s == 'f' && r.status != check_status::failed) ||
                         (s == 'o' && r.status == check_status::passed);
      if (!worse) continue;
      r.status = s == 'f' ? check_status::failed : check_status::open;
      r.observed = "run " + std::to_string(id) + ": " + report.observed[i];
    }
    results.push_back(r);
  }
  return results;
}

run_problem run_itself(const std::map<int, run_report>& reports) {
  for (const auto& [id, report] : reports)
    if (report.outcome == 'f' && report.how.statement < 0)
      return {run_problem::failure, "run " + std::to_string(id) + ": " + report.problem};
  return {};
}

void print_actions(const char* when, const std::vector<action>& actions) {
  std::cout << "actions " << when << " shrinking (" << actions.size() << "):\n";
  for (const action& a : actions) std::cout << "  " << format_action(a) << '\n';
}

std::string default_minimal_file(const std::string& scenario_file) {
  const std::string extension = ".scn";
  const bool has = scenario_file.size() > extension.size() &&
                   scenario_file.compare(scenario_file.size() - extension.size(), extension.size(),
                                         extension) == 0;
  return (has ? scenario_file.substr(0, scenario_file.size() - extension.size()) : scenario_file) +
         ".fail.scn";
}

// Where the time went, for whoever wants to know how fast exploring is.
void print_figures(const std::map<int, run_report>& reports, double wall) {
  double run_wall = 0, turn = 0, answer = 0, check = 0;
  long turns = 0;
  for (const auto& [id, r] : reports) {
    run_wall += r.wall;
    turn += r.turn;
    answer += r.answer;
    check += r.check;
    turns += r.turns;
  }
  const double runs = double(std::max<size_t>(reports.size(), 1));
  const double per_turn = 1e6 / double(std::max(turns, 1L));
  std::fprintf(stderr,
               "explore: %zu runs in %.1f s, %.0f runs a minute; a run: %.0f ms to start and end, "
               "%.0f turns; a turn: %.1f us the line, %.1f us the controller's answer, %.2f us the "
               "statements\n",
               reports.size(), wall, reports.size() / wall * 60,
               (run_wall - turn - check) / runs * 1e3, turns / runs, (turn - answer) * per_turn,
               answer * per_turn, check * per_turn);
}

class exploration_run {
 public:
  exploration_run(const scenario& script, const run_options& options, const std::string& command)
      : script(script),
        options(options),
        controller(command.substr(0, command.size() - 1)),
        seed(options.seed ? *options.seed
                          : uint64_t(std::chrono::system_clock::now().time_since_epoch().count())),
        length(explored_length(script)),
        jobs(options.jobs > 0 ? options.jobs
                              : std::max(1, int(std::thread::hardware_concurrency()))),
        pool(std::min(jobs, options.runs), script, quiet(options), command) {}

  int run(const std::string& command) {
    std::cout << "explore: seed " << seed << ", " << options.runs << " runs of "
              << format_seconds(length) << " s, " << pool.size() << " jobs" << std::endl;
    const int first = explore_runs();
    if (first < 0) return no_verdict();
    write_junit_file(command);
    if (first == INT_MAX) {
      std::cout << reports.size() << " runs, seed " << seed << ", no failure\n";
      return write_reports({}) ? 0 : 2;
    }
    try {
      return shrink_and_confirm(first);
    } catch (const run_lost& lost) {
      error = lost.report;
      interrupted = lost.report.outcome == 'i';
      return no_verdict();
    }
  }

  // A run of the shrinking that could not be made.
  struct run_lost {
    run_report report;
  };

 private:
  static run_options quiet(run_options o) {
    o.show_controller_stderr = false;
    o.screenshot_file.clear();
    o.report_file.clear();
    o.json_file.clear();
    return o;
  }

  run_request explored(int id) const {
    run_request r;
    r.id = id;
    r.actions = explored_actions(script, seed, id);
    r.end = length;
    return r;
  }

  // Every run, or up to the first that fails; its number, INT_MAX when
  // none failed, -1 when a run could not be made.
  int explore_runs() {
    progress shown(options.runs);
    std::vector<int> busy(size_t(pool.size()), -1);
    int next = 0, first_failing = INT_MAX;
    for (;;) {
      for (int w = 0; w < pool.size(); ++w)
        if (busy[size_t(w)] < 0 && next < options.runs && next < first_failing) {
          pool.send(w, explored(next));
          busy[size_t(w)] = next++;
        }
      if (std::all_of(busy.begin(), busy.end(), [](int b) { return b < 0; })) break;
      run_report r;
      const int w = pool.receive(r);
      busy[size_t(w)] = -1;
      if (r.outcome == 'e' || r.outcome == 'i') {
        interrupted = r.outcome == 'i';
        error = r;
        shown.finish();
        return -1;
      }
      reports[r.id] = r;
      shown.run_done(r.outcome == 'f');
      if (r.outcome == 'f') first_failing = std::min(first_failing, r.id);
    }
    shown.finish();
    explore_seconds = shown.elapsed();
    print_figures(reports, explore_seconds);
    return first_failing;
  }

  int no_verdict() {
    std::cerr << "corvan-run: run " << error.id << " of the exploration: " << error.problem << '\n';
    if (interrupted) {
      std::cout << "INTERRUPTED: " << reports.size() << " runs made\n";
      return 130;
    }
    std::cout << "ERROR: no verdict, the run could not be made or recorded\n";
    return 2;
  }

  void write_junit_file(const std::string& command) const {
    if (options.junit_file.empty()) return;
    std::ofstream junit(options.junit_file);
    write_junit(junit, command.substr(0, command.size() - 1), options.scenario_file,
                over_all_runs(script, reports), run_itself(reports), explore_seconds, "");
  }

  int shrink_and_confirm(int first) {
    const run_report& failing = reports.at(first);
    const std::vector<action> before = explored_actions(script, seed, first);
    if (!options.trace_file.empty() || !options.csv_file.empty()) trace_run(first);
    const auto try_all = [&](const std::vector<std::vector<action>>& candidates,
                             const failure& current) {
      std::vector<run_request> requests;
      for (const auto& actions : candidates) {
        run_request r;
        r.id = int(requests.size());
        r.actions = actions;
        r.end = std::min(length, minimal_end(script, current));
        requests.push_back(r);
      }
      std::vector<trial> trials;
      for (const run_report& r : pool.run_all(requests)) {
        if (r.outcome == 'e' || r.outcome == 'i') throw run_lost{r};
        trials.push_back({r.outcome == 'f' && r.how.statement == failing.how.statement, r.how});
      }
      return trials;
    };
    failure how = failing.how;
    const std::vector<action> after = shrink_actions(before, how, try_all);
    // The failure of the shrunk list, as the last trial saw it.
    const std::vector<trial> last = try_all({after}, how);
    how = last[0].how;
    return write_and_confirm(first, failing, before, after, how);
  }

  void trace_run(int first) {
    run_request r = explored(first);
    r.trace = options.trace_file;
    r.csv = options.csv_file;
    pool.run_all({r});
  }

  int write_and_confirm(int first, const run_report& failing, const std::vector<action>& before,
                        const std::vector<action>& after, const failure& how) {
    const std::string path =
        options.minimal_file.empty() ? default_minimal_file(options.scenario_file) : options.minimal_file;
    const std::string statement =
        how.statement < 0 ? "the run itself" : "line " + std::to_string(script.expectations[size_t(how.statement)].line);
    const std::string origin = "corvan-run --explore, seed " + std::to_string(seed) + ", run " +
                               std::to_string(first) + ": fails " + statement;
    report::exploration found;
    found.minimal_file = path;
    found.minimal_text = minimal_scenario_text(script, after, how, origin);
    std::ofstream file(path);
    file << found.minimal_text;
    file.close();
    if (!file) {
      std::cerr << "corvan-run: cannot write " << path << '\n';
      return 2;
    }
    std::cout << "run " << first << " of seed " << seed << " fails " << statement << ": "
              << (how.statement < 0 ? failing.problem
                                    : script.expectations[size_t(how.statement)].text + ": " +
                                          failing.observed[size_t(how.statement)])
              << '\n';
    print_actions("before", before);
    print_actions("after", after);
    run_request confirm;
    confirm.file = path;
    const temp_file confirm_report(reports_wanted() ? "corvan-run-minimal" : "");
    confirm.report = confirm_report.path;
    const run_report again = pool.run_all({confirm})[0];
    const std::string expected_text =
        how.statement < 0 ? "" : script.expectations[size_t(how.statement)].text;
    std::cout << "minimal scenario: " << path;
    if (again.outcome == 'f' && again.failed_text == expected_text && again.how.turn == how.turn) {
      found.confirmation = "it fails the same way when run alone";
      std::cout << " (" << found.confirmation << ")\n";
    } else {
      found.confirmation = "the controller is not deterministic: run alone, the minimal scenario " +
                           differently(again, how);
      std::cout << '\n' << found.confirmation << '\n';
    }
    if (!confirm.report.empty()) found.minimal_run = confirmation_run(confirm.report, path);
    return write_reports(std::move(found)) ? 1 : 2;
  }

  bool reports_wanted() const { return !options.report_file.empty() || !options.json_file.empty(); }

  // The confirmation run's report, as its worker wrote it; none when the
  // run could not be made.
  static std::vector<report::run_report> confirmation_run(const std::string& json, const std::string& scenario) {
    try {
      report::run_report r = report::read_json_file(json);
      r.scenario_file = scenario;
      r.files.clear();
      return {r};
    } catch (const report::read_error&) {
      return {};
    }
  }

  // The --report page and the --json file of the exploration; false when
  // one could not be written.
  bool write_reports(report::exploration found) const {
    if (!reports_wanted()) return true;
    const std::vector<check_result> results = over_all_runs(script, reports);
    const run_problem problem = run_itself(reports);
    report::run_report r;
    r.controller = controller;
    r.scenario_file = options.scenario_file;
    r.date = date;
    r.verdict = verdict_word(results, problem);
    r.problem = problem.text;
    r.lockstep = true;
    r.wall_seconds = explore_seconds;
    for (const check_result& c : results) r.statements.push_back(report_statement(c));
    r.files = report_files(options);
    if (!found.minimal_file.empty()) r.files.emplace_back("minimal", found.minimal_file);
    found.seed = seed;
    found.runs = options.runs;
    found.runs_made = int(reports.size());
    r.explored.push_back(std::move(found));
    const std::string error = write_report_files(r, options);
    if (error.empty()) return true;
    std::cerr << "corvan-run: " << error << '\n';
    return false;
  }

  static std::string differently(const run_report& again, const failure& expected) {
    if (again.outcome == 'p') return "passes";
    if (again.outcome != 'f') return "could not run: " + again.problem;
    const std::string what = again.failed_text.empty() ? "the run itself" : "\"" + again.failed_text + "\"";
    return "fails " + what + " in turn " + std::to_string(again.how.turn) + " instead of turn " +
           std::to_string(expected.turn);
  }

  const scenario& script;
  const run_options& options;
  const std::string controller;  // as the reports name it
  const std::string date = report_date();
  const uint64_t seed;
  const micros length;
  const int jobs;
  worker_pool pool;
  std::map<int, run_report> reports;
  run_report error;
  bool interrupted = false;
  double explore_seconds = 0;
};

}  // namespace

int explore(const scenario& script, const run_options& options, const std::string& command) {
  // A worker that died is known from its pipe, not by dying of it.
  signal(SIGPIPE, SIG_IGN);
  return exploration_run(script, options, command).run(command);
}
