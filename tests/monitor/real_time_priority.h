// The stand-ins around the monitor in its timing tests (the simulator's
// turn loop, the echoing controller) ask, where allowed (root,
// CAP_SYS_NICE), for the lowest real-time priority the monitor's exchange
// threads ask for: on a machine busy with other tests and builds the
// delays measured are then the monitor's, not those of the stand-ins.
#pragma once

#include <sched.h>

// For the calling process; the processes it starts begin as usual.
inline void ask_for_real_time_priority() {
  sched_param lowest{};
  lowest.sched_priority = sched_get_priority_min(SCHED_FIFO);
  sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &lowest);
}
