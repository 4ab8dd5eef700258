#include "monitor/window_place.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <algorithm>

screen_rect place_beside(const screen_rect& line, int w, int h, const screen_rect& screen) {
  screen_rect placed{screen.x, line.y, w, h};
  if (line.x - w >= screen.x)
    placed.x = line.x - w;
  else if (line.x + line.w + w <= screen.x + screen.w)
    placed.x = line.x + line.w;
  placed.y = std::clamp(line.y, screen.y, std::max(screen.y, screen.y + screen.h - h));
  return placed;
}

namespace {

// A window may go while it is looked at: its error is no one's business.
int ignore_error(Display*, XErrorEvent*) { return 0; }

bool owned_by(Window window, pid_t pid) {
  static const Atom wm_pid = XInternAtom(fl_display, "_NET_WM_PID", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  bool owned = false;
  if (XGetWindowProperty(fl_display, window, wm_pid, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32 && count == 1)
    owned = pid_t(*reinterpret_cast<unsigned long*>(data)) == pid;
  if (data) XFree(data);
  return owned;
}

std::optional<screen_rect> mapped_rect(Window window) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(fl_display, window, &a) || a.map_state != IsViewable)
    return std::nullopt;
  int x, y;
  Window child;
  XTranslateCoordinates(fl_display, window, RootWindow(fl_display, fl_screen), 0, 0, &x, &y,
                        &child);
  return screen_rect{x, y, a.width, a.height};
}

// Looks at window and, under a window manager's frames, at its children;
// keeps the largest of pid's windows.
void look_in(Window window, pid_t pid, int depth, std::optional<screen_rect>& largest) {
  if (owned_by(window, pid)) {
    auto rect = mapped_rect(window);
    if (rect && (!largest || rect->w * rect->h > largest->w * largest->h)) largest = rect;
    return;
  }
  if (depth == 0) return;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(fl_display, window, &root, &parent, &children, &count))
    for (unsigned i = 0; i < count; ++i) look_in(children[i], pid, depth - 1, largest);
  if (children) XFree(children);
}

}  // namespace

std::optional<screen_rect> window_of_process(pid_t pid) {
  fl_open_display();
  // The root's children are top-level windows, or the frames around them.
  std::optional<screen_rect> largest;
  XSync(fl_display, False);
  auto previous = XSetErrorHandler(ignore_error);
  look_in(RootWindow(fl_display, fl_screen), pid, 2, largest);
  XSync(fl_display, False);
  XSetErrorHandler(previous);
  return largest;
}
