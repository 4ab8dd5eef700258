// A Modbus TCP server as the monitor's inner side: any Modbus client (a
// PLC, an HMI) reads the inputs and writes the outputs.
#pragma once

#include <string>

#include "modbus/modbus_endpoint.h"
#include "monitor/inner_side.h"

class modbus_side : public answered_on_publish {
 public:
  // Throws std::runtime_error with one line when it cannot listen.
  modbus_side(const std::string& host, int port, double timeout_s, client_limits limits)
      : endpoint(host, port, timeout_s, limits), timeout_s(timeout_s) {}

  void publish(const input_values& inputs, uint32_t turn, int turns_per_second) override {
    endpoint.publish(inputs, turn, turns_per_second);
    mark_published();
  }
  output_values outputs() override { return endpoint.outputs(); }
  bool ended() override { return false; }
  // "clients: 2    watchdog 0.5 s: coils written in time", say.
  std::string status() override;

 private:
  modbus_endpoint endpoint;
  double timeout_s;
};
