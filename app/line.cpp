#include "app/line.h"

#include "app/corvan.h"
#include "forms/draw.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "objects/window_drawing.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
#include <FL/forms.H>

#include <iostream>

namespace {

bool on(int output) { return actionneur[output] == 1; }

void message(const char* text) { std::cerr << text << std::endl; }

// Workpieces leave the line with their glue bead and lid.
void destroy_all(hbelt& b) {
  std::vector<movepart*> parts = b.part_list();
  b.supp_all_ppart();
  for (movepart* p : parts) delete p;
  b.draw();
}

}  // namespace

station::station(movepart_manager& registry, atelier_class& atelier, int x)
    : x(x),
      upper_plate(registry, atelier.window, atelier.drawing_box->color()),
      upper_jack(atelier.window, x, 400, 25, 20, 35, 5, 1.0, 1.0, &upper_plate, 0.0),
      lower_plate(registry, atelier.window, atelier.drawing_box->color()),
      lower_jack(atelier.window, x, 540, 25, 20, 35, 5, 1.0, 1.0, &lower_plate) {}

void station::add_shapes() {
  upper_plate.add(x - 3, 435, 28, 5, FL_BLUE);
  lower_plate.add(x - 3, 500, 28, 5, FL_BLUE);
}

void station::command() {
  upper_jack.activate_out();
  lower_jack.activate_out();
}

void station::move_and_draw() {
  upper_jack.react();
  upper_jack.draw();
  upper_jack.partdraw();
  lower_jack.react();
  lower_jack.draw();
  lower_jack.partdraw();
}

void station::draw() {
  upper_jack.draw();
  upper_plate.draw();
  lower_jack.draw();
  lower_plate.draw();
}

int station::home() const { return upper_jack.in_stop() && lower_jack.in_stop(); }

int station::out() const { return upper_jack.out_stop() && lower_jack.out_stop(); }

void draw_part_support(int x, int y, int w, int h) {
  int top = y - h / 2;
  fl_rectf(x - w / 2 - 5, top, 5, h, FL_GREEN);
  fl_rectf(x + w / 2, top, 5, h, FL_GREEN);
}

void dessine_encolleur(int x, int y) {
  fl_line(x, y, x, y + 10, FL_BLACK);
  fl_line(x, y + 10, x + 5, y + 15, FL_BLACK);
  fl_line(x + 5, y + 15, x + 5, y + 25, FL_BLACK);
  fl_line(x + 15, y, x + 15, y + 10, FL_BLACK);
  fl_line(x + 15, y + 10, x + 10, y + 15, FL_BLACK);
  fl_line(x + 10, y + 15, x + 10, y + 25, FL_BLACK);
}

void intervention(movepart& carrier, movepart& cup, hbelt& feed_belt, hbelt& main_belt) {
  movepart* a = carrier.part_have_link();
  movepart* b = cup.part_have_link();
  carrier.unlink();
  cup.unlink();
  delete a;
  delete b;
  destroy_all(feed_belt);
  destroy_all(main_belt);
}

// Member order is the order of construction; the background colour is read
// anew for each part.
line::line(atelier_class& atelier)
    : atelier(atelier),
      window(atelier.window),
      station1(registry, atelier, 300),
      station2(registry, atelier, 400),
      station3(registry, atelier, 500),
      carrier(registry, window, background()),
      pusher(window, 115, 250, 85, 20, 100, 5, 1.0, 1.0, &carrier, 40.0),
      cup(registry, window, background()),
      cup_jack(window, 400, 90, 90, 20, 110, 5, 1.0, 1.0, &cup, 10.0),
      press_plate(registry, window, background()),
      press_jack(window, 490, 85, 100, 40, 120, 10, 1.0, 1.0, &press_plate, 10.0),
      rail(registry, window, background()),
      feed_belt(window, 40, 435, 145, 70, 0.3),
      main_belt(window, 180, 445, 400, 50, 0.25) {
  add_shapes();
}

// Also frees the parts made while running, so that nothing outlives the line.
line::~line() {
  for (hbelt* b : {&feed_belt, &main_belt}) {
    for (movepart* p : b->part_list()) delete p;
    b->supp_all_ppart();
  }
  if (released_lid && !released_lid->is_linked()) delete released_lid;
  for (movepart* lid : loose_lids) delete lid;
  for (movepart* lid : lid_stack) delete lid;
}

unsigned int line::background() const { return atelier.drawing_box->color(); }

