// The endpoint as the usual Modbus tools see it: mbpoll, a pymodbus client,
// and the example Python controller.
#include <gtest/gtest.h>

#include "modbus/modbus_endpoint.h"
#include "tests/modbus/modbus_client.h"
#include "tests/support/process.h"

#include <signal.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::string python = "/usr/bin/python3";

class Clients : public ::testing::Test {
 protected:
  run_result mbpoll(const std::vector<std::string>& args, const std::string& value = "") {
    return run_program(mbpoll_command(port, args, value), 20);
  }

  int port = free_port();
  modbus_endpoint server{"127.0.0.1", port, 0};
};

}  // namespace

TEST_F(Clients, MbpollReadsDiscreteInputsAndTheTurnRegisters) {
  std::array<int, 23> inputs{};
  inputs[17] = 1;  // dc
  server.publish(inputs, 0x10005, 200);
  run_result dc = mbpoll({"-t", "1", "-r", "17"});
  ASSERT_EQ(dc.status, 0) << dc.err;
  EXPECT_NE(dc.out.find("[17]: \t1\n"), std::string::npos) << dc.out;
  run_result turn = mbpoll({"-t", "3", "-r", "0", "-c", "3"});
  ASSERT_EQ(turn.status, 0) << turn.err;
  EXPECT_NE(turn.out.find("[0]: \t5\n[1]: \t1\n[2]: \t200\n"), std::string::npos) << turn.out;
}

TEST_F(Clients, MbpollWritesACoilTheSimulatorThenSees) {
  run_result r = mbpoll({"-t", "0", "-r", "4"}, "1");
  ASSERT_EQ(r.status, 0) << r.err;
  std::array<int, 14> expected{};
  expected[4] = 1;  // RENT
  EXPECT_EQ(server.outputs(), expected);
}

TEST_F(Clients, MbpollIsToldWhatTheMapDoesNotHold) {
  run_result past_inputs = mbpoll({"-t", "1", "-r", "23"});
  EXPECT_NE(past_inputs.status, 0);
  EXPECT_NE(past_inputs.err.find("Illegal data address"), std::string::npos) << past_inputs.err;
  run_result past_coils = mbpoll({"-t", "0", "-r", "14"}, "1");
  EXPECT_NE(past_coils.status, 0);
  EXPECT_NE(past_coils.err.find("Illegal data address"), std::string::npos) << past_coils.err;
  run_result holding = mbpoll({"-t", "4", "-r", "0"});
  EXPECT_NE(holding.status, 0);
  EXPECT_NE(holding.err.find("Illegal function"), std::string::npos) << holding.err;
}

TEST_F(Clients, PymodbusReadsWritesAndGetsTheStandardExceptionCodes) {
  std::array<int, 23> inputs{};
  inputs[9] = inputs[22] = 1;  // te, colle
  server.publish(inputs, 77, 0);
  std::string script =
      "from pymodbus.client import ModbusTcpClient\n"
      "c = ModbusTcpClient('127.0.0.1', port=" +
      std::to_string(port) +
      ")\n"
      "assert c.connect()\n"
      "bits = c.read_discrete_inputs(0, 23, slave=3).bits[:23]\n"
      "print(''.join(str(int(b)) for b in bits))\n"
      "print(c.read_input_registers(0, 2, slave=3).registers)\n"
      "print(c.write_coils(12, [True, True], slave=3).isError())\n"
      "print(c.read_discrete_inputs(20, 4, slave=3).exception_code)\n"
      "print(c.write_coil(14, True, slave=3).exception_code)\n"
      "print(c.read_holding_registers(0, 1, slave=3).exception_code)\n"
      "print(c.read_coils(12, 2, slave=3).bits[:2])\n";
  run_result r = run_program({python, "-c", script}, 30);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "00000000010000000000001\n"
            "[77, 0]\n"
            "False\n"
            "2\n"  // illegal data address
            "2\n"
            "1\n"  // illegal function
            "[True, True]\n");
  std::array<int, 14> expected{};
  expected[12] = expected[13] = 1;  // BZ3, TIMER10
  EXPECT_EQ(server.outputs(), expected);
}

