// Looking at and acting on another process's X windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Ids of the mapped windows whose title is exactly title (xdotool search).
std::vector<unsigned long> find_windows(const std::string& title);
// Waits up to timeout_s for one such window; 0 when none appears.
unsigned long wait_for_window(const std::string& title, double timeout_s);
// RGB bytes of a rectangle of the window, row by row.
std::vector<uint8_t> window_region(unsigned long id, int x, int y, int w, int h);
// What a window manager sends when the user closes the window.
void send_wm_delete(unsigned long id);
// Runs xdotool with the arguments; returns its exit status.
int xdotool(const std::string& args);
