#include "grafcet/layout.h"

#include <algorithm>
#include <deque>
#include <set>

namespace grafcet {

namespace {

constexpr int margin = 10;
constexpr int title_height = 24;
constexpr int grafcet_gap = 30;
constexpr int min_column_width = 60;
constexpr int column_gap = 20;
constexpr int return_rise = 12;  // a return link enters its step from this high

class layout_builder {
 public:
  layout_builder(const chart& m, int cw)
      : model(m),
        char_width(cw),
        rank(m.steps.size(), -1),
        column(m.steps.size(), 0),
        bar_column(m.transitions.size(), 0),
        bar_row(m.transitions.size(), -1) {
    out.steps.resize(m.steps.size());
    out.bars.resize(m.transitions.size());
    out.action_boxes.resize(m.steps.size());
    out.action_widths.resize(m.steps.size());
    out.action_texts.resize(m.steps.size());
    for (const action& a : m.actions) {
      std::string& text = out.action_texts[a.step];
      text += (text.empty() ? "" : ", ") + a.text;
    }
  }

  chart_layout run() {
    int left = margin;
    for (size_t g = 0; g < model.grafcets.size(); ++g) {
      rank_steps(static_cast<int>(g));
      left += place(static_cast<int>(g), left) + grafcet_gap;
    }
    out.width = left - grafcet_gap + margin;
    return std::move(out);
  }

 private:
  int text_width(const std::string& text) const { return static_cast<int>(text.size()) * char_width; }

  // ------------------------------------------------ ranks and columns

  // Breadth first from the initial steps: a transition is placed once all
  // its upstream steps are, one row below the lowest of them; its
  // downstream steps go side by side from its column.
  void rank_steps(int g) {
    std::set<std::pair<int, int>> taken;  // (rank, column)
    std::deque<int> queue;
    auto put = [&](int s, int r, int c) {
      while (taken.count({r, c})) ++c;
      taken.insert({r, c});
      rank[s] = r;
      column[s] = c;
      queue.push_back(s);
    };
    const std::vector<int>& steps = model.grafcets[g].steps;
    for (int s : steps)
      if (model.steps[s].initial) put(s, 0, 0);
    for (size_t next_root = 0;;) {
      while (!queue.empty()) {
        int s = queue.front();
        queue.pop_front();
        place_transitions_from(s, put);
      }
      // Steps no transition reaches (entered by forcing only) start rows of their own.
      while (next_root < steps.size() && rank[steps[next_root]] >= 0) ++next_root;
      if (next_root == steps.size()) break;
      put(steps[next_root], 0, 0);
    }
  }

  template <typename Put>
  void place_transitions_from(int s, Put& put) {
    int branch = 0;
    for (size_t t = 0; t < model.transitions.size(); ++t) {
      const transition& tr = model.transitions[t];
      if (std::find(tr.upstream.begin(), tr.upstream.end(), s) == tr.upstream.end()) continue;
      if (bar_row[t] >= 0) continue;
      bool ready = std::all_of(tr.upstream.begin(), tr.upstream.end(), [&](int u) { return rank[u] >= 0; });
      if (!ready) continue;
      int row = 0;
      for (int u : tr.upstream) row = std::max(row, rank[u]);
      bar_row[t] = row;
      // A choice puts its transitions side by side; a synchronisation
      // stands under its first upstream step.
      bar_column[t] = tr.upstream.size() == 1 ? column[s] + branch++ : column[tr.upstream[0]];
      for (size_t i = 0; i < tr.downstream.size(); ++i)
        if (rank[tr.downstream[i]] < 0) put(tr.downstream[i], row + 1, bar_column[t] + static_cast<int>(i));
    }
  }

  // ---------------------------------------------------------- pixels

