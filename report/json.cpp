#include "report/json.h"

#include "report/base64.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace report {

namespace {

// Keys in the order written: the verdict first, the timeline last.
using json = nlohmann::ordered_json;
namespace fs = std::filesystem;

// Names this reader knows; a report of another format is refused.
const char* const format_name = "corvan-run report";
constexpr int format_version = 1;

double seconds(micros t) { return double(t) / 1e6; }
micros micros_of(const json& seconds) { return micros(std::llround(seconds.get<double>() * 1e6)); }

json changes_json(const std::vector<change>& changes) {
  json list = json::array();
  for (const change& c : changes) list.push_back({c.turn, c.value});
  return list;
}

std::vector<change> changes_of(const json& list) {
  std::vector<change> changes;
  changes.reserve(list.size());
  for (const json& c : list) changes.push_back({c.at(0).get<int>(), c.at(1).get<int32_t>()});
  return changes;
}

json span_json(const marked_span& s) {
  json j = {{"from_turn", s.from_turn}, {"to_turn", s.to_turn}, {"text", s.text}, {"label", s.label},
            {"line", s.line}};
  if (!s.signal.empty()) j["signal"] = s.signal;
  return j;
}

marked_span span_of(const json& j) {
  marked_span s;
  s.from_turn = j.at("from_turn").get<int>();
  s.to_turn = j.at("to_turn").get<int>();
  s.text = j.at("text").get<std::string>();
  s.label = j.at("label").get<std::string>();
  s.line = j.at("line").get<int>();
  s.signal = j.value("signal", "");
  return s;
}

json timeline_json(const timeline& t) {
  json lanes = json::array();
  for (const signal_lane& l : t.lanes)
    lanes.push_back({{"name", l.name}, {"changes", changes_json(l.changes)}, {"forced", changes_json(l.forced)}});
  json messages = json::array();
  for (const message_mark& m : t.messages) messages.push_back({m.turn, m.text});
  json faults = json::array(), actions = json::array();
  for (const marked_span& s : t.faults) faults.push_back(span_json(s));
  for (const marked_span& s : t.actions) actions.push_back(span_json(s));
  return {{"turns", t.turns}, {"signals", lanes}, {"messages", messages}, {"faults", faults}, {"actions", actions}};
}

timeline timeline_of(const json& j) {
  timeline t;
  t.turns = j.at("turns").get<int>();
  for (const json& l : j.at("signals"))
    t.lanes.push_back({l.at("name").get<std::string>(), changes_of(l.at("changes")), changes_of(l.at("forced"))});
  for (const json& m : j.at("messages")) t.messages.push_back({m.at(0).get<int>(), m.at(1).get<std::string>()});
  for (const json& s : j.at("faults")) t.faults.push_back(span_of(s));
  for (const json& s : j.at("actions")) t.actions.push_back(span_of(s));
  return t;
}

status status_of(const std::string& word) {
  if (word == status_word(status::passed)) return status::passed;
  if (word == status_word(status::failed)) return status::failed;
  if (word == status_word(status::open)) return status::open;
  throw read_error("unknown status '" + word + "'");
}

json statement_json(const statement& s) {
  json j = {{"line", s.line}, {"text", s.text}, {"status", status_word(s.result)}};
  if (s.result == status::passed) return j;
  j["observed"] = s.observed;
  json example = json::object();
  if (s.turn >= 0) {
    example["turn"] = s.turn;
    example["time"] = seconds(s.time);
  }
  json values = json::object();
  for (const auto& [name, value] : s.values) values[name] = value;
  if (!values.empty()) example["values"] = values;
  if (s.trigger_turn >= 0) {
    example["trigger_turn"] = s.trigger_turn;
    example["trigger_time"] = seconds(s.trigger_time);
    example["deadline"] = seconds(s.deadline);
  }
  j["counter_example"] = example;
  return j;
}

statement statement_of(const json& j) {
  statement s;
  s.line = j.at("line").get<int>();
  s.text = j.at("text").get<std::string>();
  s.result = status_of(j.at("status").get<std::string>());
  if (s.result == status::passed) return s;
  s.observed = j.at("observed").get<std::string>();
  const json& x = j.at("counter_example");
  if (x.contains("turn")) {
    s.turn = x.at("turn").get<int>();
    s.time = micros_of(x.at("time"));
  }
  if (x.contains("values"))
    for (const auto& [name, value] : x.at("values").items()) s.values.emplace_back(name, value.get<int32_t>());
  if (x.contains("trigger_turn")) {
    s.trigger_turn = x.at("trigger_turn").get<int>();
    s.trigger_time = micros_of(x.at("trigger_time"));
    s.deadline = micros_of(x.at("deadline"));
  }
  return s;
}

json report_json(const run_report& r, const std::string& folder, bool with_pictures);
run_report report_of(const json& j, const std::string& folder);

json exploration_json(const exploration& e, const std::string& folder, bool with_pictures) {
  json j = {{"seed", e.seed}, {"runs", e.runs}, {"runs_made", e.runs_made}};
  if (!e.minimal_text.empty()) {
    j["minimal_file"] = path_from(folder, e.minimal_file);
    j["minimal_text"] = e.minimal_text;
    j["confirmation"] = e.confirmation;
  }
  if (!e.minimal_run.empty()) j["minimal_run"] = report_json(e.minimal_run[0], folder, with_pictures);
  return j;
}

std::string path_in(const std::string& folder, const std::string& path) {
  if (path.empty() || fs::path(path).is_absolute()) return path;
  return (fs::path(folder) / path).lexically_normal().string();
}

exploration exploration_of(const json& j, const std::string& folder) {
  exploration e;
  e.seed = j.at("seed").get<uint64_t>();
  e.runs = j.at("runs").get<int>();
  e.runs_made = j.at("runs_made").get<int>();
  if (j.contains("minimal_text")) {
    e.minimal_file = path_in(folder, j.at("minimal_file").get<std::string>());
    e.minimal_text = j.at("minimal_text").get<std::string>();
    e.confirmation = j.at("confirmation").get<std::string>();
  }
  if (j.contains("minimal_run")) e.minimal_run.push_back(report_of(j.at("minimal_run"), folder));
  return e;
}

json report_json(const run_report& r, const std::string& folder, bool with_pictures) {
  const counts n = count_statements(r.statements);
  json statements = json::array();
  for (const statement& s : r.statements) statements.push_back(statement_json(s));
  json files = json::object();
  for (const auto& [what, path] : r.files) files[what] = path_from(folder, path);
  json j = {{"format", format_name},
            {"version", format_version},
            {"controller", r.controller},
            {"scenario", path_from(folder, r.scenario_file)},
            {"date", r.date},
            {"verdict", r.verdict},
            {"problem", r.problem},
            {"lockstep", r.lockstep},
            {"counts", {{"passed", n.passed}, {"failed", n.failed}, {"open", n.open}}},
            {"figures",
             {{"turns", r.turns},
              {"simulated_seconds", seconds(r.simulated)},
              {"wall_seconds", r.wall_seconds},
              {"late_answers", r.late_answers}}},
            {"statements", statements},
            {"files", files},
            {"timeline", timeline_json(r.diagram)}};
  if (with_pictures) {
    json pictures = json::array();
    for (const picture& p : r.pictures)
      pictures.push_back({{"caption", p.caption}, {"turn", p.turn}, {"png", base64_encoded(p.png)}});
    j["pictures"] = pictures;
  }
  if (!r.explored.empty()) j["exploration"] = exploration_json(r.explored[0], folder, with_pictures);
  return j;
}

run_report report_of(const json& j, const std::string& folder) {
  run_report r;
  r.controller = j.at("controller").get<std::string>();
  r.scenario_file = path_in(folder, j.at("scenario").get<std::string>());
  r.date = j.at("date").get<std::string>();
  r.verdict = j.at("verdict").get<std::string>();
  r.problem = j.at("problem").get<std::string>();
  r.lockstep = j.at("lockstep").get<bool>();
  const json& figures = j.at("figures");
  r.turns = figures.at("turns").get<int>();
  r.simulated = micros_of(figures.at("simulated_seconds"));
  r.wall_seconds = figures.at("wall_seconds").get<double>();
  r.late_answers = figures.at("late_answers").get<int>();
  for (const json& s : j.at("statements")) r.statements.push_back(statement_of(s));
  for (const auto& [what, path] : j.at("files").items())
    r.files.emplace_back(what, path_in(folder, path.get<std::string>()));
  r.diagram = timeline_of(j.at("timeline"));
  if (j.contains("pictures"))
    for (const json& p : j.at("pictures"))
      r.pictures.push_back({p.at("caption").get<std::string>(), p.at("turn").get<int>(),
                            base64_decoded(p.at("png").get<std::string>())});
  if (j.contains("exploration")) r.explored.push_back(exploration_of(j.at("exploration"), folder));
  return r;
}

}  // namespace

