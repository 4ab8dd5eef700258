#include "forms/display.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <unistd.h>

bool open_display_patiently() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) {
      fl_open_display(d);
      return true;
    }
    usleep(50000);
  }
  return false;
}
