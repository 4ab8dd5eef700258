// Reading back what a window shows, for pixel-exact drawing tests.
#pragma once

#include <FL/Enumerations.H>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>

class Fl_Window;

using rgb = std::array<uint8_t, 3>;

// The colour the X server shows for a toolkit colour index.
rgb rgb_of(Fl_Color c);
// The pixel at window coordinates (x, y), read after make_current().
rgb pixel(Fl_Window* w, int x, int y);
// True when every pixel of the rectangle has colour c.
bool rect_has_colour(Fl_Window* w, int x, int y, int width, int height, Fl_Color c);
// Fills the whole window with c, for a known start.
void clear_window(Fl_Window* w, Fl_Color c);
// Opens a shown window of the given size and lets the server map it.
Fl_Window* open_test_window(int width, int height, const char* title = "test");
// Lets the toolkit and the X server settle (events handled, output flushed).
void settle();

std::string describe(const rgb& c);
