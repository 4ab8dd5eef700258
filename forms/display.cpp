#include "forms/display.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <unistd.h>

#include <cstdlib>

namespace {

// As the toolkit does with a display it opens itself: an X protocol error
// (a request about a window that has just gone, say) is reported, not fatal.
int report_x_error(Display* d, XErrorEvent* e) {
  char text[128];
  XGetErrorText(d, e->error_code, text, sizeof text);
  Fl::warning("X error: %s (request %d)", text, e->request_code);
  return 0;
}

}  // namespace

bool open_display_patiently() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) {
      XSetErrorHandler(report_x_error);
      fl_open_display(d);
      return true;
    }
    usleep(50000);
  }
  return false;
}

void take_toolkit_options(int argc, char** argv) {
  // As the toolkit's own start does: an option it knows is taken with its
  // value wherever it stands, anything else is stepped over.
  for (int i = 1; i < argc;)
    if (!Fl::arg(argc, argv, i)) ++i;
}

std::string display_name() {
  const char* name = std::getenv("DISPLAY");
  return name ? name : "";
}
