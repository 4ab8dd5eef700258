// The user's controller inside the monitor: a second exchange area made by
// the simulator's own server code, and the controller started and looked
// after exactly as the simulator starts its own, so it cannot tell the
// difference.
#pragma once

#include <list>
#include <string>

#include "iolink/IOsharemem_server.h"
#include "monitor/inner_side.h"
#include "process/controller_process.h"

class inner_controller : public inner_side {
 public:
  // command: the controller's words, each followed by one blank.
  explicit inner_controller(const std::string& command);

  void publish(const input_values& inputs, uint32_t turn, int turns_per_second) override;
  output_values outputs() override;
  bool ended() override;
  bool take_answer() override;
  // Wakes at the controller's next refresh.
  void wait_answer(int timeout_us) override;
  // The controller reads -1, then is waited for, signalled if it lingers, reaped.
  void finish() override;

  int memory_ident() { return server.memory_ident(); }

 private:
  std::list<std::string> input_names = input_name_list();
  std::list<std::string> output_names = output_name_list();
  IOsharemem_server server;
  controller_care care;
  int32_t refreshes_seen = 0;  // the controller's refresh counter, last looked at
};
