// What stands inside the monitor, in the controller's place: an inner
// controller over a second area, the window's manual values, or a Modbus
// server. The monitor hands it every simulator turn's inputs (after forcing
// and faults) and copies what it asks for outward.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "iolink/signals.h"

using input_values = std::array<int, input_signal_count>;
using output_values = std::array<int, output_signal_count>;

class inner_side {
 public:
  virtual ~inner_side() = default;
  // Once per simulator turn.
  virtual void publish(const input_values& inputs, uint32_t turn, int turns_per_second) = 0;
  // What the inner side asks for now.
  virtual output_values outputs() = 0;
  // True once it will ask for nothing more (its controller has ended).
  virtual bool ended() = 0;
  // True when it has finished a cycle of output writes since the last call
  // (a controller's refresh): the monitor then counts one outward, so that
  // a simulator waiting for the answer waits for the inner side's.
  virtual bool take_answer() = 0;
  // Returns when an answer may have come, or after timeout_us.
  virtual void wait_answer(int timeout_us) = 0;
  // The run is over: the inner side learns it and lets go of what it holds.
  virtual void finish() {}
  // One line on its state for the window, asked from the window's thread;
  // empty when there is nothing to tell.
  virtual std::string status() { return ""; }
};

// An inner side whose outputs are always current (switches, coils): each
// published turn is answered at once.
class answered_on_publish : public inner_side {
 public:
  bool take_answer() override {
    std::lock_guard<std::mutex> hold(lock);
    return std::exchange(published, false);
  }
  void wait_answer(int timeout_us) override {
    std::unique_lock<std::mutex> hold(lock);
    answer.wait_for(hold, std::chrono::microseconds(timeout_us), [this] { return published; });
  }

 protected:
  void mark_published() {
    {
      std::lock_guard<std::mutex> hold(lock);
      published = true;
    }
    answer.notify_one();
  }

 private:
  std::mutex lock;
  std::condition_variable answer;
  bool published = false;
};

// Outputs set by hand from the window; the exchange thread reads them.
class manual_side : public answered_on_publish {
 public:
  manual_side() {
    for (auto& v : values) v = 0;
  }
  void set(int output, int value) { values.at(output) = value; }
  void publish(const input_values&, uint32_t, int) override { mark_published(); }
  output_values outputs() override {
    output_values now{};
    for (int i = 0; i < output_signal_count; ++i) now[i] = values[i];
    return now;
  }
  bool ended() override { return false; }

 private:
  std::array<std::atomic<int>, output_signal_count> values;
};
