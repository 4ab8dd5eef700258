// The controller's side of the exchange area: a private copy of the inputs,
// refreshed when the simulator has published a new turn, and the outputs
// written straight into the area, by signal name.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "iolink/IOshare_area.h"

class IOsharemem_client {
 public:
  // Ends the process with status 1 for identifier 0 or a failed attachment.
  explicit IOsharemem_client(int ident);
  // The same attachment without ending anything: null with one line's
  // reason in why when the area is missing, too small or not ours to use.
  static std::unique_ptr<IOsharemem_client> attach(int ident, std::string& why);
  // Detaches from the area; one attachment per object, hence no copies.
  ~IOsharemem_client();
  IOsharemem_client(const IOsharemem_client&) = delete;
  IOsharemem_client& operator=(const IOsharemem_client&) = delete;

  // -1 once the exchange has ended or the simulator has died; 0 when nothing
  // new was published (after a 10 ms pause); 1 when a new turn was copied.
  // With CORVAN_LOCKSTEP=1 in the environment the pause ends as soon as the
  // simulator publishes, so that a lock-step run is not held up by it.
  int receive();
  // Waits at most timeout_us for a turn newer than the last copy, without
  // copying it. False on timeout or when the exchange has ended.
  bool wait_for_turn(int timeout_us);
  // The simulator's turn counter of the last copy (0 before the first).
  int32_t turn() const { return last_clock; }
  // True when CORVAN_LOCKSTEP=1 was in the environment: a lock-step run,
  // whose time is the turn counter's.
  bool in_lockstep() const { return lockstep; }
  // From the copy of the last receive; 0 for an unknown name. With a
  // repeated name the last slot wins.
  int input_is_set(const std::string& name);
  // Every output slot of that name, at once; an unknown name changes nothing.
  void setreset_output(const std::string& name, int value);
  // Whether the area has an input, or an output, of that name.
  bool has_input(const std::string& name) const;
  bool has_output(const std::string& name) const;
  void outputs_refresh();

 private:
  IOsharemem_client(int ident, IOshare_area* attached);
  bool simulator_gone();

  int32_t input_count;
  int32_t output_count;
  IOshare_area* area;
  std::vector<int32_t> inputs_copy;
  int32_t last_clock;
  int32_t mem_ident;
  bool lockstep = false;
  std::chrono::steady_clock::time_point last_look;  // last check of the simulator
};

// The identifier after "-automemlink" in argv[1..argc-1], the last one when
// the option is repeated (the simulator appends its own at the end); -1 when
// there is none or its value is not all decimal digits, is 0 or exceeds int.
int automemlink_ident(int argc, char** argv);
