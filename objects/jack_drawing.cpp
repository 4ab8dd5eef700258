#include "objects/jack_drawing.h"

#include "forms/draw.h"
#include "objects/movepart.h"
#include "objects/window_drawing.h"

#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

namespace {

struct box {
  int x, y, w, h;
};

// Integer halves, each truncated: with odd thicknesses the rod sits a pixel
// off centre.
int rod_offset(const jack_geometry& g) { return g.body_thickness / 2 - g.rod_thickness / 2; }

box body_of(jack_orientation o, const jack_geometry& g) {
  switch (o) {
    case jack_orientation::right: return {g.x, g.y, g.stroke, g.body_thickness};
    case jack_orientation::left: return {g.x - g.stroke, g.y, g.stroke, g.body_thickness};
    case jack_orientation::down: return {g.x, g.y, g.body_thickness, g.stroke};
    case jack_orientation::up: return {g.x, g.y - g.stroke, g.body_thickness, g.stroke};
  }
  return {};
}

box rod_of(jack_orientation o, const jack_geometry& g, int p) {
  const int c = rod_offset(g);
  switch (o) {
    case jack_orientation::right: return {g.x + p, g.y + c, g.rod_length, g.rod_thickness};
    case jack_orientation::left: return {g.x - p - g.rod_length, g.y + c, g.rod_length, g.rod_thickness};
    case jack_orientation::down: return {g.x + c, g.y + p, g.rod_thickness, g.rod_length};
    case jack_orientation::up: return {g.x + c, g.y - p - g.rod_length, g.rod_thickness, g.rod_length};
  }
  return {};
}

void draw_piston_line(jack_orientation o, const jack_geometry& g, int p) {
  const int across = g.body_thickness - 1;
  switch (o) {
    case jack_orientation::right: fl_line(g.x + p, g.y, g.x + p, g.y + across, FL_BLACK); break;
    case jack_orientation::left: fl_line(g.x - p, g.y, g.x - p, g.y + across, FL_BLACK); break;
    case jack_orientation::down: fl_line(g.x, g.y + p, g.x + across, g.y + p, FL_BLACK); break;
    case jack_orientation::up: fl_line(g.x, g.y - p, g.x + across, g.y - p, FL_BLACK); break;
  }
}

}  // namespace

void rod_step(jack_orientation o, double previous, double position, double& dx, double& dy) {
  const double out = position - previous;
  dx = o == jack_orientation::right ? out : o == jack_orientation::left ? -out : 0.0;
  dy = o == jack_orientation::down ? out : o == jack_orientation::up ? -out : 0.0;
}

void draw_jack(jack_orientation o, const jack_geometry& g, double position) {
  const int p = static_cast<int>(position);
  const box body = body_of(o, g);
  const box rod = rod_of(o, g, p);
  fl_rectbound(body.x, body.y, body.w, body.h, FL_BLUE);
  fl_rectbound(rod.x, rod.y, rod.w, rod.h, FL_BLACK);
  draw_piston_line(o, g, p);
}

void erase_down_jack(const jack_geometry& g, double position, Fl_Color colour) {
  const box rod = rod_of(jack_orientation::down, g, static_cast<int>(position));
  fl_rectf(g.x, g.y, g.body_thickness + 1, g.stroke + 1, colour);
  fl_rectf(rod.x, rod.y, rod.w, rod.h, colour);
}

void move_and_draw_jack(Fl_Window* window, movepart* part, jack_orientation o,
                        const jack_geometry& g, double previous, double& position) {
  make_current_for_drawing(window);
  double dx, dy;
  rod_step(o, previous, position, dx, dy);
  if (part->moveredraw(dx, dy) == 1) position = previous;
  draw_jack(o, g, position);
  part->draw();
}
