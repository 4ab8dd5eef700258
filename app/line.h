// The gluing line: what it is made of, where everything stands, what its
// sensors read and how it answers the controller's outputs, turn by turn.
#pragma once

#include "app/line_observer.h"
#include "objects/belt.h"
#include "objects/djack.h"
#include "objects/movepart.h"
#include "objects/movepart_manager.h"
#include "objects/sjack.h"

#include <list>
#include <vector>

class Fl_Window;
class IOsharemem_server;
class atelier_class;

// A station: two single-acting jacks acting from both sides of the main belt,
// each with its plate. x is the jacks' anchor.
struct station {
  station(movepart_manager& registry, atelier_class& atelier, int x);
  void add_shapes();
  void command();
  void move_and_draw();
  void draw();
  int home() const;  // both jacks at their in stop
  int out() const;   // both jacks at their out stop

  int x;
  movepart upper_plate;
  bsjack upper_jack;
  movepart lower_plate;
  tsjack lower_jack;
};

// The two outlines that take no part in collisions.
void draw_part_support(int x, int y, int w, int h);  // the lid magazine's guides
void dessine_encolleur(int x, int y);                // the glue unit's nozzle

// Clears the line by hand: whatever the pusher carrier and the cup hold, and
// every workpiece on both belts.
void intervention(movepart& carrier, movepart& cup, hbelt& feed_belt, hbelt& main_belt);

class line {
 public:
  // Builds every object in its place; nothing is drawn yet.
  explicit line(atelier_class& atelier);
  ~line();
  line(const line&) = delete;
  line& operator=(const line&) = delete;

  // Redraws the whole line.
  void dessiner();
  // Writes the line's inputs in their fixed order; "te" also hands the
  // lowest lid of the magazine to the pusher carrier.
  void sense(IOsharemem_server& link);
  // The actuator phase of a turn, after the outputs have been read; it draws
  // into the line's window whatever window was current before.
  void respond(IOsharemem_server& link);
  // "piece" and "couvercle" clicked.
  void new_workpiece();
  void new_lid();
  // Told of the line's outcomes from now on; null tells nobody.
  void set_observer(line_observer* o) { observer = o; }

  atelier_class& atelier;
  Fl_Window* window;
  movepart_manager registry;
  std::list<movepart*> lid_stack;  // owned: lids waiting in the magazine
  movepart* released_lid = nullptr;  // let go by the cup and not glued
  station station1;
  station station2;
  station station3;
  movepart carrier;  // on the pusher's rod; "poussoir_vt" in messages
  rdjack pusher;
  movepart cup;  // on the suction-cup jack's rod; "poussoir_vv" in messages
  bdjack cup_jack;
  movepart press_plate;
  bdjack press_jack;
  movepart rail;
  hbelt feed_belt;
  hbelt main_belt;

 private:
  unsigned int background() const;
  void add_shapes();
  void hand_over_lid();
  void grip();
  void release();
  bool glue_under_cup(movepart& lid);
  void operator_intervention();
  void transfer();
  void removal();
  void glue(IOsharemem_server& link);
  movepart* new_glue_bead(movepart& workpiece);
  void move_and_draw();
  // One line on the standard error stream when the registry is full; the
  // run goes on.
  bool room_for(const char* what);
  void report_jacks_driven_both_ways();

  // Lids let go before the released lid and never glued: they stay where
  // they are until the line is destroyed.
  std::vector<movepart*> loose_lids;
  bool glue_refused = false;
  line_observer* observer = nullptr;
};
