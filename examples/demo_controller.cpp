// Demonstration controller for the gluing line: the example to read first.
//
// The simulator starts it as  demo_controller -automemlink <id>  and it then
// runs one cycle per published turn: read every sensor, decide, write every
// actuator. Each station of the line has its own small state machine; the
// main loop only decides which of them may work, according to the operator's
// buttons:
//
//   INIT  brings the line to its initial position (pusher retracted, cup and
//         press up, stations open);
//   DC    starts production;
//   AC    finishes the workpieces already on the main belt, then stops;
//   ATU   cuts every output at once, until the next INIT.
//
// In production each workpiece goes from the feed belt to the main belt, is
// clamped and glued at station 1, gets a lid at station 2 (the pusher brings
// it from the magazine, the suction cup lays it), is pressed at station 3 and
// leaves at the end of the line. The main belt stops whenever a station holds
// a workpiece, so one workpiece may be glued while another gets its lid.
#include "iolink/IOsharemem_client.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

// ---------------------------------------------------------------- signals

// What the controller reads in one turn.
struct sensors {
  int b1e, b2e, b3e;     // station jacks both home
  int p1ok, p2ok, p3ok;  // a workpiece at station 1, 2, 3
  int pp;                // a workpiece at the entry of the main belt
  int te, ts;            // lid pusher in / out
  int vh, vb;            // suction cup up / down
  int ph, pb;            // press up / down
  int vide;              // the cup holds a lid
  int colle;             // the glue bead is laid
  int dc, ac, atu, init; // operator buttons
};

sensors read_sensors(IOsharemem_client& link) {
  sensors s;
  s.b1e = link.input_is_set("b1e");
  s.b2e = link.input_is_set("b2e");
  s.b3e = link.input_is_set("b3e");
  s.p1ok = link.input_is_set("p1ok");
  s.p2ok = link.input_is_set("p2ok");
  s.p3ok = link.input_is_set("p3ok");
  s.pp = link.input_is_set("pp");
  s.te = link.input_is_set("te");
  s.ts = link.input_is_set("ts");
  s.vh = link.input_is_set("vh");
  s.vb = link.input_is_set("vb");
  s.ph = link.input_is_set("ph");
  s.pb = link.input_is_set("pb");
  s.vide = link.input_is_set("vide");
  s.colle = link.input_is_set("colle");
  s.dc = link.input_is_set("dc");
  s.ac = link.input_is_set("ac");
  s.atu = link.input_is_set("atu");
  s.init = link.input_is_set("init");
  return s;
}

// What it writes back: everything is off unless a state machine turns it on
// in this cycle, so that an actuator never stays on by mistake.
struct actuators {
  int DEPOSE = 0, MTA = 0, MT = 0, ASPI = 0, RENT = 0, SORT = 0, DESV = 0, MONV = 0, DESP = 0,
      MONP = 0, BZ1 = 0, BZ2 = 0, BZ3 = 0;
};

void write_actuators(IOsharemem_client& link, const actuators& a) {
  link.setreset_output("DEPOSE", a.DEPOSE);
  link.setreset_output("MTA", a.MTA);
  link.setreset_output("MT", a.MT);
  link.setreset_output("ASPI", a.ASPI);
  link.setreset_output("RENT", a.RENT);
  link.setreset_output("SORT", a.SORT);
  link.setreset_output("DESV", a.DESV);
  link.setreset_output("MONV", a.MONV);
  link.setreset_output("DESP", a.DESP);
  link.setreset_output("MONP", a.MONP);
  link.setreset_output("BZ1", a.BZ1);
  link.setreset_output("BZ2", a.BZ2);
  link.setreset_output("BZ3", a.BZ3);
  link.outputs_refresh();
}

// A signal's change from one cycle to the next: +1 when it has just risen,
// -1 when it has just fallen, 0 otherwise.
class edge {
 public:
  int change(int value) {
    int c = value - last;
    last = value;
    return c;
  }

 private:
  int last = 0;
};

// A station jack pair closes on a workpiece after about 5 turns; a few more
// make sure both plates rest on it.
constexpr int clamp_cycles = 10;

// ------------------------------------------------------ station 1: glue

