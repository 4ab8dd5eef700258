// What every linear jack, double- or single-acting, draws: a body, a rod
// leaving it at the truncated position, and the piston line across the body.
#pragma once

#include <FL/Enumerations.H>

class Fl_Window;
class movepart;

// Direction in which the rod extends on the screen (y grows downwards).
enum class jack_orientation { right, left, down, up };

// Where the jack stands, in window pixels. The anchor (x, y) is the corner of
// the body on the rod's starting side: the top-left corner for right and down,
// the top-right for left, the bottom-left for up.
struct jack_geometry {
  int x;
  int y;
  int stroke;          // body length along the axis, and the largest position
  int body_thickness;  // body size across the axis
  int rod_length;
  int rod_thickness;
};

// The move of the rod's end, in pixels, when the position goes from
// previous to position.
void rod_step(jack_orientation o, double previous, double position, double& dx, double& dy);

// Body filled FL_BLUE, rod filled FL_BLACK, both outlined in FL_BLACK, then
// the piston line, at the position truncated towards zero.
void draw_jack(jack_orientation o, const jack_geometry& g, double position);

// Paints over a downward jack: its body one pixel wider and longer (the
// outline included), then its rod.
void erase_down_jack(const jack_geometry& g, double position, Fl_Color colour);

// The stops allow 0.001 so that a sum of fractional steps counts as arrived.
inline int at_in_stop(double position) { return position < 0.001 ? 1 : 0; }
inline int at_out_stop(double position, int stroke) { return position > stroke - 0.001 ? 1 : 0; }

// One draw of a linear jack: the part moves by the rod's last step; when it
// is blocked the step is undone (position goes back to previous). Then the
// jack and its part are drawn.
void move_and_draw_jack(Fl_Window* window, movepart* part, jack_orientation o,
                        const jack_geometry& g, double previous, double& position);