  // Places grafcet g from x = left; returns its width.
  int place(int g, int left) {
    const partial_grafcet& pg = model.grafcets[g];
    std::vector<int> transitions;
    for (size_t t = 0; t < model.transitions.size(); ++t)
      if (model.transitions[t].grafcet == g) transitions.push_back(static_cast<int>(t));

    int columns = 1, rows = 1;
    for (int s : pg.steps) columns = std::max(columns, column[s] + 1), rows = std::max(rows, rank[s] + 1);
    for (int t : transitions) columns = std::max(columns, bar_column[t] + 1);
    std::vector<int> widths(columns, min_column_width);
    for (int s : pg.steps) {
      if (!out.action_texts[s].empty()) out.action_widths[s] = text_width(out.action_texts[s]) + 8;
      widths[column[s]] = std::max(widths[column[s]], chart_layout::step_size + 10 + out.action_widths[s]);
    }
    for (int t : transitions)
      widths[bar_column[t]] = std::max(widths[bar_column[t]], chart_layout::step_size / 2 + chart_layout::bar_half_width +
                                                                  8 + text_width(model.transitions[t].text));

    int lanes = 0;
    for (int t : transitions)
      for (int d : model.transitions[t].downstream) lanes += rank[d] <= bar_row[t];
    int lanes_width = lanes * chart_layout::lane_gap;
    std::vector<int> column_x(columns);
    int x = left + lanes_width;
    for (int c = 0; c < columns; ++c) column_x[c] = x, x += widths[c] + column_gap;
    int top = margin + title_height;

    out.titles.push_back({left, margin + 14, pg.name});
    for (int s : pg.steps) {
      out.steps[s] = {column_x[column[s]], top + rank[s] * chart_layout::row_height};
      out.action_boxes[s] = {out.steps[s].x + chart_layout::step_size + 10,
                             out.steps[s].y + (chart_layout::step_size - chart_layout::action_height) / 2};
    }
    for (int t : transitions)
      out.bars[t] = {column_x[bar_column[t]] + chart_layout::step_size / 2,
                     top + bar_row[t] * chart_layout::row_height + chart_layout::bar_offset};
    int lane = 0;
    for (int t : transitions) link(t, left, lane);
    out.height = std::max(out.height, top + rows * chart_layout::row_height + margin);
    return x - column_gap - left;
  }

  int centre_x(int s) const { return out.steps[s].x + chart_layout::step_size / 2; }

  void link(int t, int left, int& lane) {
    const transition& tr = model.transitions[t];
    point bar = out.bars[t];
    int split = bar.y - chart_layout::split_gap;
    int join = bar.y + chart_layout::split_gap;
    if (tr.upstream.size() == 1) {
      int s = tr.upstream[0];
      out.links.push_back({{centre_x(s), out.steps[s].y + chart_layout::step_size}, {centre_x(s), split},
                           {bar.x, split}, {bar.x, bar.y}});
    } else {
      add_double_line(tr.upstream, bar.x, split);
      for (int s : tr.upstream)
        out.links.push_back({{centre_x(s), out.steps[s].y + chart_layout::step_size}, {centre_x(s), split}});
      out.links.push_back({{bar.x, split}, {bar.x, bar.y}});
    }
    out.links.push_back({{bar.x, bar.y}, {bar.x, join}});
    if (tr.downstream.size() > 1) add_double_line(tr.downstream, bar.x, join);
    for (int d : tr.downstream) {
      int start = tr.downstream.size() > 1 ? centre_x(d) : bar.x;
      point target{centre_x(d), out.steps[d].y};
      if (rank[d] > bar_row[t]) {
        out.links.push_back({{start, join}, {target.x, join}, target});
      } else {
        // Back up to an earlier step: along a lane on the grafcet's left.
        int lane_x = left + (lane++) * chart_layout::lane_gap;
        int above = target.y - return_rise;
        out.links.push_back({{start, join}, {lane_x, join}, {lane_x, above}, {target.x, above}, target});
        out.up_arrows.push_back({lane_x, (join + above) / 2});
      }
    }
  }

  void add_double_line(const std::vector<int>& steps, int bar_x, int y) {
    int x1 = bar_x, x2 = bar_x;
    for (int s : steps) x1 = std::min(x1, centre_x(s)), x2 = std::max(x2, centre_x(s));
    out.parallels.push_back({x1 - 6, x2 + 6, y});
  }

  const chart& model;
  int char_width;
  std::vector<int> rank, column;        // by step
  std::vector<int> bar_column, bar_row;  // by transition
  chart_layout out;
};

}  // namespace

chart_layout lay_out(const chart& model, int char_width) { return layout_builder(model, char_width).run(); }

}  // namespace grafcet
