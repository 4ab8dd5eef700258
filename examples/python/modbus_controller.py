#!/usr/bin/python3
"""Demonstration controller for the gluing line, over Modbus TCP.

The same controller as examples/demo_controller.cpp, written as a PLC program
would be: a scan loop that reads the discrete inputs, decides, and writes the
coils. It talks to corvan-monitor started with --modbus:

    corvan corvan-monitor --modbus 1502 &
    examples/python/modbus_controller.py 1502

The map: discrete inputs 0-22 are the 23 inputs, coils 0-13 the 14 outputs
(both in the order of the signal table), input registers 0-1 the simulator's
turn counter (low 16 bits first). One scan runs per new turn.

Buttons: INIT brings the line to its initial position, DC starts production,
AC finishes the workpieces on the main belt then stops, ATU cuts every output
until the next INIT. The messages are those of the C++ demonstration.
"""

import argparse
import logging
import sys
import time

from pymodbus.client import ModbusTcpClient
from pymodbus.exceptions import ModbusException

INPUTS = ["b1s", "b1e", "b2e", "b2s", "b3e", "b3s", "p1ok", "p2ok", "p3ok", "te", "ts", "vh",
          "vb", "ph", "pb", "pp", "vide", "dc", "ac", "atu", "timer10t", "init", "colle"]
OUTPUTS = ["DEPOSE", "MTA", "MT", "ASPI", "RENT", "SORT", "DESV", "MONV", "DESP", "MONP", "BZ1",
           "BZ2", "BZ3", "TIMER10"]

# A station jack pair closes on a workpiece after about 5 turns; a few more
# make sure both plates rest on it.
CLAMP_CYCLES = 10


class Sensors:
    """The inputs of one scan, as attributes named after the signal table."""

    def __init__(self, bits):
        for name, bit in zip(INPUTS, bits):
            setattr(self, name, int(bit))


class Actuators:
    """The outputs of one scan: everything is off unless a station turns it
    on in this scan, so that an actuator never stays on by mistake."""

    def __init__(self):
        for name in OUTPUTS:
            setattr(self, name, 0)

    def coils(self):
        return [bool(getattr(self, name)) for name in OUTPUTS]


class Edge:
    """+1 in the scan a signal rises, -1 in the scan it falls, 0 otherwise."""

    def __init__(self):
        self.last = 0

    def change(self, value):
        c = value - self.last
        self.last = value
        return c


class ClampingStation:
    """A station whose jack pair closes on the workpiece before it works:
    idle until started, then clamping, then the station's own states."""
    IDLE, CLAMPING = 0, 1

    def __init__(self):
        self.state = self.IDLE
        self.cycles = 0

    def busy(self):
        return self.state != self.IDLE

    def start(self):
        self.state, self.cycles = self.CLAMPING, 0

    def reset(self):
        self.state = self.IDLE

    def clamped(self, jacks_left_home):
        """One scan of clamping: True once both plates rest on the workpiece."""
        if jacks_left_home:
            self.cycles += 1
        return self.cycles > CLAMP_CYCLES


class GlueStation(ClampingStation):
    GLUING, OPENING = 2, 3

    def step(self, s, a):
        """True in the scan the glued workpiece is free to go."""
        if self.state == self.CLAMPING:  # both jacks leave home and close
            a.BZ1 = 1
            if self.clamped(not s.b1e):
                self.state = self.GLUING
        elif self.state == self.GLUING:  # the glue unit lays the bead
            a.BZ1 = 1
            a.DEPOSE = 1
            if s.colle:
                self.state = self.OPENING
        elif self.state == self.OPENING:  # the jacks return on their springs
            if s.b1e:
                self.state = self.IDLE
                return True
        return False


