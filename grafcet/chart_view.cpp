#include "grafcet/chart_view.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Scroll.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cstdlib>

namespace grafcet {

namespace {

constexpr int text_size = 12;
constexpr int number_size = 14;
constexpr int token_radius = 5;
constexpr double refresh_s = 0.05;
constexpr int max_window_width = 1200;
constexpr int max_window_height = 900;
const Fl_Color active_fill = fl_rgb_color(200, 240, 200);

}  // namespace

chart_view::chart_view(int x, int y, const chart& m)
    : Fl_Widget(x, y, 0, 0), model(m), places(lay_out(m)), flashed(m.transitions.size()) {
  size(places.width, places.height);
  shown.situation.resize(m.steps.size());
  shown.fired_at.resize(m.transitions.size());
}

bool chart_view::flashing(int t) const {
  if (shown.fired_at[t] == clock_point{}) return false;
  return shown_at - shown.fired_at[t] < std::chrono::milliseconds(flash_ms);
}

void chart_view::show(const chart_snapshot& s, clock_point now) {
  bool changed = s.situation != shown.situation;
  shown = s;
  shown_at = now;
  for (size_t t = 0; t < flashed.size(); ++t) {
    char f = flashing(static_cast<int>(t));
    changed = changed || flashed[t] != f;
    flashed[t] = f;
  }
  if (changed) redraw();
}

void chart_view::draw() {
  fl_push_clip(x(), y(), w(), h());
  fl_color(FL_WHITE);
  fl_rectf(x(), y(), w(), h());
  fl_color(FL_BLACK);
  fl_font(FL_HELVETICA_BOLD, text_size);
  for (const caption& l : places.titles) fl_draw(l.text.c_str(), x() + l.x, y() + l.y);
  draw_links();
  for (size_t t = 0; t < model.transitions.size(); ++t) draw_transition(static_cast<int>(t));
  for (size_t s = 0; s < model.steps.size(); ++s) draw_step(static_cast<int>(s));
  fl_pop_clip();
}

void chart_view::draw_links() const {
  fl_color(FL_BLACK);
  fl_line_style(FL_SOLID, 1);
  for (const auto& path : places.links) {
    fl_begin_line();
    for (const point& p : path) fl_vertex(x() + p.x, y() + p.y);
    fl_end_line();
  }
  for (const point& a : places.up_arrows)
    fl_polygon(x() + a.x, y() + a.y - 5, x() + a.x - 4, y() + a.y + 3, x() + a.x + 4, y() + a.y + 3);
  for (const double_line& d : places.parallels) {
    fl_xyline(x() + d.x1, y() + d.y - 2, x() + d.x2);
    fl_xyline(x() + d.x1, y() + d.y + 1, x() + d.x2);
  }
}

void chart_view::draw_step(int s) const {
  const point& p = places.steps[s];
  int sx = x() + p.x, sy = y() + p.y, size = chart_layout::step_size;
  bool active = shown.situation[s] != 0;
  fl_color(active ? active_fill : FL_WHITE);
  fl_rectf(sx, sy, size, size);
  fl_color(FL_BLACK);
  fl_rect(sx, sy, size, size);
  if (model.steps[s].initial) fl_rect(sx + 3, sy + 3, size - 6, size - 6);
  fl_font(FL_HELVETICA_BOLD, number_size);
  fl_draw(std::to_string(model.steps[s].number).c_str(), sx, sy + 1, size, size / 2, FL_ALIGN_CENTER);
  if (active) {
    fl_color(token_colour);
    fl_pie(sx + size / 2 - token_radius, sy + size - 8 - 2 * token_radius, 2 * token_radius, 2 * token_radius, 0, 360);
  }
  const action_box& box = places.actions[s];
  if (box.lines.empty()) return;
  int bx = x() + box.corner.x, by = y() + box.corner.y;
  fl_color(FL_BLACK);
  fl_xyline(sx + size, sy + size / 2, bx);
  fl_color(active ? active_fill : FL_WHITE);
  fl_rectf(bx, by, box.width, box.height);
  fl_color(FL_BLACK);
  fl_rect(bx, by, box.width, box.height);
  fl_font(FL_HELVETICA, text_size);
  for (size_t i = 0; i < box.lines.size(); ++i)
    fl_draw(box.lines[i].c_str(), bx + 4, by + static_cast<int>(i + 1) * chart_layout::action_line);
}

void chart_view::draw_transition(int t) const {
  const point& b = places.bars[t];
  int bx = x() + b.x, by = y() + b.y;
  bool fired = flashing(t);
  fl_color(fired ? fired_colour : FL_BLACK);
  fl_rectf(bx - chart_layout::bar_half_width, by - (fired ? 3 : 2), 2 * chart_layout::bar_half_width, fired ? 6 : 4);
  fl_color(FL_BLACK);
  fl_font(FL_HELVETICA, text_size);
  fl_draw(model.transitions[t].text.c_str(), bx + chart_layout::bar_half_width + 6, by + 4);
}

// ---------------------------------------------------------------- window

chart_window::chart_window(const chart& model, const snapshot_box& b, const std::string& t) : box(b), title(t) {
  Fl_Group::current(nullptr);
  view = new chart_view(0, 0, model);  // owned by the scroll once added
  int w = std::min(view->w(), max_window_width), h = std::min(view->h(), max_window_height);
  window = std::make_unique<Fl_Double_Window>(w, h, title.c_str());
  auto* scroll = new Fl_Scroll(0, 0, w, h);
  scroll->color(FL_WHITE);
  scroll->add(view);
  scroll->end();
  window->resizable(scroll);
  window->end();
}

chart_window::~chart_window() { Fl::remove_timeout(tick, this); }

bool chart_window::display_reachable() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return false;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  XCloseDisplay(d);
  return true;
}

void chart_window::run() {
  window->show();
  Fl::add_timeout(refresh_s, tick, this);
  while (window->shown()) Fl::wait();
  Fl::remove_timeout(tick, this);
  // The window's removal is still in the output buffer; nothing else will
  // send it while the exchange goes on.
  Fl::flush();
}

void chart_window::tick(void* self) {
  auto* w = static_cast<chart_window*>(self);
  chart_snapshot s = w->box.copy();
  if (s.ended) {
    w->window->hide();
    return;
  }
  w->view->show(s, std::chrono::steady_clock::now());
  Fl::repeat_timeout(refresh_s, tick, self);
}

}  // namespace grafcet
