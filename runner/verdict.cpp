#include "runner/verdict.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace {

std::string when(int turn, micros time) {
  return "turn " + std::to_string(turn) + " (" + format_seconds(time) + " s)";
}

std::string not_reached(const run_record& r) {
  return "not reached: the run ended at " + when(r.last_turn, r.last_time);
}

}  // namespace

std::vector<check_result> judge(const scenario& s, const run_record& r) {
  std::vector<check_result> results;
  for (size_t i = 0; i < s.expectations.size(); ++i) {
    const expectation& e = s.expectations[i];
    const reached_turn* reached = i < r.reached.size() && r.reached[i] ? &*r.reached[i] : nullptr;
    check_result c{&e, false, ""};
    switch (e.kind) {
      case expectation::message_never: {
        auto first = std::find_if(r.messages.begin(), r.messages.end(),
                                  [&](const logged_message& m) { return m.text == e.message; });
        c.passed = first == r.messages.end();
        if (!c.passed) {
          long n = std::count_if(r.messages.begin(), r.messages.end(),
                                 [&](const logged_message& m) { return m.text == e.message; });
          c.observed =
              (n == 1 ? std::string("observed once") : "observed " + std::to_string(n) + " times") +
              ", first in turn " + std::to_string(first->turn);
        }
        break;
      }
      case expectation::message_count: {
        if (!reached) {
          c.observed = not_reached(r);
          break;
        }
        int n = 0;
        int extra_turn = -1;
        for (const auto& m : r.messages) {
          if (m.turn > reached->turn || m.text != e.message) continue;
          if (++n == e.count + 1) extra_turn = m.turn;
        }
        c.passed = n == e.count;
        if (!c.passed) {
          c.observed =
              "observed " + std::to_string(n) + " by " + when(reached->turn, reached->time);
          if (extra_turn >= 0) c.observed += ", one too many in turn " + std::to_string(extra_turn);
        }
        break;
      }
      case expectation::signal_value:
        if (!reached) {
          c.observed = not_reached(r);
          break;
        }
        c.passed = reached->value == e.value;
        if (!c.passed)
          c.observed = "observed " + std::to_string(reached->value) + " in " +
                       when(reached->turn, reached->time);
        break;
    }
    results.push_back(c);
  }
  return results;
}

bool all_passed(const std::vector<check_result>& results) {
  return std::all_of(results.begin(), results.end(),
                     [](const check_result& c) { return c.passed; });
}

void print_verdict(std::ostream& out, const std::vector<check_result>& results) {
  int failed = 0;
  for (const auto& c : results) {
    out << (c.passed ? "PASS" : "FAIL") << " line " << c.expected->line << ": " << c.expected->text;
    if (!c.passed) {
      out << ": " << c.observed;
      ++failed;
    }
    out << '\n';
  }
  out << (failed ? "FAILED" : "PASSED") << ": " << results.size() - failed << " of "
      << results.size() << " expectations hold\n";
}

void print_late_answers(std::ostream& out, int late_answers, int answer_timeout_ms) {
  out << "late answers: " << late_answers << " (turns not answered within " << answer_timeout_ms
      << " ms)\n";
}

std::string xml_escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
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
                 const std::vector<check_result>& results, double wall_seconds,
                 const std::string& system_out) {
  long failed = std::count_if(results.begin(), results.end(),
                              [](const check_result& c) { return !c.passed; });
  std::ostringstream time;
  time << std::fixed << std::setprecision(3) << wall_seconds;
  std::string suite = xml_escaped(controller);
  std::string class_name = xml_escaped(scenario_file);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<testsuites tests=\"" << results.size() << "\" failures=\"" << failed << "\" time=\""
      << time.str() << "\">\n"
      << "  <testsuite name=\"" << suite << "\" tests=\"" << results.size() << "\" failures=\""
      << failed << "\" errors=\"0\" skipped=\"0\" time=\"" << time.str() << "\">\n";
  for (const auto& c : results) {
    out << "    <testcase classname=\"" << class_name << "\" name=\"line " << c.expected->line
        << ": " << xml_escaped(c.expected->text) << "\" time=\"0\"";
    if (c.passed) {
      out << "/>\n";
      continue;
    }
    out << ">\n      <failure message=\"" << xml_escaped(c.observed) << "\">"
        << xml_escaped(c.observed) << "</failure>\n    </testcase>\n";
  }
  out << "    <system-out>" << xml_escaped(system_out) << "</system-out>\n"
      << "  </testsuite>\n</testsuites>\n";
}
