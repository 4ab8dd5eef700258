// Saving what an X window shows as a PNG file: used by corvan-run for its
// screenshot and by the tests' xshot tool.
#pragma once

#include <X11/Xlib.h>

#include <string>

// "" when saved, otherwise what went wrong.
std::string save_window_png(Display* display, Window window, const std::string& path);
