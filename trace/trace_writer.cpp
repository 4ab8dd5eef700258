#include "trace/trace_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

// Room for a few seconds of the busiest trace between two flushes.
constexpr std::size_t buffer_size = 1 << 20;

std::FILE* open_for_writing(const std::string& path) {
  if (path.empty()) return nullptr;
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
  std::setvbuf(f, nullptr, _IOFBF, buffer_size);
  return f;
}

// VCD identifiers are strings of printable characters '!' to '~'.
std::string identifier_code(int index) {
  std::string code;
  do {
    code += char('!' + index % 94);
    index /= 94;
  } while (index > 0);
  return code;
}

}  // namespace

trace_writer::trace_writer(const std::string& vcd_file, const std::string& csv_file)
    : vcd_path(vcd_file), csv_path(csv_file) {
  vcd = open_for_writing(vcd_path);
  try {
    csv = open_for_writing(csv_path);
  } catch (...) {
    if (vcd) std::fclose(vcd);
    throw;
  }
  turn_variable.name = "turn";
  turn_variable.width = 32;
  turn_variable.code = identifier_code(0);
}

trace_writer::~trace_writer() {
  if (vcd) std::fclose(vcd);
  if (csv) std::fclose(csv);
}

int trace_writer::add_variable(const std::string& scope, const std::string& name, int width,
                               const std::string& csv_name) {
  variable v;
  v.scope = scope;
  v.name = name;
  v.csv_name = csv_name.empty() ? name : csv_name;
  v.width = width;
  v.code = identifier_code(int(variables.size()) + 1);
  variables.push_back(v);
  return int(variables.size()) - 1;
}

void trace_writer::set(int index, uint32_t value) {
  if (index < 0 || index >= int(variables.size())) return;
  variable& v = variables[index];
  v.value = v.width >= 32 ? value : value & ((1u << v.width) - 1);
}

void trace_writer::write_vcd_header() {
  std::fputs("$version corvan trace $end\n$timescale 1 us $end\n$scope module corvan $end\n", vcd);
  std::fprintf(vcd, "$var wire 32 %s turn $end\n", turn_variable.code.c_str());
  // Scopes in order of first appearance, each with its variables.
  std::vector<std::string> scopes;
  for (const auto& v : variables)
    if (std::find(scopes.begin(), scopes.end(), v.scope) == scopes.end()) scopes.push_back(v.scope);
  for (const auto& scope : scopes) {
    std::fprintf(vcd, "$scope module %s $end\n", scope.c_str());
    for (const auto& v : variables)
      if (v.scope == scope)
        std::fprintf(vcd, "$var wire %d %s %s $end\n", v.width, v.code.c_str(), v.name.c_str());
    std::fputs("$upscope $end\n", vcd);
  }
  std::fputs("$upscope $end\n$enddefinitions $end\n", vcd);
}

void trace_writer::write_vcd_value(const variable& v, uint32_t value) {
  if (v.width == 1) {
    std::fprintf(vcd, "%u%s\n", value & 1u, v.code.c_str());
    return;
  }
  char bits[33];
  int n = 0;
  int top = 31;
  while (top > 0 && !(value >> top & 1u)) --top;
  for (int bit = top; bit >= 0; --bit) bits[n++] = char('0' + (value >> bit & 1u));
  bits[n] = '\0';
  std::fprintf(vcd, "b%s %s\n", bits, v.code.c_str());
}

void trace_writer::write_csv_change(uint64_t time_us, uint32_t turn, const std::string& name,
                                    uint32_t value) {
  std::fprintf(csv, "%llu,%u,%s,%u\n", static_cast<unsigned long long>(time_us), turn,
               name.c_str(), value);
}

void trace_writer::sample(uint64_t time_us, uint32_t turn) {
  // Time never goes back in a trace.
  if (started && time_us < last_time) time_us = last_time;
  const bool first = !started;
  bool time_written = false;
  auto mark_time = [&] {
    if (time_written) return;
    time_written = true;
    if (vcd && (first || time_us != last_time))
      std::fprintf(vcd, "#%llu\n", static_cast<unsigned long long>(time_us));
    if (vcd && first) std::fputs("$dumpvars\n", vcd);
  };
  if (first) {
    if (vcd) write_vcd_header();
    if (csv) std::fputs("time_us,turn,signal,value\n", csv);
  }
  if (first || turn != turn_variable.recorded) {
    mark_time();
    if (vcd) write_vcd_value(turn_variable, turn);
    turn_variable.recorded = turn;
  }
  for (auto& v : variables) {
    if (!first && v.value == v.recorded) continue;
    mark_time();
    if (vcd) write_vcd_value(v, v.value);
    if (csv) write_csv_change(time_us, turn, v.csv_name, v.value);
    v.recorded = v.value;
  }
  if (vcd && first) std::fputs("$end\n", vcd);
  started = true;
  last_time = time_us;
  // A flush is a system call, too dear for every turn: a run cut short
  // loses at most the last few turns. The buffer holds far more than a
  // flush interval, so the files only ever end between two samples.
  if (first || time_us - last_flush >= flush_interval_us) {
    flush();
    last_flush = time_us;
  }
}

void trace_writer::flush() {
  flush_file(vcd, vcd_path);
  flush_file(csv, csv_path);
}

void trace_writer::flush_file(std::FILE* file, const std::string& path) {
  if (!file) return;
  if (std::fflush(file) == 0 && !std::ferror(file)) return;
  if (first_error.empty()) first_error = "cannot write " + path + ": " + std::strerror(errno);
  std::clearerr(file);
}
