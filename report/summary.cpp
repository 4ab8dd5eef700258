#include "report/summary.h"

#include "report/diagram.h"
#include "report/json.h"
#include "report/page.h"

#include <algorithm>
#include <map>

namespace report {

namespace {

const char* const summary_style = R"js(
table.summary td,table.summary th{border:1px solid #ddd;text-align:center}
table.summary td.controller{text-align:left}table.summary tfoot td{font-weight:600;background:#f6f6f6}
table.summary td.pass{background:#e5f3e8}table.summary td.fail{background:#fbe3e6}table.summary td.open{background:#fdf3d8}
table.summary a{color:inherit}table.worst td{padding:2px 10px}
)js";

// A statement of the class's scenario: its text names it across runs.
struct column {
  int line = 0;
  std::string text;
  counts totals;
};

// For sorting: failures first.
int status_rank(status s) { return s == status::failed ? 0 : s == status::open ? 1 : 2; }

class summary_writer {
 public:
  summary_writer(std::ostream& out, const std::vector<summary_entry>& entries, const std::string& folder)
      : out(out), entries(entries), folder(folder) {
    for (const summary_entry& e : entries)
      for (const statement& s : e.run.statements) {
        auto [it, fresh] = index.emplace(s.text, columns.size());
        if (fresh) columns.push_back({s.line, s.text, {}});
        counts& n = columns[it->second].totals;
        (s.result == status::passed ? n.passed : s.result == status::failed ? n.failed : n.open)++;
      }
  }

  void write() {
    page_start(out, "corvan-run: class summary", summary_style);
    int passed = 0;
    for (const summary_entry& e : entries) passed += e.error.empty() && e.run.verdict == "PASSED";
    out << "<h1>Class summary</h1>\n<p>" << entries.size() << " controllers, " << passed
        << " passed every statement. Click a column's head to sort; a cell leads to that run's report.</p>\n";
    table();
    worst_statements();
    page_end(out, sort_script);
  }

 private:
  void table() {
    out << "<table class=\"summary sortable\"><thead><tr><th>Controller</th><th>Verdict</th>"
           "<th>Passed</th><th>Failed</th><th>Open</th>";
    for (const column& c : columns)
      out << "<th title=\"" << html_escaped(c.text) << "\">line " << c.line << "</th>";
    out << "</tr></thead>\n<tbody>\n";
    for (const summary_entry& e : entries) row(e);
    out << "</tbody>\n<tfoot><tr><td class=\"controller\">failed by</td><td></td><td></td><td></td><td></td>";
    for (const column& c : columns)
      out << "<td title=\"" << c.totals.passed << " passed, " << c.totals.failed << " failed, " << c.totals.open
          << " open\">" << c.totals.failed << "</td>";
    out << "</tr></tfoot></table>\n";
  }

  std::string report_link(const summary_entry& e) const {
    for (const auto& [what, path] : e.run.files)
      if (what == "report") return path_from(folder, path);
    return "";
  }

  void row(const summary_entry& e) {
    const std::string link = report_link(e);
    const std::string name = e.error.empty() ? e.run.controller : e.json_file;
    out << "<tr><td class=\"controller\" data-sort=\"" << html_escaped(name) << "\">";
    if (link.empty())
      out << "<code>" << html_escaped(name) << "</code>";
    else
      out << "<a href=\"" << html_escaped(link) << "\"><code>" << html_escaped(name) << "</code></a>";
    if (!e.error.empty()) {
      out << "</td><td class=\"fail\" title=\"" << html_escaped(e.error) << "\">UNREADABLE</td><td></td><td></td><td></td>";
      for (size_t i = 0; i < columns.size(); ++i) out << "<td data-sort=\"3\"></td>";
      out << "</tr>\n";
      return;
    }
    const counts n = count_statements(e.run.statements);
    out << "</td><td class=\"" << (e.run.verdict == "PASSED" ? "pass" : "fail") << "\">" << html_escaped(e.run.verdict)
        << "</td><td>" << n.passed << "</td><td>" << n.failed << "</td><td>" << n.open << "</td>";
    for (const column& c : columns) cell(e, c, link);
    out << "</tr>\n";
  }

  void cell(const summary_entry& e, const column& c, const std::string& link) {
    const auto& all = e.run.statements;
    const auto found = std::find_if(all.begin(), all.end(), [&](const statement& s) { return s.text == c.text; });
    if (found == all.end()) {
      out << "<td data-sort=\"3\">&mdash;</td>";
      return;
    }
    const char* word = status_word(found->result);
    out << "<td class=\"" << word << "\" data-sort=\"" << status_rank(found->result) << "\" title=\""
        << html_escaped(found->observed) << "\">";
    if (link.empty()) {
      out << word;
    } else {
      std::string href = link;
      if (found->result == status::failed && e.run.explored.empty())
        href += "#" + marker_id("run", size_t(found - all.begin()));
      out << "<a href=\"" << html_escaped(href) << "\">" << word << "</a>";
    }
    out << "</td>";
  }

  // Which statement most controllers break.
  void worst_statements() {
    std::vector<const column*> order;
    for (const column& c : columns) order.push_back(&c);
    std::stable_sort(order.begin(), order.end(),
                     [](const column* a, const column* b) { return a->totals.failed > b->totals.failed; });
    out << "<h2>Statements, the most often failed first</h2>\n<table class=\"worst sortable\"><thead><tr>"
           "<th>Line</th><th>Statement</th><th>Failed</th><th>Passed</th><th>Open</th></tr></thead><tbody>\n";
    for (const column* c : order)
      out << "<tr><td>" << c->line << "</td><td><code>" << html_escaped(c->text) << "</code></td><td class=\"fail\">"
          << c->totals.failed << "</td><td>" << c->totals.passed << "</td><td>" << c->totals.open << "</td></tr>\n";
    out << "</tbody></table>\n";
  }

  std::ostream& out;
  const std::vector<summary_entry>& entries;
  const std::string& folder;
  std::vector<column> columns;
  std::map<std::string, size_t> index;
};

}  // namespace

void write_summary(std::ostream& out, const std::vector<summary_entry>& entries, const std::string& folder) {
  summary_writer(out, entries, folder).write();
}

}  // namespace report
