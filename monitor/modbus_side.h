// A Modbus TCP server as the monitor's inner side: any Modbus client (a
// PLC, an HMI) reads the inputs and writes the outputs.
#pragma once

#include <string>
#include <utility>

#include "modbus/modbus_endpoint.h"
#include "monitor/inner_side.h"

class modbus_side : public inner_side {
 public:
  // Throws std::runtime_error with one line when it cannot listen.
  modbus_side(const std::string& host, int port, double timeout_s)
      : endpoint(host, port, timeout_s) {}

  void publish(const input_values& inputs, uint32_t turn, int turns_per_second) override {
    endpoint.publish(inputs, turn, turns_per_second);
    published = true;
  }
  output_values outputs() override { return endpoint.outputs(); }
  bool ended() override { return false; }
  // Coils hold their values: each turn is answered at once.
  bool take_answer() override { return std::exchange(published, false); }

 private:
  modbus_endpoint endpoint;
  bool published = false;
};