void line::add_shapes() {
  for (station* s : {&station1, &station2, &station3}) s->add_shapes();
  // A tray: a left block and a right wall on a base, with a slot for one lid.
  carrier.add(255, 250, 85, 10, FL_BLUE);
  carrier.add(255, 260, 145, 10, FL_BLUE);
  carrier.add(390, 250, 10, 10, FL_BLUE);
  cup.add(395, 210, 30, 20, FL_BLUE);
  cup.add(385, 230, 50, 5, FL_GREEN);
  press_plate.add(480, 215, 60, 10, FL_BLUE);
  // Five lids above the magazine; they fall into place in the first turns.
  for (int i = 0; i < 5; ++i) {
    auto* lid = new movepart;
    lid->define(registry, window, background());
    lid->add(301, 200 - 15 * i, 48, 10, FL_RED);
    lid_stack.push_back(lid);
  }
  rail.add(40, 370, 610, 5, FL_BLACK);
}

void line::dessiner() {
  make_current_for_drawing(window);
  draw_part_support(325, 150, 50, 200);
  for (movepart* lid : lid_stack) lid->draw();
  rail.draw();
  dessine_encolleur(300, 295);
  pusher.draw();
  cup_jack.draw();
  cup_jack.partdraw();
  press_jack.draw();
  carrier.draw();
  cup.draw();
  press_plate.draw();
  for (station* s : {&station1, &station2, &station3}) s->draw();
  feed_belt.draw();
  main_belt.draw();
  registry.draw();
}

void line::sense(IOsharemem_server& link) {
  link.setreset_input(in::p1ok, registry.busy_position(336, 470));
  link.setreset_input(in::p2ok, registry.busy_position(434, 470));
  link.setreset_input(in::p3ok, registry.busy_position(535, 470));
  link.setreset_input(in::pp, registry.busy_position(230, 470));
  int te = pusher.in_stop();
  link.setreset_input(in::te, te);
  if (te) hand_over_lid();
  link.setreset_input(in::ts, pusher.out_stop());
  link.setreset_input(in::vh, cup_jack.in_stop());
  link.setreset_input(in::vb, cup_jack.out_stop());
  link.setreset_input(in::ph, press_jack.in_stop());
  link.setreset_input(in::pb, press_jack.out_stop());
  link.setreset_input(in::b1e, station1.home());
  link.setreset_input(in::b1s, station1.out());
  link.setreset_input(in::b2e, station2.home());
  link.setreset_input(in::b2s, station2.out());
  link.setreset_input(in::b3e, station3.home());
  link.setreset_input(in::b3s, station3.out());
  link.setreset_input(in::vide, cup.part_have_link() && !fl_get_button(atelier.pv_button));
}

// (301, 250) is where a lid comes to rest in the carrier's slot under the
// magazine, the pusher being retracted.
void line::hand_over_lid() {
  auto taken = lid_stack.end();
  for (auto it = lid_stack.begin(); it != lid_stack.end(); ++it) {
    movepart* lid = *it;
    if (lid->actual_first_xpos() == 301 && lid->actual_first_ypos() == 250 && !lid->is_linked()) {
      carrier.link(lid);
      taken = it;
    }
  }
  if (taken != lid_stack.end()) lid_stack.erase(taken);
}

void line::respond(IOsharemem_server& link) {
  // Some outlines are drawn straight into the current window, which a
  // message box closed earlier in this turn may have left pointing at its
  // own, destroyed one.
  make_current_for_drawing(window);
  if (observer) report_jacks_driven_both_ways();
  if (on(out::RENT)) pusher.activate_in();
  if (on(out::SORT)) pusher.activate_out();
  if (on(out::DESV)) cup_jack.activate_out();
  if (on(out::MONV)) cup_jack.activate_in();
  if (on(out::DESP)) press_jack.activate_out();
  if (on(out::MONP)) press_jack.activate_in();
  if (on(out::ASPI) && !fl_get_button(atelier.pv_button))
    grip();
  else
    release();
  if (on(out::MTA)) feed_belt.activate();
  if (on(out::MT)) main_belt.activate();
  if (on(out::BZ1)) station1.command();
  if (on(out::BZ2)) station2.command();
  if (on(out::BZ3)) station3.command();
  if (fl_get_button(atelier.intervention_button)) operator_intervention();
  transfer();
  removal();
  glue(link);
  move_and_draw();
  for (movepart* lid : lid_stack) lid->fall();
}

// The cup takes the pusher's lid once its plate has come down onto it (just
// above the slot at the out stop) and the pusher is out far enough.
void line::grip() {
  movepart* lid = carrier.part_have_link();
  if (lid && registry.busy_position(400, 249) && lid->actual_first_xpos() > 380 &&
      !cup.part_have_link()) {
    message("cap a ete decouple de poussoir_vt");
    message("cap a ete couple a poussoir_vv");
    carrier.unlink();
    cup.link(lid);
  }
}

void line::release() {
  if (released_lid && !released_lid->is_linked()) released_lid->fall();
  movepart* lid = cup.part_have_link();
  if (!lid) return;
  if (released_lid) loose_lids.push_back(released_lid);
  released_lid = lid;
  message("cap a ete decouple de poussoir_vv");
  cup.unlink();
  const bool glued = registry.busy_position(400, 330) && glue_under_cup(*lid);
  if (observer) observer->lid_let_go(lid->actual_first_xpos(), lid->actual_first_ypos(), glued);
}

