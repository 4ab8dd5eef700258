// Opening the connection to the X server.
#pragma once

// Connects the toolkit to the display named by DISPLAY. A busy server can
// refuse a connection for a moment (EAGAIN), so it tries for about a second
// before giving up. False when no connection could be made.
bool open_display_patiently();