class glue_station {
 public:
  bool busy() const { return state != idle; }
  void start() { state = clamping, cycles = 0; }
  void reset() { state = idle; }

  // True in the cycle the glued workpiece is free to go.
  bool step(const sensors& s, actuators& a) {
    switch (state) {
      case idle:
        return false;
      case clamping:  // both jacks leave home and close on the workpiece
        a.BZ1 = 1;
        if (!s.b1e && ++cycles > clamp_cycles) state = gluing;
        return false;
      case gluing:  // the glue unit lays the bead
        a.BZ1 = 1;
        a.DEPOSE = 1;
        if (s.colle) state = opening;
        return false;
      case opening:  // the jacks return home on their springs
        if (s.b1e) state = idle;
        return state == idle;
    }
    return false;
  }

 private:
  enum { idle, clamping, gluing, opening } state = idle;
  int cycles = 0;
};

// ------------------------------------------------------- station 2: lid
//
// The cup is always fetching the next lid while no workpiece needs one:
//   load       pusher retracted under the magazine; the lowest lid drops
//              into the carrier's slot
//   push_out   the pusher brings the lid under the cup
//   cup_down   the cup comes down and sucks the lid
//   cup_up     and lifts it
//   push_back  the pusher goes back (and takes the next lid)
//   ready      the cup waits, lid held, for a glued workpiece
// then, with a workpiece clamped under it:
//   lay        the cup comes down onto the workpiece
//   let_go     suction off: the lid sticks to the glue
//   rise       the cup goes up empty, the station opens.

class lid_station {
 public:
  bool holds_workpiece() const { return piece_waiting; }
  void workpiece_arrived() { piece_waiting = true; }
  // After INIT: a lid already held is kept, not dropped.
  void reset() {
    state = holding() ? push_back : load;
    cycles = 0;
    piece_waiting = false;
  }
  bool holding() const { return state == cup_up || state == push_back || state == ready || state == lay; }

  // True in the cycle the lidded workpiece is free to go.
  bool step(const sensors& s, actuators& a) {
    a.BZ2 = piece_waiting;
    a.ASPI = holding() || state == cup_down;
    switch (state) {
      case load:
        a.RENT = 1;
        // The lid needs about 10 turns to drop into the slot.
        if (s.te && ++cycles > 20) state = push_out;
        break;
      case push_out:
        a.SORT = 1;
        if (s.ts) state = cup_down, cycles = 0;
        break;
      case cup_down:
        a.DESV = 1;
        if (s.vide) state = cup_up;
        // No lid came: the magazine is empty. Go up and try again.
        else if (++cycles > 150) state = retry;
        break;
      case retry:
        a.MONV = 1;
        if (s.vh) state = load, cycles = 0;
        break;
      case cup_up:
        a.MONV = 1;
        if (s.vh) state = push_back;
        break;
      case push_back:
        a.RENT = 1;
        if (s.te) state = ready;
        break;
      case ready:
        if (piece_waiting) state = lay;
        break;
      case lay:
        a.DESV = 1;
        if (s.vb) state = let_go, cycles = 0;
        break;
      case let_go:
        if (++cycles > 2) state = rise;
        break;
      case rise:
        a.MONV = 1;
        if (s.vh) state = opening, piece_waiting = false;
        break;
      case opening:
        if (s.b2e) {
          state = load, cycles = 0;
          return true;
        }
        break;
    }
    return false;
  }

 private:
  enum { load, push_out, cup_down, retry, cup_up, push_back, ready, lay, let_go, rise, opening };
  int state = load;
  int cycles = 0;
  bool piece_waiting = false;
};

// ----------------------------------------------------- station 3: press

class press_station {
 public:
  bool busy() const { return state != idle; }
  void start() { state = clamping, cycles = 0; }
  void reset() { state = idle; }

  bool step(const sensors& s, actuators& a) {
    switch (state) {
      case idle:
        return false;
      case clamping:
        a.BZ3 = 1;
        if (!s.b3e && ++cycles > clamp_cycles) state = pressing;
        return false;
      case pressing:
        a.BZ3 = 1;
        a.DESP = 1;
        if (s.pb) state = lifting;
        return false;
      case lifting:
        a.BZ3 = 1;
        a.MONP = 1;
        if (s.ph) state = opening;
        return false;
      case opening:
        if (s.b3e) state = idle;
        return state == idle;
    }
    return false;
  }

