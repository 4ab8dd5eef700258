// What the line does that a checker of controllers wants to know: its own
// outcomes, taken from its state rather than from messages a controller
// could print too. The simulator registers nothing, so it prints and
// behaves exactly as it always has.
#pragma once

class line_observer {
 public:
  virtual ~line_observer() = default;
  // A workpiece leaves the end of the main belt, with or without its glue
  // bead, and with or without a lid on the bead.
  virtual void workpiece_left(bool bead, bool lid) = 0;
  // The cup lets a lid go, its top-left corner at (x, y); glued when it is
  // let go onto a workpiece that carries a bead.
  virtual void lid_let_go(int x, int y, bool glued) = 0;
  // A double-acting jack commanded both ways in one turn: the two outputs.
  virtual void jack_driven_both_ways(int output_one_way, int output_other_way) = 0;
};
