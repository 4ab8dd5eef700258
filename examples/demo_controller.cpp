// Demonstration controller for the gluing line: the example to read first.
//
// The simulator starts it as  demo_controller -automemlink <id>  and it then
// runs one cycle per published turn: read every sensor, decide, write every
// actuator. Each station of the line has its own small state machine; the
// line above them only decides which of them may work, according to the
// operator's buttons:
//
//   INIT  brings the line to its initial position (pusher retracted, cup and
//         press up, stations open), then looks at the sensors to learn what
//         each station holds;
//   DC    starts production;
//   AC    finishes the workpieces already on the main belt, then stops;
//   ATU   cuts every output at once, until the next INIT.
//
// In production each workpiece goes from the feed belt to the main belt, is
// clamped and glued at station 1, gets a lid at station 2 (the pusher brings
// it from the magazine, the suction cup lays it), is pressed at station 3 and
// leaves at the end of the line. In production the main belt runs except
// while a station works on a workpiece, so one workpiece may be glued while
// another gets its lid.
//
// After an emergency stop (ATU) or a lid lost by the suction cup ("PV"), the
// operator clears the line with "interv." and then presses INIT: a lid that
// fell onto the rail would block the next workpiece. INIT trusts nothing the
// controller remembers from before: the state of every station comes from the
// sensors ("vide", the positions, "p1ok".."p3ok", "pp").
#include "iolink/IOsharemem_client.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <limits>

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
  int timer10t;          // 10 s since the timer was last restarted
  int dc, ac, atu, init; // operator buttons
  int32_t turn;          // the simulator's turn counter: its clock, 5 ms a turn
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
  s.timer10t = link.input_is_set("timer10t");
  s.dc = link.input_is_set("dc");
  s.ac = link.input_is_set("ac");
  s.atu = link.input_is_set("atu");
  s.init = link.input_is_set("init");
  s.turn = link.turn();
  return s;
}

// What it writes back: everything is off unless a state machine turns it on
// in this cycle, so that an actuator never stays on by mistake.
struct actuators {
  int DEPOSE = 0, MTA = 0, MT = 0, ASPI = 0, RENT = 0, SORT = 0, DESV = 0, MONV = 0, DESP = 0,
      MONP = 0, BZ1 = 0, BZ2 = 0, BZ3 = 0, TIMER10 = 0;
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
  link.setreset_output("TIMER10", a.TIMER10);
  link.outputs_refresh();
}

void say(const char* text) { std::cerr << "demo: " << text << std::endl; }

// A signal's change from one cycle to the next: +1 when it has just risen,
// -1 when it has just fallen, 0 otherwise.
class edge {
 public:
  int change(int value) {
    int c = value - last;
    last = value;
    return c;
  }
  void forget() { last = 0; }

 private:
  int last = 0;
};

// ------------------------------------------------------------ waiting
//
// Where no sensor tells that something is done, the controller waits a time.
// It measures it on the simulator's clock (the turn counter, or the line's
// 10-second timer), never on its own: a run where turns go faster or slower
// than 5 ms then behaves the same.

// Turns from one reading of the counter to a later one; after its largest
// value the counter goes on at 1.
int32_t turns_between(int32_t from, int32_t to) {
  if (to >= from) return to - from;
  return (std::numeric_limits<int32_t>::max() - from) + to;
}

// A short wait counted in the simulator's turns. The outputs written in the
// first cycle of the wait are read by the simulator at the latest in the
// turn after the one the second cycle reads, so the count starts there.
class turn_wait {
 public:
  void restart() { cycles = 0; }
  // Called in every cycle of the wait, from the first.
  bool over(int32_t turn, int32_t turns) {
    if (++cycles == 2) origin = turn;
    return cycles >= 2 && turns_between(origin, turn) >= turns;
  }

 private:
  int cycles = 0;
  int32_t origin = 0;
};

// A wait of 10 s on the line's timer: TIMER10 restarts it, timer10t comes
// on 10 to 11 s later (the timer counts whole seconds). TIMER10 stays on
// until the simulator has surely read it; until then timer10t may still tell
// of an older start and is not looked at.
class ten_seconds {
 public:
  void restart() {
    hold.restart();
    started = false;
  }
  bool over(const sensors& s, actuators& a) {
    if (started) return s.timer10t;
    a.TIMER10 = 1;
    started = hold.over(s.turn, 2);
    return false;
  }

