// Opening the connection to the X server.
#pragma once

#include <string>

// Connects the toolkit to the display named by DISPLAY. A busy server can
// refuse a connection for a moment (EAGAIN), so it tries for about a second
// before giving up. False when no connection could be made.
bool open_display_patiently();

// Takes the toolkit's own options found among the arguments, as the toolkit
// does when it starts (so "-display NAME" names the display to open), and
// leaves the arguments as they are.
void take_toolkit_options(int argc, char** argv);

// The display that opening will try, as DISPLAY names it; "" when unset.
std::string display_name();
