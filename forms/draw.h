// Colour drawing primitives: set the colour and draw in one call, into the
// current window, outside the toolkit's redraw cycle.
#pragma once

#include <FL/Enumerations.H>

// Line from (x1, y1) to (x2, y2).
void fl_line(int x1, int y1, int x2, int y2, Fl_Color c);
// Rectangle filled with c, then outlined in FL_BLACK; the colour stays FL_BLACK.
void fl_rectbound(int x, int y, int w, int h, int c);
// Filled ellipse inside the box (x, y, w, h).
void fl_ovalf(int x, int y, int w, int h, unsigned int c);
void fl_ovalf(int x, int y, int w, int h, int c);
// Filled circle of diameter d whose bounding box has its top-left corner at (x, y).
void fl_circf(int x, int y, int d, unsigned int c);
void fl_circf(int x, int y, int d, int c);

// The about box; returns once the user has closed it.
void fl_show_ms();
// Its text, for whoever wants to show it elsewhere.
extern const char* const about_text;