 private:
  turn_wait hold;
  bool started = false;
};

// ------------------------------------------------- workpieces on the belt
//
// No sensor tells what a workpiece carries, so the controller follows each
// one from station to station: a queue per stretch of belt between two
// sensors, in the order the workpieces ride on it. A workpiece that reaches
// a station when its queue is empty was on the belt before the last INIT:
// nothing is known of it.

enum class carries { unknown, nothing, glue, lid };

class stretch {
 public:
  void enter(carries c) { pieces.push_back(c); }
  carries leave() {
    if (pieces.empty()) return carries::unknown;
    carries c = pieces.front();
    pieces.pop_front();
    return c;
  }
  bool empty() const { return pieces.empty(); }
  void clear() { pieces.clear(); }

 private:
  std::deque<carries> pieces;
};

// ------------------------------------------------------ station 1: glue
//
// Every workpiece that stops here is glued; if it had its bead already
// (it was on the line before INIT), no new one is laid and "colle" stays off.

class glue_station {
 public:
  void reset() { state = idle; }
  // True while the workpiece must not move.
  bool working() const { return state == closing || state == gluing || state == opening; }
  bool occupied() const { return state != idle; }

  void step(const sensors& s, actuators& a, stretch& before, stretch& after) {
    switch (state) {
      case idle:
        if (s.p1ok) {
          before.leave();  // whatever is known of it, it is glued here
          state = closing;
        }
        break;
      case closing:  // both jacks leave home and close on the workpiece
        a.BZ1 = 1;
        if (!s.b1e) {
          state = gluing;
          bead_wait.restart();
        }
        break;
      case gluing:  // the glue unit lays the bead
        a.BZ1 = 1;
        a.DEPOSE = 1;
        // The line lays the bead in the turn that reads DEPOSE and says so
        // with the next one; 40 turns (0.2 s) without it: the workpiece had
        // one.
        if (s.colle) {
          state = opening;
        } else if (bead_wait.over(s.turn, 40)) {
          say("la piece en station 1 avait deja son cordon de colle");
          state = opening;
        }
        break;
      case opening:  // the jacks return home on their springs
        if (s.b1e) state = leaving;
        break;
      case leaving:  // the belt carries it on
        if (!s.p1ok) {
          after.enter(carries::glue);
          state = idle;
        }
        break;
    }
  }

 private:
  enum { idle, closing, gluing, opening, leaving } state = idle;
  turn_wait bead_wait;
};

// ------------------------------------------------------- station 2: lid
//
// The cup is always fetching the next lid while no workpiece needs one:
//   load       pusher retracted under the magazine
//   settle     the lowest lid drops into the carrier's slot
//   push_out   the pusher brings the lid under the cup
//   take       the cup comes down and sucks the lid
//   lift       and lifts it
//   stow       the pusher goes back (and takes the next lid)
//   ready      the cup waits, lid held, for a glued workpiece
// then, with a glued workpiece clamped under it:
//   lay        the cup comes down onto the workpiece
//   let_go     suction off: the lid sticks to the glue
//   rise       the cup goes up empty, the station opens.
// From take to lay "vide" must stay on; if it falls the lid is lost.

class lid_station {
 public:
  // After INIT, from the sensors: a lid held by the cup is kept.
  void reset(const sensors& s) {
    state = s.vide ? ready : load;
    piece = none;
  }
  bool holds_lid() const {
    return state == lift || state == stow || state == ready || state == lay;
  }
  bool lost_lid(const sensors& s) const { return holds_lid() && !s.vide; }
  bool working() const { return piece == to_lid; }
  bool occupied() const { return piece != none; }

