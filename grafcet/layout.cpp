#include "grafcet/layout.h"

#include <algorithm>
#include <deque>
#include <set>

namespace grafcet {

namespace {

constexpr int margin = 10;
constexpr int title_height = 30;
constexpr int grafcet_gap = 30;
constexpr int min_column_width = 60;
constexpr int column_gap = 20;
constexpr int return_rise = 12;  // a return link enters its step from this high

class layout_builder {
 public:
  layout_builder(const chart& m, int cw, int mw)
      : model(m),
        char_width(cw),
        max_width(mw),
        rank(m.steps.size(), -1),
        column(m.steps.size(), 0),
        bar_column(m.transitions.size(), 0),
        bar_row(m.transitions.size(), -1) {
    out.steps.resize(m.steps.size());
    out.bars.resize(m.transitions.size());
    out.actions.resize(m.steps.size());
    for (const action& a : m.actions) {
      action_box& box = out.actions[a.step];
      box.lines.push_back(a.text);
      box.width = std::max(box.width, text_width(a.text) + 8);
      box.height = static_cast<int>(box.lines.size()) * chart_layout::action_line + 6;
    }
  }

  chart_layout run() {
    int left = margin, top = margin;
    for (size_t g = 0; g < model.grafcets.size(); ++g) {
      rank_steps(static_cast<int>(g));
      // Placed once to learn its size, again if it has to go to a new band.
      chart_layout before = out;
      int width = place(static_cast<int>(g), left, top);
      if (left > margin && left + width > max_width) {
        out = std::move(before);
        left = margin;
        top = out.height;
        width = place(static_cast<int>(g), left, top);
      }
      out.width = std::max(out.width, left + width + margin);
      left += width + grafcet_gap;
    }
    return std::move(out);
  }

 private:
  int text_width(const std::string& text) const { return static_cast<int>(text.size()) * char_width; }

  // ------------------------------------------------ ranks and columns

  // Breadth first from each initial step in turn: a transition is placed
  // once all its upstream steps are, one row below the lowest of them; its
  // downstream steps go side by side from its column. Each initial step
  // not yet reached starts a sequence right of everything placed so far,
  // and so do steps entered by forcing only.
  void rank_steps(int g) {
    std::set<std::pair<int, int>> taken;  // (rank, column)
    std::deque<int> queue;
    int next_column = 0;
    auto put = [&](int s, int r, int c) {
      while (taken.count({r, c})) ++c;
      taken.insert({r, c});
      rank[s] = r;
      column[s] = c;
      next_column = std::max(next_column, c + 1);
      queue.push_back(s);
    };
    std::vector<int> roots;
    for (int s : model.grafcets[g].steps)
      if (model.steps[s].initial) roots.push_back(s);
    for (int s : model.grafcets[g].steps)
      if (!model.steps[s].initial) roots.push_back(s);
    for (int root : roots) {
      if (rank[root] >= 0) continue;
      put(root, 0, next_column);
      while (!queue.empty()) {
        int s = queue.front();
        queue.pop_front();
        place_transitions_from(s, put, next_column);
      }
    }
  }

  template <typename Put>
  void place_transitions_from(int s, Put& put, int& next_column) {
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
      next_column = std::max(next_column, bar_column[t] + 1);
      for (size_t i = 0; i < tr.downstream.size(); ++i)
        if (rank[tr.downstream[i]] < 0) put(tr.downstream[i], row + 1, bar_column[t] + static_cast<int>(i));
    }
  }

  // ---------------------------------------------------------- pixels

  // Places grafcet g from (left, band_top); returns its width.
  int place(int g, int left, int band_top) {
    const partial_grafcet& pg = model.grafcets[g];
    std::vector<int> transitions;
    for (size_t t = 0; t < model.transitions.size(); ++t)
      if (model.transitions[t].grafcet == g) transitions.push_back(static_cast<int>(t));

    int columns = 1, rows = 1;
    for (int s : pg.steps) columns = std::max(columns, column[s] + 1), rows = std::max(rows, rank[s] + 1);
    for (int t : transitions) columns = std::max(columns, bar_column[t] + 1);
    std::vector<int> widths(columns, min_column_width);
    for (int s : pg.steps)
      widths[column[s]] = std::max(widths[column[s]], chart_layout::step_size + 10 + out.actions[s].width);
    for (int t : transitions)
      widths[bar_column[t]] = std::max(widths[bar_column[t]], chart_layout::step_size / 2 + chart_layout::bar_half_width +
                                                                  8 + text_width(model.transitions[t].text));

    // Return links climb along lanes just left of the leftmost column they
    // join, so that they stay close to the steps they link.
    std::vector<int> lanes(columns, 0);
    for (int t : transitions)
      for (int d : model.transitions[t].downstream)
        if (rank[d] <= bar_row[t]) ++lanes[lane_column(t, d)];
    std::vector<int> column_x(columns);
    int x = left;
    for (int c = 0; c < columns; ++c) {
      x += lanes[c] * chart_layout::lane_gap;
      column_x[c] = x;
      x += widths[c] + column_gap;
    }

    // A row is as high as its tallest action box needs.
    std::vector<int> bar_offset(rows, chart_layout::bar_offset), row_y(rows);
    for (int s : pg.steps)
      bar_offset[rank[s]] = std::max(bar_offset[rank[s]], action_top(s) + out.actions[s].height + 24);
    row_y[0] = band_top + title_height;
    for (int r = 1; r < rows; ++r)
      row_y[r] = row_y[r - 1] + std::max(chart_layout::row_height, bar_offset[r - 1] + chart_layout::step_size);

    out.titles.push_back({left, band_top + 14, pg.name});
    for (int s : pg.steps) {
      out.steps[s] = {column_x[column[s]], row_y[rank[s]]};
      out.actions[s].corner = {out.steps[s].x + chart_layout::step_size + 10, out.steps[s].y + action_top(s)};
    }
    for (int t : transitions)
      out.bars[t] = {column_x[bar_column[t]] + chart_layout::step_size / 2, row_y[bar_row[t]] + bar_offset[bar_row[t]]};
    std::vector<int> used(columns, 0);
    for (int t : transitions) link(t, column_x, used);
    out.height = std::max(out.height, row_y[rows - 1] + std::max(chart_layout::row_height, bar_offset[rows - 1] + chart_layout::step_size) + margin);
    return x - column_gap - left;
  }

  int lane_column(int t, int d) const { return std::min(bar_column[t], column[d]); }

  // A box of one line is centred on its step; a taller one hangs from its top.
  int action_top(int s) const { return std::max(0, (chart_layout::step_size - out.actions[s].height) / 2); }

  int centre_x(int s) const { return out.steps[s].x + chart_layout::step_size / 2; }

  void link(int t, const std::vector<int>& column_x, std::vector<int>& used) {
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
        // Back up to an earlier step, along a lane of its own.
        int c = lane_column(t, d);
        int lane_x = column_x[c] - (++used[c]) * chart_layout::lane_gap + chart_layout::lane_gap / 2;
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
  int max_width;
  std::vector<int> rank, column;        // by step
  std::vector<int> bar_column, bar_row;  // by transition
  chart_layout out;
};

}  // namespace

chart_layout lay_out(const chart& model, int char_width, int max_width) {
  return layout_builder(model, char_width, max_width).run();
}

}  // namespace grafcet
