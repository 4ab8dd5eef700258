// A workstation driven turn by turn from a test: the real window (shown), a
// real exchange area, and an in-process client standing for the controller.
#pragma once

#include <gtest/gtest.h>

#include "app/corvan.h"
#include "app/corvan_main.h"
#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/forms.H>

#include <functional>
#include <memory>

class WorkstationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto inputs = input_name_list();
    auto outputs = output_name_list();
    server = std::make_unique<IOsharemem_server>(inputs, outputs);
    client = std::make_unique<IOsharemem_client>(server->memory_ident());
    atelier = std::make_unique<atelier_class>();
    for (auto& a : actionneur) a = 0;
    fl_show_form(atelier->window, FL_PLACE_CENTER | FL_FREE_SIZE, FL_FULLBORDER, "atelier");
    station = std::make_unique<workstation>(*server, *atelier);
    while (Fl::readqueue()) {
    }
    station->start(clock_second);
  }
  void TearDown() override {
    Fl::remove_timeout(close_modal_box, this);
    station.reset();
    atelier->window->hide();
  }

  // Closes the modal box that the next turn opens (the "a propos" box), as
  // its button would, once it has been up for `open_s` seconds; `meanwhile`
  // runs just before, while the box is still up.
  void close_modal_box_after(double open_s, std::function<void()> meanwhile = [] {}) {
    box_closer = std::move(meanwhile);
    Fl::add_timeout(open_s, close_modal_box, this);
  }

  // What the controller reads after the last turn.
  int seen(const char* input) {
    client->receive();
    return client->input_is_set(input);
  }

  std::unique_ptr<IOsharemem_server> server;
  std::unique_ptr<IOsharemem_client> client;
  std::unique_ptr<atelier_class> atelier;
  std::unique_ptr<workstation> station;
  // The second the turns read; tests move it on.
  long clock_second = 1000;
  seconds_clock test_clock = [this] { return clock_second; };

 private:
  static void close_modal_box(void* data) {
    auto* self = static_cast<WorkstationTest*>(data);
    Fl_Window* box = Fl::modal();
    if (!box) {  // not up yet
      Fl::repeat_timeout(0.05, close_modal_box, data);
      return;
    }
    self->box_closer();
    box->hide();
  }

  std::function<void()> box_closer;
};
