#include "iolink/corvan_link.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "iolink/IOsharemem_client.h"
#include "iolink/signals.h"

struct corvan_link {
  std::unique_ptr<IOsharemem_client> client;
};

namespace {

constexpr int signal_count = input_signal_count + output_signal_count;

// Opening a link restarts the area's count of finished cycles: a second
// link in one process would hide the first one's cycles from the simulator.
std::atomic<bool> link_in_use{false};

corvan_link* open_attached(int ident) {
  std::string why;
  std::unique_ptr<IOsharemem_client> client = IOsharemem_client::attach(ident, why);
  if (!client) {
    std::fprintf(stderr, "corvan_link_open: %s\n", why.c_str());
    return nullptr;
  }
  return new corvan_link{std::move(client)};
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
  if (link_in_use.exchange(true)) {
    std::fputs("corvan_link_open: a link is already open in this process\n", stderr);
    errno = EBUSY;
    return nullptr;
  }
  corvan_link* link = nullptr;
  try {
    link = open_attached(ident);
  } catch (const std::bad_alloc&) {
    std::fputs("corvan_link_open: out of memory\n", stderr);
  }
  if (link == nullptr) link_in_use = false;
  return link;
}

int corvan_link_receive(corvan_link* link) { return link ? link->client->receive() : -1; }

int corvan_link_turn(const corvan_link* link) { return link ? link->client->turn() : -1; }

int corvan_link_input(const corvan_link* link, const char* name) {
  if (!link || !name || !link->client->has_input(name)) return -1;
  return link->client->input_is_set(name);
}

int corvan_link_set_output(corvan_link* link, const char* name, int value) {
  if (!link || !name || !link->client->has_output(name)) return -1;
  link->client->setreset_output(name, value);
  return 0;
}

void corvan_link_refresh(corvan_link* link) {
  if (link) link->client->outputs_refresh();
}

void corvan_link_close(corvan_link* link) {
  if (link == nullptr) return;
  delete link;
  link_in_use = false;
}

int corvan_link_signal_index(const char* name) {
  if (name == nullptr) return -1;
  for (int row = 0; row < signal_count; ++row)
    if (std::strcmp(table_signaux[row], name) == 0) return row;
  return -1;
}

const char* corvan_link_signal_name(int index) {
  return index >= 0 && index < signal_count ? table_signaux[index] : nullptr;
}

}