std::string path_from(const std::string& folder, const std::string& path) {
  if (path.empty()) return path;
  std::error_code ignored;
  const fs::path base = fs::weakly_canonical(folder.empty() ? fs::path(".") : fs::path(folder), ignored);
  const fs::path target = fs::weakly_canonical(path, ignored);
  const fs::path relative = target.lexically_relative(base);
  // A file outside the folder stays where it is when the folder moves.
  const bool inside = !relative.empty() && *relative.begin() != "..";
  return inside ? relative.string() : target.string();
}

std::string folder_of(const std::string& file) { return fs::path(file).parent_path().string(); }

std::string json_text(const run_report& r, const std::string& folder, bool with_pictures) {
  // User text (messages, statements) may hold any byte: a stray one becomes
  // U+FFFD rather than a broken file.
  return report_json(r, folder, with_pictures).dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

run_report parse_json(const std::string& text, const std::string& folder) {
  try {
    const json j = json::parse(text);
    if (!j.is_object() || j.value("format", "") != format_name)
      throw read_error("not a corvan-run report");
    if (j.at("version").get<int>() != format_version)
      throw read_error("a report of version " + j.at("version").dump() + ", this program reads version " +
                       std::to_string(format_version));
    return report_of(j, folder);
  } catch (const json::exception& e) {
    throw read_error(e.what());
  } catch (const std::invalid_argument& e) {
    throw read_error(e.what());
  }
}

std::string write_json_file(const std::string& path, const run_report& r, bool with_pictures) {
  std::ofstream out(path);
  out << json_text(r, folder_of(path), with_pictures);
  out.close();
  return out ? "" : "cannot write " + path;
}

run_report read_json_file(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw read_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  try {
    return parse_json(text.str(), folder_of(path));
  } catch (const read_error& e) {
    throw read_error(path + ": " + e.what());
  }
}

}  // namespace report