  void step(const sensors& s, actuators& a, stretch& before, stretch& after) {
    watch_workpiece(s, before, after);
    a.ASPI = holds_lid() || state == take;
    switch (state) {
      case load:
        a.RENT = 1;
        if (s.te) {
          state = settle;
          drop_wait.restart();
        }
        break;
      case settle:
        // From the top of the carrier into its slot, a pixel a turn: at
        // most 10 turns; 30 leave a margin.
        if (drop_wait.over(s.turn, 30)) state = push_out;
        break;
      case push_out:
        a.SORT = 1;
        if (s.ts) {
          state = take;
          empty_wait.restart();
        }
        break;
      case take:
        a.DESV = 1;
        // The cup stops on the lid and never reaches its low stop: without
        // "vide" for 10 s the carrier came empty.
        if (s.vide) {
          state = lift;
          warned_empty = false;
        } else if (empty_wait.over(s, a)) {
          if (!warned_empty)
            say("pas de couvercle sous la ventouse: magasin vide (\"couvercle\" en ajoute) "
                "ou PV enfonce?");
          warned_empty = true;
          state = retry;
        }
        break;
      case retry:
        a.MONV = 1;
        if (s.vh) state = load;
        break;
      case lift:
        a.MONV = 1;
        if (s.vh) state = stow;
        break;
      case stow:
        a.RENT = 1;
        if (s.te) state = ready;
        break;
      case ready:
        if (piece == to_lid) state = lay;
        break;
      case lay:
        a.DESV = 1;
        if (s.vb) state = let_go;
        break;
      case let_go:
        if (!s.vide) state = rise;
        break;
      case rise:
        a.MONV = 1;
        if (s.vh) state = opening;
        break;
      case opening:
        if (s.b2e) {
          piece = lidded;
          state = load;
        }
        break;
    }
    // The station stays closed on the workpiece until its lid is laid.
    a.BZ2 = piece == to_lid && state != opening;
  }

 private:
  // The workpiece at the station: a glued one waits for its lid; any other
  // goes on as it came, since a lid laid without glue would fall off.
  void watch_workpiece(const sensors& s, stretch& before, stretch& after) {
    if (piece == none && s.p2ok) {
      carries c = before.leave();
      piece = c == carries::glue ? to_lid : passing;
      arrived_with = c;
      if (c == carries::unknown)
        say("piece en station 2 d'avant INIT: elle passe sans couvercle");
    }
    if ((piece == lidded || piece == passing) && !s.p2ok) {
      after.enter(piece == lidded ? carries::lid : arrived_with);
      piece = none;
    }
  }

  enum { load, settle, push_out, take, retry, lift, stow, ready, lay, let_go, rise, opening };
  int state = load;
  enum { none, to_lid, lidded, passing } piece = none;
  carries arrived_with = carries::unknown;
  turn_wait drop_wait;
  ten_seconds empty_wait;
  bool warned_empty = false;  // said once until a lid comes again
};

// ----------------------------------------------------- station 3: press
//
// Only a workpiece known to carry its lid is pressed.

class press_station {
 public:
  void reset() { state = idle; }
  bool working() const { return state != idle && state != leaving; }
  bool occupied() const { return state != idle; }

  // True in the cycle the workpiece has gone past the station.
  bool step(const sensors& s, actuators& a, stretch& before) {
    switch (state) {
      case idle:
        if (s.p3ok) {
          if (before.leave() == carries::lid) {
            state = closing;
          } else {
            say("piece en station 3 sans couvercle connu: elle passe sans pressage");
            state = leaving;
          }
        }
        break;
      case closing:
        a.BZ3 = 1;
        if (!s.b3e) state = pressing;
        break;
      case pressing:
        a.BZ3 = 1;
        a.DESP = 1;
        if (s.pb) state = lifting;
        break;
      case lifting:
        a.BZ3 = 1;
        a.MONP = 1;
        if (s.ph) state = opening;
        break;
      case opening:
        if (s.b3e) state = leaving;
        break;
      case leaving:
        if (!s.p3ok) {
          state = idle;
          return true;
        }
        break;
    }
    return false;
  }

 private:
  enum { idle, closing, pressing, lifting, opening, leaving } state = idle;
};

// ------------------------------------------------------------ the line

