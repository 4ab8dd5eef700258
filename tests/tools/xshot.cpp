// xshot <window id | root> <file.png>: saves what an X window shows as a PNG.
#include "runner/window_png.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: xshot <window id | root> <file.png>\n");
    return 2;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "xshot: no X display\n");
    return 1;
  }
  Window win = std::strcmp(argv[1], "root") == 0 ? DefaultRootWindow(d)
                                                 : std::strtoul(argv[1], nullptr, 0);
  std::string error = save_window_png(d, win, argv[2]);
  XCloseDisplay(d);
  if (!error.empty()) {
    std::fprintf(stderr, "xshot: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
