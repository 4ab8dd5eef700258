#include "forms/vision_sheet.h"

#include "forms/draw.h"

#include <FL/fl_draw.H>

#include <algorithm>
#include <cmath>

// Pushes the sheet's rectangle for the lifetime of one drawing operation.
class OFL_vision_sheet::clip {
 public:
  explicit clip(const OFL_vision_sheet& s)
      : active_(s.x_min < s.x_max && s.y_min < s.y_max) {
    if (active_) fl_push_clip(s.x_min, s.y_min, s.x_max - s.x_min, s.y_max - s.y_min);
  }
  ~clip() {
    if (active_) fl_pop_clip();
  }
  clip(const clip&) = delete;
  clip& operator=(const clip&) = delete;

 private:
  bool active_;
};

void OFL_vision_sheet::define(int x, int y, int w, int h, int c) {
  resize(x, y, w, h);
  colour = c;
}

void OFL_vision_sheet::resize(int x, int y, int w, int h) {
  x_min = x;
  y_min = y;
  x_max = x + w;
  y_max = y + h;
}

void OFL_vision_sheet::ofl_line(int x1, int y1, int x2, int y2, Fl_Color c) {
  clip on(*this);
  ::fl_line(x1, y1, x2, y2, c);
}

void OFL_vision_sheet::ofl_dash_line(int x1, int y1, int x2, int y2, Fl_Color c) {
  clip on(*this);
  fl_line_style(FL_DASH, 0);
  ::fl_line(x1, y1, x2, y2, c);
  fl_line_style(FL_SOLID);
}

void OFL_vision_sheet::ofl_break_line(int x1, int y1, int x2, int y2, Fl_Color c) {
  clip on(*this);
  int mx = (x2 + 3 * x1 + 2 * (y1 - y2)) / 4;
  int my = (y2 + 3 * y1 + 2 * (x2 - x1)) / 4;
  int rx = (x1 + 3 * x2 + 2 * (y2 - y1)) / 4;
  int ry = (y1 + 3 * y2 + 2 * (x1 - x2)) / 4;
  fl_color(c);
  fl_begin_line();
  fl_vertex(x1, y1);
  fl_vertex(mx, my);
  fl_vertex(rx, ry);
  fl_vertex(x2, y2);
  fl_end_line();
}

void OFL_vision_sheet::ofl_rect(int x, int y, int w, int h, Fl_Color c) {
  clip on(*this);
  fl_rect(x, y, w, h, c);
}

void OFL_vision_sheet::ofl_rectf(int x, int y, int w, int h, Fl_Color c) {
  clip on(*this);
  fl_rectf(x, y, w, h, c);
}

void OFL_vision_sheet::ofl_circ(int x, int y, int d, Fl_Color c) {
  clip on(*this);
  fl_color(c);
  fl_arc(x, y, d, d, 0.0, 360.0);
}

void OFL_vision_sheet::ofl_circf(int x, int y, int d, Fl_Color c) {
  clip on(*this);
  ::fl_circf(x, y, d, static_cast<unsigned int>(c));
}

void OFL_vision_sheet::ofl_rectbound(int x, int y, int w, int h, Fl_Color c) {
  clip on(*this);
  ::fl_rectbound(x, y, w, h, static_cast<int>(c));
}

void OFL_vision_sheet::ofl_circbound(int x, int y, int d, Fl_Color c) {
  clip on(*this);
  ::fl_circf(x, y, d, static_cast<unsigned int>(c));
  fl_color(FL_BLACK);
  fl_arc(x, y, d, d, 0.0, 360.0);
}

void OFL_vision_sheet::ofl_arrowbound(int x1, int y1, int x2, int y2, Fl_Color c) {
  clip on(*this);
  double dx = x2 - x1;
  double dy = y2 - y1;
  int r = static_cast<int>(2 * std::sqrt(dx * dx + dy * dy));
  double a = std::atan2(dy, dx) * 180.0 / M_PI;
  fl_color(c);
  fl_pie(x2, y2, r, r, 160.0 - a, 200.0 - a);
  fl_color(FL_BLACK);
}

void OFL_vision_sheet::ofl_drw_arrow_line(int x1, int y1, int x2, int y2, int length,
                                          double angle, Fl_Color c) {
  auto along = [length](double f) { return static_cast<int>(length * f); };
  int wx1, wy1, wx2, wy2;
  if (x1 == x2) {
    int u = along(std::sin(angle));
    int v = along(std::cos(angle));
    wx1 = x2 - u;
    wx2 = x2 + u;
    wy1 = wy2 = y1 < y2 ? y2 - v : y2 + v;
  } else if (y1 == y2) {
    int u = along(std::cos(angle));
    int v = along(std::sin(angle));
    wx1 = wx2 = x1 < x2 ? x2 - u : x2 + u;
    wy1 = y2 - v;
    wy2 = y2 + v;
  } else {
    double alpha = std::atan(static_cast<double>(y2 - y1) / (x2 - x1));
    int side = x1 < x2 ? -1 : 1;
    wx1 = x2 + side * along(std::cos(alpha - angle));
    wy1 = y2 + side * along(std::sin(alpha - angle));
    wx2 = x2 + side * along(std::cos(alpha + angle));
    wy2 = y2 + side * along(std::sin(alpha + angle));
  }
  clip on(*this);
  fl_color(c);
  fl_line(wx1, wy1, x2, y2);
  fl_line(wx2, wy2, x2, y2);
  fl_line(x1, y1, x2, y2);
}

void OFL_vision_sheet::ofl_drw_text(Fl_Align align, int x, int y, int w, int h, Fl_Color c,
                                    int size, int font, const char* text) {
  clip on(*this);
  fl_font(font, size);
  fl_color(c);
  fl_draw(text, x, y, w, h, align, nullptr, 1);
}

void OFL_vision_sheet::ofl_drw_String(Fl_Align align, int x, int y, int w, int h, Fl_Color c,
                                      int font, int size, const std::string& text) {
  ofl_drw_text(align, x, y, w, h, c, size, font, text.c_str());
}

bool point_dans_segment(double px, double py, double x1, double y1, double x2, double y2,
                        double tolerance) {
  const double eps = 1e-10;
  auto between = [](double v, double a, double b) {
    return std::min(a, b) <= v && v <= std::max(a, b);
  };
  if (std::fabs(x1 - x2) <= eps) return between(py, y1, y2) && std::fabs(px - x1) < tolerance;
  if (std::fabs(y1 - y2) <= eps) return between(px, x1, x2) && std::fabs(py - y1) < tolerance;
  double l = std::sqrt((y1 - y2) * (y1 - y2) + (x1 - x2) * (x1 - x2));
  if (!between(px, x1, x2) || !between(py, y1, y2) || l <= eps) return false;
  return std::fabs((px - x1) * (y1 - y2) - (x1 - x2) * (py - y1)) / l < tolerance;
}
