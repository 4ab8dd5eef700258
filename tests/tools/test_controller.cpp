// A controller for tests and for trying the simulator by hand. It follows the
// turns and reports on the standard error stream every input that changes.
//
//   test_controller [--argv-file F] [--pid-file F] [--set NAME=V]... [--hold-lock] -automemlink <id>
//
//   --argv-file F   writes its own arguments to F, one per line, at start
//   --pid-file F    writes its process id to F
//   --set NAME=V    keeps output NAME at V
//   --hold-lock     takes the exchange area's lock and never gives it back
#include "iolink/IOshare_area.h"
#include "iolink/IOsharemem_client.h"
#include "iolink/signals.h"

#include <sys/shm.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

struct options {
  int ident = 0;
  std::string argv_file;
  std::string pid_file;
  std::vector<std::pair<std::string, int>> outputs;
  bool hold_lock = false;
};

options parse(int argc, char** argv) {
  options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-automemlink" && i + 1 < argc) {
      o.ident = std::atoi(argv[++i]);
    } else if (a == "--argv-file" && i + 1 < argc) {
      o.argv_file = argv[++i];
    } else if (a == "--pid-file" && i + 1 < argc) {
      o.pid_file = argv[++i];
    } else if (a == "--set" && i + 1 < argc) {
      std::string s = argv[++i];
      auto eq = s.find('=');
      if (eq != std::string::npos) o.outputs.emplace_back(s.substr(0, eq), std::atoi(s.c_str() + eq + 1));
    } else if (a == "--hold-lock") {
      o.hold_lock = true;
    }
  }
  return o;
}

void write_argv(const std::string& file, int argc, char** argv) {
  std::ofstream out(file);
  for (int i = 0; i < argc; ++i) out << argv[i] << '\n';
}

// Stands for a controller stopped by a debugger while it holds the lock.
void hold_lock_forever(int ident) {
  auto* area = static_cast<IOshare_area*>(shmat(ident, nullptr, 0));
  if (area == reinterpret_cast<void*>(-1)) return;
  area->lock.lock();
  std::cerr << "controleur: verrou pris" << std::endl;
  for (;;) pause();
}

}  // namespace

int main(int argc, char** argv) {
  options o = parse(argc, argv);
  if (!o.argv_file.empty()) write_argv(o.argv_file, argc, argv);
  if (!o.pid_file.empty()) std::ofstream(o.pid_file) << getpid() << '\n';
  IOsharemem_client client(o.ident);
  if (o.hold_lock) hold_lock_forever(o.ident);

  std::map<std::string, int> seen;
  int r;
  while ((r = client.receive()) >= 0) {
    if (r == 0) continue;
    for (const auto& name : input_name_list()) {
      int v = client.input_is_set(name);
      auto it = seen.find(name);
      if (it == seen.end() || it->second != v) {
        std::cerr << "controleur: " << name << "=" << v << std::endl;
        seen[name] = v;
      }
    }
    for (const auto& [name, value] : o.outputs) client.setreset_output(name, value);
    client.outputs_refresh();
  }
  std::cerr << "controleur: fin de l'echange" << std::endl;
  return 0;
}
