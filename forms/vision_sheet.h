// A drawing sheet: a clipping rectangle and drawing operations that keep
// inside it, drawing into the current window.
#pragma once

#include <FL/Enumerations.H>

#include <string>

class OFL_vision_sheet {
 public:
  // No rectangle: nothing is clipped.
  OFL_vision_sheet() = default;

  void define(int x, int y, int w, int h, int colour);
  void resize(int x, int y, int w, int h);

  void ofl_line(int x1, int y1, int x2, int y2, Fl_Color c);
  void ofl_dash_line(int x1, int y1, int x2, int y2, Fl_Color c);
  // A zig-zag of three segments whose middle one crosses the straight line.
  void ofl_break_line(int x1, int y1, int x2, int y2, Fl_Color c);
  void ofl_rect(int x, int y, int w, int h, Fl_Color c);
  void ofl_rectf(int x, int y, int w, int h, Fl_Color c);
  // Circles in the bounding box x, y, d x d.
  void ofl_circ(int x, int y, int d, Fl_Color c);
  void ofl_circf(int x, int y, int d, Fl_Color c);
  // Filled in c, outlined in FL_BLACK.
  void ofl_rectbound(int x, int y, int w, int h, Fl_Color c);
  void ofl_circbound(int x, int y, int d, Fl_Color c);
  // A 40-degree sector pointing back along the segment, from (x2, y2).
  void ofl_arrowbound(int x1, int y1, int x2, int y2, Fl_Color c);
  // The segment with a head at (x2, y2): wings of the given length at the
  // given half-angle (radians).
  void ofl_drw_arrow_line(int x1, int y1, int x2, int y2, int length, double angle, Fl_Color c);
  void ofl_drw_text(Fl_Align align, int x, int y, int w, int h, Fl_Color c, int size, int font,
                    const char* text);
  // Note the order: font before size, unlike ofl_drw_text.
  void ofl_drw_String(Fl_Align align, int x, int y, int w, int h, Fl_Color c, int font,
                      int size, const std::string& text);

  int x_min = 0;
  int y_min = 0;
  int x_max = 0;
  int y_max = 0;
  int colour = FL_BLACK;  // kept for the caller; the operations take their own

 private:
  class clip;
};

// True when (px, py) is closer than tolerance to the segment (x1, y1)-(x2, y2)
// and lies within its bounding box.
bool point_dans_segment(double px, double py, double x1, double y1, double x2, double y2,
                        double tolerance);
