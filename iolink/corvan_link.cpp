#include "iolink/corvan_link.h"

#include <sys/shm.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "iolink/IOsharemem_client.h"

struct corvan_link {
  explicit corvan_link(int ident) : client(ident) {}
  // input_is_set only reads its copy but is not declared const.
  mutable IOsharemem_client client;
};

namespace {

// The client ends the process when it cannot attach, so everything that
// could make it fail is tried here first.
bool area_usable(int ident) {
  shmid_ds state;
  if (shmctl(ident, IPC_STAT, &state) == -1) {
    std::fprintf(stderr,
                 "corvan_link_open: no exchange area %d (%s): start the controller from corvan\n",
                 ident, std::strerror(errno));
    return false;
  }
  if (state.shm_segsz < sizeof(IOshare_area)) {
    std::fprintf(stderr, "corvan_link_open: segment %d is too small for an exchange area\n", ident);
    return false;
  }
  void* trial = shmat(ident, nullptr, 0);
  if (trial == reinterpret_cast<void*>(-1)) {
    std::fprintf(stderr, "corvan_link_open: cannot attach exchange area %d (%s)\n", ident,
                 std::strerror(errno));
    return false;
  }
  shmdt(trial);
  return true;
}

}  // namespace

extern "C" {

int corvan_automemlink(int argc, char** argv) { return automemlink_ident(argc, argv); }

corvan_link* corvan_link_open(int argc, char** argv) {
  const int ident = automemlink_ident(argc, argv);
  if (ident == -1) {
    std::fputs("corvan_link_open: no valid \"-automemlink <identifier>\" among the arguments\n",
               stderr);
    return nullptr;
  }
  if (!area_usable(ident)) return nullptr;
  try {
    return new corvan_link(ident);
  } catch (const std::bad_alloc&) {
    std::fputs("corvan_link_open: out of memory\n", stderr);
    return nullptr;
  }
}

int corvan_link_receive(corvan_link* link) { return link ? link->client.receive() : -1; }

int corvan_link_input(const corvan_link* link, const char* name) {
  return link && name ? link->client.input_is_set(name) : 0;
}

void corvan_link_set_output(corvan_link* link, const char* name, int value) {
  if (link && name) link->client.setreset_output(name, value);
}

void corvan_link_refresh(corvan_link* link) {
  if (link) link->client.outputs_refresh();
}

void corvan_link_close(corvan_link* link) { delete link; }

}
