#include "report/html.h"

#include "report/base64.h"
#include "report/diagram.h"
#include "report/json.h"
#include "report/page.h"

#include <cstdio>
#include <fstream>

namespace report {

namespace {

const char* const page_style = R"js(
table.facts th{color:#555;font-weight:normal;width:150px}
table.statements{width:100%}table.statements tr{border-bottom:1px solid #eee}
table.statements td.observed{color:#444}table.statements .example{color:#666;font-size:12px}
p.hint{color:#777;font-size:12px;margin:4px 0}
.pictures{display:flex;flex-wrap:wrap;gap:16px}.pictures figure{margin:0;flex:1 1 40%;max-width:700px}
.pictures img{max-width:100%;border:1px solid #ccc;display:block}
.problem{font-weight:600}
)js";

std::string fixed(double v, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::string values_text(const statement& s) {
  std::string text;
  for (const auto& [name, value] : s.values) text += (text.empty() ? "" : " ") + name + "=" + std::to_string(value);
  return text;
}

std::string counter_example_text(const statement& s) {
  std::string text;
  if (s.turn >= 0) text = "turn " + std::to_string(s.turn) + ", " + seconds_text(s.time) + " s";
  const std::string values = values_text(s);
  if (!values.empty()) text += (text.empty() ? "" : ", ") + values;
  if (s.trigger_turn >= 0)
    text += (text.empty() ? "" : "; ") + std::string("triggered in turn ") + std::to_string(s.trigger_turn) +
            " (" + seconds_text(s.trigger_time) + " s), deadline " + seconds_text(s.deadline) + " s";
  return text;
}

std::string summary_line(const run_report& r) {
  const counts n = count_statements(r.statements);
  std::string text = std::to_string(n.passed) + " of " + std::to_string(r.statements.size()) +
                     " statements hold";
  if (n.failed) text += ", " + std::to_string(n.failed) + " failed";
  if (n.open) text += ", " + std::to_string(n.open) + " open";
  return text;
}

class page_writer {
 public:
  page_writer(std::ostream& out, const std::string& folder) : out(out), folder(folder) {}

  void write(const run_report& r) {
    page_start(out, r.verdict + ": " + r.controller + " (corvan-run)", (std::string(page_style) + diagram_style).c_str());
    out << "<header class=\"verdict " << html_escaped(r.verdict) << "\"><h1>" << html_escaped(r.verdict)
        << "</h1><p>" << html_escaped(summary_line(r)) << "</p></header>\n";
    facts(r);
    if (r.explored.empty()) {
      run_sections(r, "run");
    } else {
      statements(r, "");
      explored_section(r.explored[0]);
    }
    page_end(out, (std::string(diagram_script) + sort_script).c_str());
  }

 private:
  void fact(const char* name, const std::string& html) {
    out << "<tr><th>" << name << "</th><td>" << html << "</td></tr>\n";
  }

  void facts(const run_report& r) {
    out << "<section id=\"the-run\"><h2>The run</h2><table class=\"facts\">\n";
    fact("Controller", "<code>" + html_escaped(r.controller) + "</code>");
    fact("Scenario", "<code>" + html_escaped(r.scenario_file) + "</code>");
    if (!r.explored.empty()) {
      const exploration& e = r.explored[0];
      fact("Seed", std::to_string(e.seed));
      fact("Runs", std::to_string(e.runs_made) + " made of " + std::to_string(e.runs) +
                       (e.runs_made < e.runs ? " (the exploration stops at the first failure)" : ""));
    }
    fact("Verdict", "<b>" + html_escaped(r.verdict) + "</b>: " + html_escaped(summary_line(r)));
    const counts n = count_statements(r.statements);
    fact("Statements", "<span class=\"pass\">" + std::to_string(n.passed) + " passed</span>, <span class=\"fail\">" +
                           std::to_string(n.failed) + " failed</span>, <span class=\"open\">" +
                           std::to_string(n.open) + " open</span>");
    if (!r.problem.empty()) fact("The run itself", "<span class=\"problem\">" + html_escaped(r.problem) + "</span>");
    if (r.explored.empty())
      fact("Simulated time", seconds_text(r.simulated) + " s (" + std::to_string(r.turns) + " turns of 5 ms" +
                                 (r.lockstep ? ", lock-step" : ", real time") + ")");
    fact("Wall time", fixed(r.wall_seconds, 2) + " s");
    if (r.lockstep && r.explored.empty()) fact("Late answers", std::to_string(r.late_answers));
    fact("Date", html_escaped(r.date));
    if (!r.files.empty()) {
      std::string links;
      for (const auto& [what, path] : r.files) {
        const std::string href = path_from(folder, path);
        links += (links.empty() ? "" : ", ") + html_escaped(what) + ": <a href=\"" + html_escaped(href) + "\">" +
                 html_escaped(path) + "</a>";
      }
      fact("Files", links);
    }
    out << "</table></section>\n";
  }

  void run_sections(const run_report& r, const std::string& id) {
    const bool drawn = r.diagram.turns > 0;
    statements(r, drawn ? id : "");
    if (drawn) {
      out << "<section class=\"diagram\"><h2>Timing diagram</h2><p class=\"hint\">Wheel: zoom; drag: pan; "
             "double click: the whole run. Click a failed statement to see its place.</p>\n";
      write_diagram(out, r, id);
      out << "</section>\n";
    }
    pictures(r);
  }

  // With a diagram id, the failed statements' rows lead to their markers.
  void statements(const run_report& r, const std::string& id) {
    out << "<section class=\"statements\"><h2>Statements</h2><table class=\"statements\">\n"
           "<thead><tr><th>Status</th><th>Line</th><th>Statement</th><th>Observed</th></tr></thead><tbody>\n";
    for (size_t i = 0; i < r.statements.size(); ++i) {
      const statement& s = r.statements[i];
      const char* word = status_word(s.result);
      out << "<tr class=\"" << word << "\"";
      if (!id.empty() && s.result == status::failed) out << " data-marker=\"" << marker_id(id, i) << "\"";
      out << "><td><span class=\"badge " << word << "\">" << word << "</span></td><td>" << s.line
          << "</td><td><code>" << html_escaped(s.text) << "</code></td><td class=\"observed\">"
          << html_escaped(s.observed);
      const std::string example = counter_example_text(s);
      if (s.result != status::passed && !example.empty())
        out << "<div class=\"example\">counter-example: " << html_escaped(example) << "</div>";
      out << "</td></tr>\n";
    }
    if (!id.empty() && r.verdict == "FAILED" && !r.problem.empty())
      out << "<tr class=\"fail\" data-marker=\"" << run_marker_id(id)
          << "\"><td><span class=\"badge fail\">fail</span></td><td></td><td>the run</td><td class=\"observed\">"
          << html_escaped(r.problem) << "</td></tr>\n";
    out << "</tbody></table></section>\n";
  }

  void pictures(const run_report& r) {
    if (r.pictures.empty()) return;
    out << "<section><h2>The line's window</h2><div class=\"pictures\">\n";
    for (const picture& p : r.pictures)
      out << "<figure><img alt=\"" << html_escaped(p.caption) << "\" src=\"data:image/png;base64,"
          << base64_encoded(p.png) << "\"><figcaption>" << html_escaped(p.caption) << "</figcaption></figure>\n";
    out << "</div></section>\n";
  }

  void explored_section(const exploration& e) {
    out << "<section id=\"exploration\"><h2>Minimal scenario</h2>\n";
    if (e.minimal_text.empty()) {
      out << "<p>No run failed.</p></section>\n";
      return;
    }
    out << "<p>Shrunk from the first failing run, written to <code>" << html_escaped(e.minimal_file)
        << "</code>; " << html_escaped(e.confirmation) << "</p>\n<pre>" << html_escaped(e.minimal_text)
        << "</pre>\n";
    if (!e.minimal_run.empty()) {
      const run_report& m = e.minimal_run[0];
      out << "<h2>Its run: " << html_escaped(m.verdict) << "</h2><p>" << html_escaped(summary_line(m))
          << (m.problem.empty() ? "" : "; " + html_escaped(m.problem)) << "</p>\n";
      run_sections(m, "minimal");
    }
    out << "</section>\n";
  }

  std::ostream& out;
  const std::string& folder;
};

}  // namespace

void write_html(std::ostream& out, const run_report& r, const std::string& folder) {
  page_writer(out, folder).write(r);
}

std::string write_html_file(const std::string& path, const run_report& r) {
  std::ofstream out(path);
  write_html(out, r, folder_of(path));
  out.close();
  return out ? "" : "cannot write " + path;
}

}  // namespace report
