// Where the machine's elements draw: straight into the line's window.
#pragma once

#include <FL/Fl_Device.H>
#include <FL/Fl_Window.H>

// Makes the window current for the drawing that follows when drawing goes
// to the screen. When another surface takes it (a run no one looks at draws
// on one that keeps nothing), the window is left as it is: making it current
// sends the X server a request, dozens a turn, and wakes it at every turn.
inline void make_current_for_drawing(Fl_Window* window) {
  if (Fl_Surface_Device::surface() == Fl_Display_Device::display_device()) window->make_current();
}