class LidStation:
    """The cup fetches the next lid while no workpiece needs one (load, push
    out, cup down, cup up, push back, ready), then lays it on a glued
    workpiece (lay, let go, rise) and the station opens."""

    (LOAD, PUSH_OUT, CUP_DOWN, RETRY, CUP_UP, PUSH_BACK, READY, LAY, LET_GO, RISE,
     OPENING) = range(11)

    def __init__(self):
        self.state = self.LOAD
        self.cycles = 0
        self.piece_waiting = False

    def holds_workpiece(self):
        return self.piece_waiting

    def workpiece_arrived(self):
        self.piece_waiting = True

    def reset(self):
        """After INIT: a lid already held is kept, not dropped."""
        self.state = self.PUSH_BACK if self.holding() else self.LOAD
        self.cycles = 0
        self.piece_waiting = False

    def holding(self):
        return self.state in (self.CUP_UP, self.PUSH_BACK, self.READY, self.LAY)

    def step(self, s, a):
        """True in the scan the lidded workpiece is free to go."""
        a.BZ2 = int(self.piece_waiting)
        a.ASPI = int(self.holding() or self.state == self.CUP_DOWN)
        st = self.state
        if st == self.LOAD:
            a.RENT = 1
            # The lid needs about 10 turns to drop into the slot.
            if s.te:
                self.cycles += 1
                if self.cycles > 20:
                    self.state = self.PUSH_OUT
        elif st == self.PUSH_OUT:
            a.SORT = 1
            if s.ts:
                self.state, self.cycles = self.CUP_DOWN, 0
        elif st == self.CUP_DOWN:
            a.DESV = 1
            if s.vide:
                self.state = self.CUP_UP
            else:
                # No lid came: the magazine is empty. Go up and try again.
                self.cycles += 1
                if self.cycles > 150:
                    self.state = self.RETRY
        elif st == self.RETRY:
            a.MONV = 1
            if s.vh:
                self.state, self.cycles = self.LOAD, 0
        elif st == self.CUP_UP:
            a.MONV = 1
            if s.vh:
                self.state = self.PUSH_BACK
        elif st == self.PUSH_BACK:
            a.RENT = 1
            if s.te:
                self.state = self.READY
        elif st == self.READY:
            if self.piece_waiting:
                self.state = self.LAY
        elif st == self.LAY:
            a.DESV = 1
            if s.vb:
                self.state, self.cycles = self.LET_GO, 0
        elif st == self.LET_GO:
            self.cycles += 1
            if self.cycles > 2:
                self.state = self.RISE
        elif st == self.RISE:
            a.MONV = 1
            if s.vh:
                self.state, self.piece_waiting = self.OPENING, False
        elif st == self.OPENING:
            if s.b2e:
                self.state, self.cycles = self.LOAD, 0
                return True
        return False


class PressStation(ClampingStation):
    PRESSING, LIFTING, OPENING = 2, 3, 4

    def step(self, s, a):
        if self.state == self.CLAMPING:
            a.BZ3 = 1
            if self.clamped(not s.b3e):
                self.state = self.PRESSING
        elif self.state == self.PRESSING:
            a.BZ3 = 1
            a.DESP = 1
            if s.pb:
                self.state = self.LIFTING
        elif self.state == self.LIFTING:
            a.BZ3 = 1
            a.MONP = 1
            if s.ph:
                self.state = self.OPENING
        elif self.state == self.OPENING:
            if s.b3e:
                self.state = self.IDLE
                return True
        return False


