#include "runner/verdict.h"

#include "runner/utf8.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace {

const char* status_word(check_status s) {
  switch (s) {
    case check_status::passed: return "PASS";
    case check_status::failed: return "FAIL";
    case check_status::open: return "OPEN";
  }
  return "?";
}

}  // namespace

std::string turn_and_time(int turn, micros time) {
  return "turn " + std::to_string(turn) + " (" + format_seconds(time) + " s)";
}

verdict_counts count_results(const std::vector<check_result>& results) {
  verdict_counts n;
  for (const auto& r : results) {
    if (r.status == check_status::passed) ++n.passed;
    if (r.status == check_status::failed) ++n.failed;
    if (r.status == check_status::open) ++n.open;
  }
  return n;
}

bool run_passed(const std::vector<check_result>& results, const run_problem& problem) {
  return problem.kind == run_problem::none && count_results(results).failed == 0;
}

const char* verdict_word(const std::vector<check_result>& results, const run_problem& problem) {
  if (problem.kind == run_problem::error) return "ERROR";
  if (problem.kind == run_problem::interrupted) return "INTERRUPTED";
  return run_passed(results, problem) ? "PASSED" : "FAILED";
}

void print_verdict(std::ostream& out, const std::vector<check_result>& results,
                   const run_problem& problem) {
  for (const auto& c : results) {
    out << status_word(c.status) << " line " << c.expected->line << ": " << c.expected->text;
    if (c.status != check_status::passed) out << ": " << c.observed;
    out << '\n';
  }
  if (problem.kind == run_problem::failure) out << "FAIL: " << problem.text << '\n';
  if (problem.kind == run_problem::interrupted) out << "ERROR: " << problem.text << '\n';
  // The reason of an error goes to standard error, once.
  if (problem.kind == run_problem::error) {
    out << "ERROR: no verdict, the run could not be made or recorded\n";
    return;
  }
  const verdict_counts n = count_results(results);
  out << verdict_word(results, problem) << ": " << n.passed << " of " << results.size()
      << " expectations hold";
  if (n.open) out << ", " << n.open << " open";
  out << '\n';
}

void print_late_answers(std::ostream& out, int late_answers, int answer_timeout_ms) {
  out << "late answers: " << late_answers << " (turns not answered within " << answer_timeout_ms
      << " ms)\n";
}

std::string xml_escaped(const std::string& text) {
  std::string out;
  // A CI server refuses a whole report over one byte that is not UTF-8.
  for (char c : valid_utf8(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        // XML 1.0 has no way to write most control characters at all.
        out += static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' ? '?' : c;
    }
  }
  return out;
}

void write_junit(std::ostream& out, const std::string& controller, const std::string& scenario_file,
                 const std::vector<check_result>& results, const run_problem& problem,
                 double wall_seconds, const std::string& system_out) {
  const verdict_counts n = count_results(results);
  const bool problem_case = problem.kind != run_problem::none;
  const bool problem_failure = problem.kind == run_problem::failure;
  const size_t tests = results.size() + (problem_case ? 1 : 0);
  const int failures = n.failed + (problem_failure ? 1 : 0);
  const int errors = problem_case && !problem_failure ? 1 : 0;
  std::ostringstream time;
  time << std::fixed << std::setprecision(3) << wall_seconds;
  const std::string class_name = xml_escaped(scenario_file);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<testsuites tests=\"" << tests << "\" failures=\"" << failures << "\" errors=\""
      << errors << "\" skipped=\"" << n.open << "\" time=\"" << time.str() << "\">\n"
      << "  <testsuite name=\"" << xml_escaped(controller) << "\" tests=\"" << tests
      << "\" failures=\"" << failures << "\" errors=\"" << errors << "\" skipped=\"" << n.open
      << "\" time=\"" << time.str() << "\">\n";
  for (const auto& c : results) {
    out << "    <testcase classname=\"" << class_name << "\" name=\"line " << c.expected->line
        << ": " << xml_escaped(c.expected->text) << "\" time=\"0\"";
    const std::string observed = xml_escaped(c.observed);
    switch (c.status) {
      case check_status::passed: out << "/>\n"; continue;
      case check_status::failed:
        out << ">\n      <failure message=\"" << observed << "\">" << observed << "</failure>\n";
        break;
      case check_status::open: out << ">\n      <skipped message=\"open: " << observed << "\"/>\n"; break;
    }
    out << "    </testcase>\n";
  }
  if (problem_case) {
    const char* element = problem_failure ? "failure" : "error";
    const std::string text = xml_escaped(problem.text);
    out << "    <testcase classname=\"" << class_name << "\" name=\"the run\" time=\"0\">\n"
        << "      <" << element << " message=\"" << text << "\">" << text << "</" << element
        << ">\n    </testcase>\n";
  }
  out << "    <system-out>" << xml_escaped(system_out) << "</system-out>\n"
      << "  </testsuite>\n</testsuites>\n";
}