class gluing_line {
 public:
  void cycle(const sensors& s, actuators& a) {
    if (s.atu) {
      announce(emergency,
               "arret d'urgence: tout est coupe. Degager la ligne avec \"interv.\", puis INIT");
      return;  // every output stays off
    }
    if (init_button.change(s.init) > 0) announce(initialising, "initialisation");
    bool dc = dc_button.change(s.dc) > 0;
    bool ac = ac_button.change(s.ac) > 0;
    if (mode == stopped || mode == production || mode == stopping) watch_lid(s);
    switch (mode) {
      case waiting_init:
      case emergency:
      case lid_lost:
        return;  // every output stays off until INIT
      case initialising:
        initialise(s, a);
        return;
      case stopped:
        if (dc) announce(production, "production");
        a.ASPI = lid.holds_lid();  // never drop a lid
        return;
      case production:
      case stopping:
        if (ac && mode == production) announce(stopping, "fin du cycle en cours");
        if (dc && mode == stopping) announce(production, "production");
        produce(s, a);
        if (mode == stopping && empty()) announce(stopped, "arret");
        return;
    }
  }

 private:
  enum mode_t { waiting_init, initialising, stopped, production, stopping, emergency, lid_lost };

  void announce(mode_t m, const char* text) {
    if (mode == m) return;
    mode = m;
    say(text);
  }

  // "vide" falling while the cup carries a lid: suction failed, the lid
  // dropped wherever the cup was. Nothing moves on until the operator has
  // cleared the line.
  void watch_lid(const sensors& s) {
    if (!lid.lost_lid(s)) return;
    announce(lid_lost,
             "couvercle perdu par la ventouse (vide retombe): production arretee. Le couvercle "
             "tombe peut bloquer le tapis: relacher PV, degager la ligne avec \"interv.\", "
             "puis INIT");
  }

  // Everything home; the cup keeps a lid it holds. Then what each station
  // holds is read from the sensors, nothing is taken from before.
  void initialise(const sensors& s, actuators& a) {
    a.RENT = 1;
    a.MONV = 1;
    a.MONP = 1;
    a.ASPI = s.vide;
    if (!(s.te && s.vh && s.ph && s.b1e && s.b2e && s.b3e)) return;
    glue.reset();
    lid.reset(s);
    press.reset();
    for (stretch* st : {&to_station1, &to_station2, &to_station3}) st->clear();
    entry.forget();
    leaving_line = false;
    announce(stopped, "ligne prete");
    if (s.vide) say("la ventouse tient un couvercle: il sera pose");
    if (s.pp || s.p1ok) say("piece a l'entree ou en station 1: elle sera encollee");
  }

  void produce(const sensors& s, actuators& a) {
    // A workpiece is on the main belt from the turn it covers "pp".
    if (entry.change(s.pp) > 0) to_station1.enter(carries::nothing);
    glue.step(s, a, to_station1, to_station2);
    lid.step(s, a, to_station2, to_station3);
    if (press.step(s, a, to_station3)) {
      leaving_line = true;
      exit_wait.restart();
    }
    // Past station 3 a workpiece needs 20 pixels more to leave the line: 80
    // turns at 0.25 pixel a turn; no sensor sees it go.
    if (leaving_line && exit_wait.over(s.turn, 120)) leaving_line = false;
    // The main belt moves while no station works on a workpiece; when
    // stopping, only until the last one has left.
    bool held = glue.working() || lid.working() || press.working();
    a.MT = !held && (mode == production || !empty());
    // One workpiece at a time between the entry and station 1, so that each
    // sensor sees them one by one.
    a.MTA = mode == production && !s.pp && to_station1.empty();
  }

  bool empty() const {
    return to_station1.empty() && to_station2.empty() && to_station3.empty() && !leaving_line &&
           !glue.occupied() && !lid.occupied() && !press.occupied();
  }

  mode_t mode = waiting_init;
  edge init_button, dc_button, ac_button, entry;
  glue_station glue;
  lid_station lid;
  press_station press;
  stretch to_station1, to_station2, to_station3;
  turn_wait exit_wait;
  bool leaving_line = false;  // gone past station 3, still on the belt
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
    write_actuators(link, a);  // answers every turn it has read
  }
  return 0;
}
