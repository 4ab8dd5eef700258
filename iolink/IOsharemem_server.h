// The simulator's side of the exchange area: creates and fills it, writes the
// inputs, publishes them once per turn, reads the outputs, ends the exchange.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "iolink/IOshare_area.h"

class IOsharemem_server {
 public:
  // Ends the process with status 1 when the segment cannot be created or
  // attached. At most 41 signals per direction are kept, names are cut to
  // 49 characters.
  IOsharemem_server(std::list<std::string>& inputs, std::list<std::string>& outputs);
  // Detaches: a process that makes one run after another must not keep
  // every area it ever made.
  ~IOsharemem_server();
  IOsharemem_server(const IOsharemem_server&) = delete;
  IOsharemem_server& operator=(const IOsharemem_server&) = delete;

  // Never 0, which the controller side rejects.
  int memory_ident();
  // Ignored when the index is out of range.
  void setreset_input(int index, int value);
  void inputs_go();
  // 0 when the index is out of range.
  int output_value(int index);
  // The input as last written; 0 when the index is out of range.
  int input_value(int index);
  int get_outputs_clock();
  // Waits until the controller's refresh counter differs from seen_clock;
  // false after timeout_us without a refresh.
  bool wait_for_outputs(int32_t seen_clock, int timeout_us);
  void sharing_terminate();

 private:
  int32_t mem_ident;
  IOshare_area* area;
};