// HMI and SCADA tools ask for the device identification on connecting:
// they are told it is not served, and go on reading as usual.
TEST_F(Clients, PymodbusAskingForTheDeviceIdentificationIsRefusedAndReadsOnAsUsual) {
  std::array<int, 23> inputs{};
  inputs[17] = 1;  // dc
  server.publish(inputs, 5, 0);
  std::string script =
      "from pymodbus.client import ModbusTcpClient\n"
      "from pymodbus.mei_message import ReadDeviceInformationRequest\n"
      "c = ModbusTcpClient('127.0.0.1', port=" +
      std::to_string(port) +
      ")\n"
      "assert c.connect()\n"
      "r = c.execute(ReadDeviceInformationRequest(unit=1))\n"
      "print(r.isError(), r.function_code, r.exception_code)\n"
      "r = c.diag_query_data(0x1234, slave=1)\n"
      "print(r.isError(), r.function_code, r.exception_code)\n"
      "print(c.read_discrete_inputs(17, 1, slave=1).bits[0])\n"
      "print(c.read_input_registers(0, 1, slave=1).registers)\n";
  run_result r = run_program({python, "-c", script}, 30);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "True 171 1\n"  // 0x2B | 0x80, illegal function
            "True 136 1\n"  // 0x08 | 0x80
            "True\n"
            "[5]\n");
}

namespace {

// The line as the controller would see it in the test below: the turn
// counter moves at each publication, as the simulator's does.
class fake_line {
 public:
  explicit fake_line(modbus_endpoint& e) : endpoint(e) {}
  void set(std::initializer_list<int> on, int value) {
    for (int i : on) inputs[i] = value;
  }
  void turn() { endpoint.publish(inputs, ++counter, 200); }

 private:
  modbus_endpoint& endpoint;
  std::array<int, 23> inputs{};
  uint32_t counter = 0;
};

enum { b1e = 1, b2e = 2, b3e = 4, te = 9, vh = 11, ph = 13, dc = 17, init = 21 };
enum { MTA = 1, RENT = 4, MONV = 7, MONP = 9 };

}  // namespace

TEST(PythonController, InitialisesTheLineStartsProductionAndEndsWithTheServer) {
  int port = free_port();
  auto server = std::make_unique<modbus_endpoint>("127.0.0.1", port, 0);
  std::string err_file = temp_path("modbus-controller-err");
  pid_t controller = spawn_program({python, source_file("examples/python/modbus_controller.py"),
                                    "127.0.0.1:" + std::to_string(port)},
                                   "", err_file);
  fake_line line(*server);
  auto said = [&](const std::string& text) {
    return wait_until(
        [&] {
          line.turn();
          return read_file(err_file).find(text) != std::string::npos;
        },
        20, 0.005);
  };

  line.set({init}, 1);
  EXPECT_TRUE(said("demo: initialisation\n")) << read_file(err_file);
  // Bring the line home: pusher in, cup up, press up.
  EXPECT_TRUE(wait_until(
      [&] {
        line.turn();
        auto o = server->outputs();
        return o[RENT] == 1 && o[MONV] == 1 && o[MONP] == 1 && o[MTA] == 0;
      },
      20, 0.005));
  line.set({init}, 0);
  line.set({te, vh, ph, b1e, b2e, b3e}, 1);
  EXPECT_TRUE(said("demo: ligne prete\n")) << read_file(err_file);
  line.set({dc}, 1);
  EXPECT_TRUE(said("demo: production\n")) << read_file(err_file);
  // Production: the feed belt brings the first workpiece.
  EXPECT_TRUE(wait_until(
      [&] {
        line.turn();
        return server->outputs()[MTA] == 1;
      },
      20, 0.005));

  // The run ends: the server goes, the controller follows.
  server.reset();
  int status = wait_for_exit(controller, 20);
  if (status == -1) {
    kill(controller, SIGKILL);
    wait_for_exit(controller, 10);
  }
  EXPECT_EQ(status, 0) << read_file(err_file);
  EXPECT_NE(read_file(err_file).find("modbus_controller: the link has ended"), std::string::npos);
  unlink(err_file.c_str());
}

TEST(PythonController, SaysSoWhenNoServerAnswers) {
  int port = free_port();
  run_result r = run_program({python, source_file("examples/python/modbus_controller.py"),
                              std::to_string(port), "--wait", "0.3"},
                             30);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "modbus_controller: no Modbus server at 127.0.0.1:" + std::to_string(port) + "\n");
}