class GluingLine:
    WAITING_INIT, INITIALISING, STOPPED, PRODUCTION, STOPPING, EMERGENCY = range(6)

    def __init__(self):
        self.mode = self.WAITING_INIT
        self.init_button, self.dc_button, self.ac_button = Edge(), Edge(), Edge()
        self.entry, self.station1, self.station2, self.station3 = Edge(), Edge(), Edge(), Edge()
        self.glue, self.lid, self.press = GlueStation(), LidStation(), PressStation()
        self.glued = 0         # glued workpieces on their way to station 2
        self.lidded = 0        # lidded workpieces on their way to station 3
        self.on_main_belt = 0  # workpieces between the belt's entry and station 3
        self.drain = 0         # scans the belt still runs to carry the last one out
        self.entry_clear = True

    def announce(self, mode, text):
        if self.mode == mode:
            return
        self.mode = mode
        print("demo: " + text, file=sys.stderr, flush=True)

    def cycle(self, s, a):
        if s.atu:
            self.announce(self.EMERGENCY, "arret d'urgence: tout est coupe jusqu'a INIT")
            return  # every output stays off
        if self.init_button.change(s.init) > 0:
            self.announce(self.INITIALISING, "initialisation")
            self.glue.reset()
            self.lid.reset()
            self.press.reset()
            self.glued = self.lidded = self.on_main_belt = self.drain = 0
            self.entry_clear = True
        dc = self.dc_button.change(s.dc) > 0
        ac = self.ac_button.change(s.ac) > 0
        if self.mode in (self.WAITING_INIT, self.EMERGENCY):
            return
        if self.mode == self.INITIALISING:
            self.initialise(s, a)
        elif self.mode == self.STOPPED:
            if dc:
                self.announce(self.PRODUCTION, "production")
            a.ASPI = int(self.lid.holding())  # never drop a lid
        else:
            if ac and self.mode == self.PRODUCTION:
                self.announce(self.STOPPING, "fin du cycle en cours")
            if dc and self.mode == self.STOPPING:
                self.announce(self.PRODUCTION, "production")
            self.produce(s, a)
            if self.mode == self.STOPPING and self.on_main_belt == 0 and self.drain == 0:
                self.announce(self.STOPPED, "arret")

    def initialise(self, s, a):
        a.RENT = a.MONV = a.MONP = 1
        a.ASPI = int(self.lid.holding())
        if s.te and s.vh and s.ph and s.b1e and s.b2e and s.b3e:
            self.announce(self.STOPPED, "ligne prete")

    def produce(self, s, a):
        self.track_workpieces(s)
        if self.glue.step(s, a):
            self.glued += 1
        if self.lid.step(s, a):
            self.lidded += 1
        self.press.step(s, a)
        # The main belt moves only while no station holds a workpiece.
        holding = self.glue.busy() or self.lid.holds_workpiece() or self.press.busy()
        a.MT = int(not holding and (self.on_main_belt > 0 or self.drain > 0))
        if a.MT and self.drain > 0:
            self.drain -= 1
        # One workpiece at a time onto the main belt, once the previous one
        # has reached station 1, so that each sensor sees them one by one.
        a.MTA = int(self.mode == self.PRODUCTION and not s.pp and self.entry_clear)

    def track_workpieces(self, s):
        if self.entry.change(s.pp) > 0:
            self.on_main_belt += 1
            self.entry_clear = False
        if self.station1.change(s.p1ok) > 0:
            self.entry_clear = True
            self.glue.start()
        if self.station2.change(s.p2ok) > 0 and self.glued > 0:
            self.glued -= 1
            self.lid.workpiece_arrived()
        at3 = self.station3.change(s.p3ok)
        if at3 > 0 and self.lidded > 0:
            self.lidded -= 1
            self.press.start()
        if at3 < 0:
            # Gone past station 3: it leaves the line a few pixels further on.
            self.on_main_belt -= 1
            self.drain = 150


class LinkLost(Exception):
    pass


def checked(response):
    if response.isError():
        raise LinkLost(str(response))
    return response


def read_turn(client):
    low, high = checked(client.read_input_registers(0, 2, slave=1)).registers
    return high << 16 | low


def scan(client, line):
    s = Sensors(checked(client.read_discrete_inputs(0, len(INPUTS), slave=1)).bits)
    a = Actuators()
    line.cycle(s, a)
    checked(client.write_coils(0, a.coils(), slave=1))


def connect(host, port, patience_s):
    """The monitor may still be starting: try for a while."""
    client = ModbusTcpClient(host, port=port)
    deadline = time.monotonic() + patience_s
    # Refused connections are expected meanwhile: no log line for each.
    log = logging.getLogger("pymodbus")
    level = log.level
    log.setLevel(logging.CRITICAL)
    try:
        while not client.connect():
            if time.monotonic() > deadline:
                return None
            time.sleep(0.1)
    finally:
        log.setLevel(level)
    return client


def parse_address(arg):
    host, _, port = arg.rpartition(":")
    if not port.isdigit() or not 1 <= int(port) <= 65535:
        raise argparse.ArgumentTypeError("the port must be a number from 1 to 65535")
    return host or "127.0.0.1", int(port)


def main():
    parser = argparse.ArgumentParser(description="Gluing line controller over Modbus TCP.")
    parser.add_argument("address", type=parse_address, help="[HOST:]PORT of corvan-monitor --modbus")
    parser.add_argument("--wait", type=float, default=10, help="seconds to wait for the server")
    args = parser.parse_args()
    host, port = args.address
    client = connect(host, port, args.wait)
    if client is None:
        print(f"modbus_controller: no Modbus server at {host}:{port}", file=sys.stderr)
        return 1
    print(f"modbus_controller: connected to {host}:{port}", file=sys.stderr, flush=True)
    line = GluingLine()
    last_turn = None
    try:
        while True:
            turn = read_turn(client)
            if turn == last_turn:
                time.sleep(0.001)  # a turn lasts 5 ms
                continue
            last_turn = turn
            scan(client, line)
    except (LinkLost, ModbusException, OSError) as reason:
        # The usual end: the run is over and the server has gone away.
        print(f"modbus_controller: the link has ended ({reason})", file=sys.stderr)
    finally:
        client.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
