#include "runner/explore.h"

#include <algorithm>

#include "runner/options.h"

namespace {

// Actions land on turns: times are drawn in whole turns.
constexpr micros turn_us = 5000;
// A shrunk scenario goes on this long after its failure.
constexpr micros after_failure = 1000000;

// splitmix64: small, fast, and the same sequence on every machine (the
// standard library's distributions are not).
class draw_source {
 public:
  draw_source(uint64_t seed, int run) : state(seed ^ (0x9E3779B97F4A7C15ULL * uint64_t(run + 1))) {}

  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // A whole number of turns within the range, both ends included; the low
  // end itself when the range holds no whole turn.
  micros within(const time_range& r) {
    const micros first = (r.low + turn_us - 1) / turn_us;
    const micros last = r.high / turn_us;
    if (last < first) return r.low;
    return (first + micros(next() % uint64_t(last - first + 1))) * turn_us;
  }

 private:
  uint64_t state;
};

micros rounded_to_turn(micros t) { return (t + turn_us / 2) / turn_us * turn_us; }

action drawn_action(const explore_rule& rule, micros at, draw_source& draw) {
  action a{};
  a.kind = rule.kind;
  a.button = rule.button;
  a.signal = rule.signal;
  a.value = rule.value;
  a.at = at;
  a.line = rule.line;
  if (rule.kind == action::press || rule.kind == action::fault)
    a.duration = std::max(turn_us, draw.within(rule.hold));
  return a;
}

// Every list that differs from the current one by a single step, in the
// order they are tried: drop an action, halve a press or a fault (a fault
// with no end ends with the failure), move an action halfway to the next
// one. The last is not moved: the failure would only follow it.
std::vector<std::vector<action>> single_steps(const std::vector<action>& current,
                                              const failure& how) {
  std::vector<std::vector<action>> found;
  for (size_t i = 0; i < current.size(); ++i) {
    std::vector<action> fewer = current;
    fewer.erase(fewer.begin() + long(i));
    found.push_back(fewer);
  }
  for (size_t i = 0; i < current.size(); ++i) {
    const action& a = current[i];
    if (a.kind != action::press && a.kind != action::fault) continue;
    const micros shorter = a.duration == forever ? std::max(turn_us, how.time + turn_us - a.at)
                                                 : std::max(turn_us, rounded_to_turn(a.duration / 2));
    if (shorter >= a.duration) continue;
    found.push_back(current);
    found.back()[i].duration = shorter;
  }
  for (size_t i = 0; i + 1 < current.size(); ++i) {
    const micros limit = current[i + 1].at;
    const micros later = rounded_to_turn(current[i].at + (limit - current[i].at) / 2);
    if (later <= current[i].at || later > limit) continue;
    found.push_back(current);
    found.back()[i].at = later;
  }
  return found;
}

// The shrinking under way: the smallest failing list so far and its
// failure. Each try runs candidates a batch at a time and keeps the first
// that fails, in order. The batch is fixed, so that the result never
// depends on how many runs are made side by side.
class shrinking {
 public:
  shrinking(std::vector<action> failing, failure how, const trial_batch& try_all)
      : current(std::move(failing)), how(how), try_all(try_all) {}

  std::vector<action> run() {
    for (;;) {
      drop_runs();
      drop_each();
      for (size_t i = 0; i < current.size(); ++i) shorten(i);
      for (int i = int(current.size()) - 2; i >= 0; --i) move_later(size_t(i));
      // 1-minimal only once no single step keeps the failure.
      if (keep_first_failing(single_steps(current, how)) < 0) return current;
    }
  }

 private:
  // The index of the kept candidate, or -1.
  int keep_first_failing(const std::vector<std::vector<action>>& candidates) {
    for (size_t first = 0; first < candidates.size(); first += batch) {
      const size_t last = std::min(candidates.size(), first + batch);
      const std::vector<std::vector<action>> some(candidates.begin() + long(first),
                                                  candidates.begin() + long(last));
      const std::vector<trial> results = try_all(some, how);
      for (size_t i = 0; i < results.size(); ++i) {
        if (!results[i].same_failure) continue;
        current = some[i];
        how = results[i].how;
        return int(first + i);
      }
    }
    return -1;
  }

  // Runs of actions, halves first, then quarters...: many irrelevant
  // actions go in few trials.
  void drop_runs() {
    for (size_t size = current.size() / 2; size >= 2; size /= 2)
      for (size_t first = 0; first + size <= current.size();) {
        std::vector<action> fewer = current;
        fewer.erase(fewer.begin() + long(first), fewer.begin() + long(first + size));
        if (keep_first_failing({fewer}) < 0) first += size;
      }
  }

  // Each action in turn, a batch of them tried side by side.
  void drop_each() {
    for (size_t i = 0; i < current.size();) {
      std::vector<std::vector<action>> candidates;
      for (size_t k = i; k < current.size() && candidates.size() < batch; ++k) {
        candidates.push_back(current);
        candidates.back().erase(candidates.back().begin() + long(k));
      }
      const int kept = keep_first_failing(candidates);
      i += kept < 0 ? candidates.size() : size_t(kept);
    }
  }