// A workpiece under the cup with a glue bead takes the lid where it is.
bool line::glue_under_cup(movepart& lid) {
  bool glued = false;
  std::vector<movepart*> parts = main_belt.part_list();
  for (movepart* w : parts) {
    movepart* bead = w->part_have_link();
    if (w->actual_first_xpos() <= 399 && w->actual_last_xpos() >= 401 && bead) {
      bead->link(&lid);
      released_lid = nullptr;
      message("ENCOLLAGE !");
      glued = true;
    }
  }
  return glued;
}

void line::operator_intervention() {
  if (released_lid && !released_lid->is_linked()) {
    delete released_lid;
    released_lid = nullptr;
  }
  intervention(carrier, cup, feed_belt, main_belt);
}

// At most one workpiece changes belts per turn, even if the step is refused.
void line::transfer() {
  movepart* t = nullptr;
  std::vector<movepart*> parts = feed_belt.part_list();
  for (movepart* p : parts)
    if (p->actual_last_xpos() > 229) t = p;
  if (!t) return;
  message("TRANSFERT");
  feed_belt.supp_ppart(t);
  t->moveredraw(1.0, 0.0);
  main_belt.add_ppart(t);
}

void line::removal() {
  movepart* e = nullptr;
  std::vector<movepart*> parts = main_belt.part_list();
  for (movepart* p : parts)
    if (p->actual_first_xpos() > 555) e = p;
  if (!e) return;
  message(" DESTRUCTION");
  main_belt.supp_ppart(e);
  movepart* bead = e->part_have_link();
  if (observer) observer->workpiece_left(bead != nullptr, bead && bead->part_have_link());
  if (bead) {
    movepart* lid = bead->part_have_link();
    if (lid) {
      bead->unlink();
      delete lid;
    }
    e->unlink();
    delete bead;
  }
  delete e;
}

void line::glue(IOsharemem_server& link) {
  if (!registry.busy_position(310, 470) || !on(out::DEPOSE)) {
    link.setreset_input(in::colle, 0);
    return;
  }
  std::vector<movepart*> parts = main_belt.part_list();
  for (movepart* w : parts) {
    if (w->actual_first_xpos() <= 309 && w->actual_last_xpos() >= 311 && !w->part_have_link() &&
        new_glue_bead(*w)) {
      link.setreset_input(in::colle, 1);
      message("PREPARATION COLLE");
    }
  }
}

movepart* line::new_glue_bead(movepart& workpiece) {
  // Refused beads are reported once, not every turn that DEPOSE stays on.
  if (!registry.has_room()) {
    if (!glue_refused) room_for("cordon de colle");
    glue_refused = true;
    return nullptr;
  }
  glue_refused = false;
  auto* bead = new movepart(registry, window, background());
  bead->add(workpiece.actual_first_xpos() + 5, 327, 40, 3, FL_GREEN);
  workpiece.link(bead);
  bead->draw();
  return bead;
}

void line::move_and_draw() {
  draw_part_support(325, 150, 50, 200);
  for (movepart* lid : lid_stack) lid->draw();
  rail.draw();
  dessine_encolleur(300, 295);
  pusher.react();
  pusher.draw();
  pusher.partdraw();
  cup_jack.react();
  cup_jack.draw();
  cup_jack.partdraw();
  press_jack.react();
  press_jack.draw();
  press_jack.partdraw();
  feed_belt.react();
  main_belt.react();
  main_belt.draw();
  feed_belt.draw();
  for (station* s : {&station1, &station2, &station3}) s->move_and_draw();
}

void line::new_workpiece() {
  if (registry.busy_position(69, 480) || registry.busy_position(109, 480)) return;
  if (!room_for("piece")) return;
  auto* w = new movepart(registry, window, background());
  w->add(50, 330, 50, 40, FL_YELLOW);  // side view on the rail
  w->add(50, 445, 50, 50, FL_YELLOW);  // top view on the feed belt
  feed_belt.add_ppart(w);
  w->draw();
}

void line::new_lid() {
  if (registry.busy_position(301, 59)) return;
  if (!room_for("couvercle")) return;
  auto* lid = new movepart;
  lid->define(registry, window, background());
  lid->add(301, 50, 48, 10, FL_RED);
  lid_stack.push_back(lid);
  lid->draw();
}

void line::report_jacks_driven_both_ways() {
  static constexpr int pairs[][2] = {{out::SORT, out::RENT}, {out::DESV, out::MONV},
                                     {out::DESP, out::MONP}};
  for (const auto& pair : pairs)
    if (on(pair[0]) && on(pair[1])) observer->jack_driven_both_ways(pair[0], pair[1]);
}

bool line::room_for(const char* what) {
  if (registry.has_room()) return true;
  std::cerr << "trop de pieces en jeu: " << what << " refuse" << std::endl;
  return false;
}
