#include "tests/support/xwin.h"

#include "tests/support/process.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

std::vector<unsigned long> find_windows(const std::string& title) {
  std::vector<unsigned long> ids;
  std::string cmd = "xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return ids;
  unsigned long id;
  while (std::fscanf(p, "%lu", &id) == 1) ids.push_back(id);
  pclose(p);
  return ids;
}

unsigned long wait_for_window(const std::string& title, double timeout_s) {
  unsigned long found = 0;
  wait_until(
      [&] {
        auto ids = find_windows(title);
        if (!ids.empty()) found = ids.front();
        return found != 0;
      },
      timeout_s, 0.1);
  return found;
}

namespace {

// One connection for the whole test: opening one per look, many times a
// second, can exhaust the server's client slots.
Display* display() {
  static Display* d = XOpenDisplay(nullptr);
  return d;
}

}  // namespace

std::vector<uint8_t> window_region(unsigned long id, int x, int y, int w, int h) {
  std::vector<uint8_t> out;
  Display* d = display();
  if (!d) return out;
  XImage* img = XGetImage(d, id, x, y, w, h, AllPlanes, ZPixmap);
  if (img) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        unsigned long p = XGetPixel(img, i, j);
        out.push_back((p >> 16) & 0xff);
        out.push_back((p >> 8) & 0xff);
        out.push_back(p & 0xff);
      }
    XDestroyImage(img);
  }
  return out;
}

void send_wm_delete(unsigned long id) {
  Display* d = display();
  if (!d) return;
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = id;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, id, False, NoEventMask, &ev);
  XFlush(d);
}

// A busy X server may refuse the connection for a moment: try again.
int xdotool(const std::string& args) {
  int status = 0;
  for (int attempt = 0; attempt < 10; ++attempt) {
    status = std::system(("xdotool " + args + " >/dev/null 2>&1").c_str());
    if (status == 0) break;
    usleep(50000);
  }
  return status;
}