  // The shortest press or fault that still fails, searched between a turn
  // and its length.
  void shorten(size_t i) {
    const action& a = current[i];
    if (a.kind != action::press && a.kind != action::fault) return;
    const micros length =
        a.duration == forever ? std::max(turn_us, how.time + turn_us - a.at) : a.duration;
    search(i, length, turn_us, [](action& changed, micros d) { changed.duration = d; });
  }

  // The latest time that still fails, up to the next action's.
  void move_later(size_t i) {
    search(i, current[i].at, current[i + 1].at, [](action& changed, micros at) { changed.at = at; });
  }

  // From a value known to fail towards a goal, on whole turns: the value
  // nearest the goal that still fails. Points between the last known
  // failing value and the first known passing one are tried batch at a
  // time, those nearest the goal first.
  void search(size_t i, micros failing_value, micros goal,
              const std::function<void(action&, micros)>& set) {
    micros fails = failing_value, passes = goal;
    bool passes_known = false;
    for (;;) {
      const micros parts = micros(batch) + (passes_known ? 1 : 0);
      std::vector<micros> points;
      for (micros k = micros(batch); k >= 1; --k) {
        const micros v = rounded_to_turn(fails + (passes - fails) * k / parts);
        const bool tried = v == fails || (passes_known && v == passes) ||
                           (!points.empty() && v == points.back());
        if (!tried) points.push_back(v);
      }
      if (points.empty()) return;
      std::vector<std::vector<action>> candidates;
      for (micros v : points) {
        candidates.push_back(current);
        set(candidates.back()[i], v);
      }
      const int kept = keep_first_failing(candidates);
      if (kept == 0 && !passes_known && points[0] == passes) return;  // the goal itself
      if (kept >= 0) fails = points[size_t(kept)];
      passes = kept > 0 ? points[size_t(kept) - 1] : kept < 0 ? points.back() : passes;
      passes_known = passes_known || kept != 0;
    }
  }

  static constexpr size_t batch = 4;

  std::vector<action> current;
  failure how;
  const trial_batch& try_all;
};

// The latest time a statement names: the run must reach it.
micros latest_time(const expectation& e) {
  micros t = 0;
  if (e.kind == expectation::message_count || e.kind == expectation::signal_value) t = e.at;
  if (e.kind == expectation::always || e.kind == expectation::outcome)
    t = e.to == forever ? e.from : e.to;
  return t;
}

}  // namespace

micros explored_length(const scenario& s) {
  if (s.explore.length) return *s.explore.length;
  if (s.end) return *s.end;
  throw usage_error("no length for the explored runs: give 'explore for D' or 'end T'");
}

std::vector<action> explored_actions(const scenario& s, uint64_t seed, int run) {
  const micros length = explored_length(s);
  draw_source draw(seed, run);
  std::vector<action> actions = s.actions;
  for (const explore_rule& rule : s.explore.rules)
    for (micros at = s.explore.from + draw.within(rule.every); at < length;
         at += std::max(turn_us, draw.within(rule.every)))
      actions.push_back(drawn_action(rule, at, draw));
  // The scenario's own actions first among those of one time.
  std::stable_sort(actions.begin(), actions.end(),
                   [](const action& a, const action& b) { return a.at < b.at; });
  return actions;
}

bool first_failure(const std::vector<check_result>& results, const run_problem& problem,
                   int last_turn, micros last_time, const expectation* first_statement,
                   failure& found) {
  bool any = false;
  for (const check_result& r : results) {
    if (r.status != check_status::failed) continue;
    // A failure found only at the end (a count, a value not reached) counts
    // as of the last turn.
    const int turn = r.example.turn >= 0 ? r.example.turn : last_turn;
    if (any && turn >= found.turn) continue;
    found = {int(r.expected - first_statement), turn,
             r.example.turn >= 0 ? r.example.time : last_time};
    any = true;
  }
  // An ended controller ends the run: what fails in its last turn follows
  // from it.
  if (problem.kind == run_problem::failure && (!any || found.turn >= last_turn)) {
    found = {-1, last_turn, last_time};
    any = true;
  }
  return any;
}

micros minimal_end(const scenario& s, const failure& f) {
  micros end = rounded_to_turn(f.time) + after_failure;
  const std::vector<expectation>& all = s.expectations;
  if (f.statement >= 0) return std::max(end, latest_time(all[size_t(f.statement)]));
  for (const expectation& e : all) end = std::max(end, latest_time(e));
  return end;
}

std::vector<action> shrink_actions(std::vector<action> failing, failure how,
                                   const trial_batch& try_all) {
  return shrinking(std::move(failing), how, try_all).run();
}

std::string minimal_scenario_text(const scenario& s, const std::vector<action>& actions,
                                  const failure& f, const std::string& origin) {
  std::string text = "# " + origin + "\n";
  for (const action& a : actions) text += format_action(a) + "\n";
  for (size_t i = 0; i < s.expectations.size(); ++i)
    if (f.statement < 0 || size_t(f.statement) == i) text += s.expectations[i].text + "\n";
  text += "end " + format_seconds(minimal_end(s, f)) + "\n";
  return text;
}
