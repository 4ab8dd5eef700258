// What an X window shows as a PNG file: used by corvan-run for its
// screenshot and its report's pictures, and by the tests' xshot tool.
#pragma once

#include <X11/Xlib.h>

#include <string>

// "" when saved, otherwise what went wrong.
std::string save_window_png(Display* display, Window window, const std::string& path);
// The PNG file's bytes in `png`; "" when made, otherwise what went wrong.
std::string window_png(Display* display, Window window, std::string& png);
