#include "app/corvan_main.h"

#include "app/corvan.h"
#include "forms/display.h"
#include "forms/draw.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "process/controller_process.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/forms.H>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <list>
#include <memory>

namespace {

void print_usage() { std::cerr << corvan_option_table().usage() << std::flush; }

// Before anything is created or started: a run without a window would
// leave a controller attached to an area nobody serves.
bool open_display_or_explain(int argc, char** argv) {
  take_toolkit_options(argc, argv);
  if (open_display_patiently()) return true;
  std::string name = display_name();
  std::cerr << "corvan: impossible d'ouvrir l'affichage "
            << (name.empty() ? "(DISPLAY non defini)" : "\"" + name + "\"")
            << "; lancer sous xvfb-run, ou donner DISPLAY" << std::endl;
  return false;
}

}  // namespace

IOsharemem_server* init_partage_mem(const char* controller_command) {
  if (controller_command[0] == '\0') {
    print_usage();
    return nullptr;
  }
  std::list<std::string> inputs = input_name_list();
  std::list<std::string> outputs = output_name_list();
  return new IOsharemem_server(inputs, outputs);
}

void actuator_set(IOsharemem_server* link) {
  for (int i = 0; i < output_signal_count; ++i) actionneur[i] = link->output_value(i);
}

void show_atelier(atelier_class& atelier) {
  fl_show_form(atelier.window, FL_PLACE_CENTER | FL_FREE_SIZE, FL_FULLBORDER, "atelier");
}

long now_seconds() {
  timeval tv;
  gettimeofday(&tv, nullptr);
  return tv.tv_sec;
}

workstation::workstation(IOsharemem_server& link, atelier_class& atelier)
    : link(link), atelier(atelier), the_line(atelier) {}

void workstation::start(long now) {
  the_line.dessiner();
  quit_request = 0;
  timer = ten_second_timer(now);
}

void workstation::turn(const seconds_clock& clock) {
  Fl::check();
  // Closed by the window manager: nothing may draw into it any more, and
  // the run ends with this turn.
  if (!atelier.window->shown()) return;
  take_queued_click();
  the_line.sense(link);
  write_panel_inputs();
  link.setreset_input(in::timer10t, timer.update(clock(), actionneur[out::TIMER10] == 1));
  if (hooks.before_publication) hooks.before_publication();
  link.inputs_go();
  if (hooks.after_publication) hooks.after_publication();
  actuator_set(&link);
  if (hooks.outputs_read) hooks.outputs_read();
  the_line.respond(link);
}

bool workstation::running() const { return quit_request == 0 && atelier.window->shown(); }

// At most one queued widget per turn; panel buttons queued by their clicks
// are taken here and ignored, since they are read by their state.
void workstation::take_queued_click() {
  Fl_Widget* w = Fl::readqueue();
  if (!w) return;
  if (w == atelier.quit_button) quit_request = 1;
  if (w == atelier.about_button) fl_show_ms();
  if (w == atelier.redraw_button) the_line.dessiner();
  if (w == atelier.piece_button) the_line.new_workpiece();
  if (w == atelier.lid_button) the_line.new_lid();
}

void workstation::write_panel_inputs() {
  link.setreset_input(in::init, fl_get_button(atelier.init_button));
  link.setreset_input(in::ac, fl_get_button(atelier.ac_button));
  link.setreset_input(in::dc, fl_get_button(atelier.dc_button));
  link.setreset_input(in::atu, fl_get_button(atelier.atu_button));
}

const cli::option_table<cli::request>& corvan_option_table() {
  using v = const std::string&;
  static const cli::option_table<cli::request> table{
      {"corvan",
       {"CONTROLLER [ARGUMENT]..."},
       "Simulate the gluing line in a window, with CONTROLLER driving it."},
      {
          {cli::help_option(), [](cli::request& asked, v) { asked = cli::request::help; }},
          {cli::version_option(), [](cli::request& asked, v) { asked = cli::request::version; }},
      }};
  return table;
}

int corvan_main(int argc, char** argv) {
  // Only as the first argument: anything else belongs to the controller.
  cli::request asked = cli::request::none;
  if (argc > 1)
    if (const auto* row = corvan_option_table().find(argv[1])) row->apply(asked, "");
  if (asked != cli::request::none) {
    std::cout << corvan_option_table().answer(asked);
    return 0;
  }
  std::string command = controller_command(argc, argv);
  if (command.empty()) {
    print_usage();
    return 2;
  }
  if (!open_display_or_explain(argc, argv)) return 1;
  std::unique_ptr<IOsharemem_server> link(init_partage_mem(command.c_str()));
  // A controller that cannot start simply leaves every output at 0.
  controller_care controller("corvan", command, link->memory_ident());
  fl_initialize(&argc, argv, nullptr, nullptr, 0);
  std::unique_ptr<atelier_class> atelier(new atelier_class);
  // The window owns every widget of the workstation; freed last but one.
  std::unique_ptr<Fl_Window> window(atelier->window);
  workstation station(*link, *atelier);
  show_atelier(*atelier);
  station.start(now_seconds());
  do {
    station.turn(now_seconds);
    controller.poll();
    usleep(5000);
  } while (station.running());
  if (atelier->window->shown()) fl_hide_form(atelier->window);
  link->sharing_terminate();
  controller.finish();
  return 0;
}
