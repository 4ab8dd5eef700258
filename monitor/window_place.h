// Where the monitor's window opens: beside the line's window, which the
// simulator that started the monitor shows. Needed on a bare X server, which
// maps every window where its program asks (at the top left corner, unless
// asked) and stacks it over those mapped before.
#pragma once

#include <sys/types.h>

#include <optional>

struct screen_rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The top left corner for a window of w x h: left of the line's window when
// it fits on the screen, else right of it, else against the screen's left
// edge (over the line's drawing, never its buttons on the right); level with
// the line's top, inside the screen.
screen_rect place_beside(const screen_rect& line, int w, int h, const screen_rect& screen);

// The mapped top-level window of process pid on FLTK's display (found by
// its _NET_WM_PID), in root coordinates; nothing when it has none.
std::optional<screen_rect> window_of_process(pid_t pid);
