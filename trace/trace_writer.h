// Signal changes in, wave traces out: a VCD file for wave viewers and a CSV
// file for spreadsheets, both written as the run goes (every 20 ms of trace
// time) so that a run cut short still leaves readable files up to within a
// few turns of its end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class trace_writer {
 public:
  // An empty path leaves that format out. Throws std::runtime_error naming
  // the file when it cannot be written.
  trace_writer(const std::string& vcd_path, const std::string& csv_path);
  ~trace_writer();
  trace_writer(const trace_writer&) = delete;
  trace_writer& operator=(const trace_writer&) = delete;

  // Declared before the first sample. The CSV names the variable csv_name,
  // or name when that is empty. Returns the handle for set().
  int add_variable(const std::string& scope, const std::string& name, int width = 1,
                   const std::string& csv_name = "");
  // The value the variable will have at the next sample.
  void set(int variable, uint32_t value);
  // Records the values at this time: every variable the first time, then
  // only the changes. The turn counter is a 32-bit variable of its own.
  void sample(uint64_t time_us, uint32_t turn);
  // Writes out what is buffered. A write that failed (a full disk, a
  // broken device) is kept in error(), the first one only.
  void flush();
  // "" while every write went through; otherwise "cannot write FILE: reason".
  const std::string& error() const { return first_error; }

 private:
  struct variable {
    std::string scope;
    std::string name;
    std::string csv_name;
    int width;
    std::string code;  // VCD identifier
    uint32_t value = 0;
    uint32_t recorded = 0;
  };

  void write_vcd_header();
  void write_vcd_value(const variable& v, uint32_t value);
  void write_csv_change(uint64_t time_us, uint32_t turn, const std::string& name, uint32_t value);

  void flush_file(std::FILE* file, const std::string& path);

  std::FILE* vcd = nullptr;
  std::FILE* csv = nullptr;
  std::string vcd_path;
  std::string csv_path;
  std::string first_error;
  std::vector<variable> variables;
  variable turn_variable;
  bool started = false;
  uint64_t last_time = 0;
  uint64_t last_flush = 0;
  static constexpr uint64_t flush_interval_us = 20000;
};
