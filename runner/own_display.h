// A virtual X server of the run's own, for runs without a display: started
// on a free display number, stopped at the end.
#pragma once

#include <sys/types.h>

class own_display {
 public:
  own_display() = default;
  ~own_display() { stop(); }
  own_display(const own_display&) = delete;
  own_display& operator=(const own_display&) = delete;

  // Starts Xvfb and points DISPLAY at it. Throws std::runtime_error when
  // the server does not start.
  void start();
  void stop();

 private:
  pid_t pid = -1;
};