 private:
  enum { idle, clamping, pressing, lifting, opening } state = idle;
  int cycles = 0;
};

// ------------------------------------------------------------ the line

class gluing_line {
 public:
  void cycle(const sensors& s, actuators& a) {
    if (s.atu) {
      announce(emergency, "arret d'urgence: tout est coupe jusqu'a INIT");
      return;  // every output stays off
    }
    if (init_button.change(s.init) > 0) {
      announce(initialising, "initialisation");
      glue.reset();
      lid.reset();
      press.reset();
      glued = lidded = on_main_belt = drain = 0;
      entry_clear = true;
    }
    bool dc = dc_button.change(s.dc) > 0;
    bool ac = ac_button.change(s.ac) > 0;
    switch (mode) {
      case waiting_init:
      case emergency:
        return;
      case initialising:
        initialise(s, a);
        return;
      case stopped:
        if (dc) announce(production, "production");
        a.ASPI = lid.holding();  // never drop a lid
        return;
      case production:
      case stopping:
        if (ac && mode == production) announce(stopping, "fin du cycle en cours");
        if (dc && mode == stopping) announce(production, "production");
        produce(s, a);
        if (mode == stopping && on_main_belt == 0 && drain == 0) announce(stopped, "arret");
        return;
    }
  }

 private:
  enum mode_t { waiting_init, initialising, stopped, production, stopping, emergency };

  void announce(mode_t m, const char* text) {
    if (mode == m) return;
    mode = m;
    std::cerr << "demo: " << text << std::endl;
  }

  void initialise(const sensors& s, actuators& a) {
    a.RENT = 1;
    a.MONV = 1;
    a.MONP = 1;
    a.ASPI = lid.holding();
    if (s.te && s.vh && s.ph && s.b1e && s.b2e && s.b3e) announce(stopped, "ligne prete");
  }

  void produce(const sensors& s, actuators& a) {
    track_workpieces(s);
    if (glue.step(s, a)) ++glued;
    if (lid.step(s, a)) ++lidded;
    press.step(s, a);
    // The main belt moves only while no station holds a workpiece.
    bool holding = glue.busy() || lid.holds_workpiece() || press.busy();
    a.MT = !holding && (on_main_belt > 0 || drain > 0);
    if (a.MT && drain > 0) --drain;
    // One workpiece at a time onto the main belt, once the previous one
    // has reached station 1, so that each sensor sees them one by one.
    a.MTA = mode == production && !s.pp && entry_clear;
  }

  void track_workpieces(const sensors& s) {
    if (entry.change(s.pp) > 0) {
      ++on_main_belt;
      entry_clear = false;
    }
    if (station1.change(s.p1ok) > 0) {
      entry_clear = true;
      glue.start();
    }
    if (station2.change(s.p2ok) > 0 && glued > 0) {
      --glued;
      lid.workpiece_arrived();
    }
    int at3 = station3.change(s.p3ok);
    if (at3 > 0 && lidded > 0) {
      --lidded;
      press.start();
    }
    if (at3 < 0) {
      // Gone past station 3: it leaves the line a few pixels further on.
      --on_main_belt;
      drain = 150;
    }
  }

  mode_t mode = waiting_init;
  edge init_button, dc_button, ac_button;
  edge entry, station1, station2, station3;
  glue_station glue;
  lid_station lid;
  press_station press;
  int glued = 0;         // glued workpieces on their way to station 2
  int lidded = 0;        // lidded workpieces on their way to station 3
  int on_main_belt = 0;  // workpieces between the belt's entry and station 3
  int drain = 0;         // cycles the belt still runs to carry the last one out
  bool entry_clear = true;
};

int memory_ident(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "-automemlink") == 0) return std::atoi(argv[i + 1]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  IOsharemem_client link(memory_ident(argc, argv));
  gluing_line line;
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 0) continue;  // no new turn yet
    actuators a;
    line.cycle(read_sensors(link), a);
    write_actuators(link, a);
  }
  return 0;
}
