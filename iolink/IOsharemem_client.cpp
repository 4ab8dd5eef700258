#include "iolink/IOsharemem_client.h"

#include <errno.h>
#include <signal.h>
#include <sys/shm.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

constexpr useconds_t poll_pause_us = 10000;
// Looking for a dead simulator costs a system call or two: about once a
// second is enough for a controller that would otherwise poll for ever.
constexpr auto look_interval = std::chrono::seconds(1);

[[noreturn]] void fail(const std::string& detail) {
  std::cerr << "IOshare: erreur sur partage memoire" << std::endl
            << detail << std::endl
            << std::endl;
  std::exit(1);
}

// Exact match; a damaged slot without its NUL is read no further than its end.
bool slot_holds(const char* slot, const std::string& name) {
  return name.size() == strnlen(slot, area_name_size) &&
         std::memcmp(slot, name.data(), name.size()) == 0;
}

IOshare_area* attach_or_end(int ident) {
  if (ident == 0) fail("ident_mem ==0 !");
  std::cerr << "ident_mem=" << ident << std::endl;
  void* attached = shmat(ident, nullptr, 0);
  if (attached == reinterpret_cast<void*>(-1))
    fail("shmat() client refuse pour ident mem=" + std::to_string(ident));
  return static_cast<IOshare_area*>(attached);
}

// Null with the reason in why; every check comes before the attachment, so
// that nothing is left attached on failure.
IOshare_area* attach_or_explain(int ident, std::string& why) {
  const std::string area_text = "exchange area " + std::to_string(ident);
  shmid_ds state;
  if (shmctl(ident, IPC_STAT, &state) == -1) {
    if (errno == EACCES || errno == EPERM)
      why = "cannot use " + area_text + " (" + std::strerror(errno) + "): it belongs to another user";
    else
      why = "no " + area_text + " (" + std::strerror(errno) + "): start the controller from corvan";
    return nullptr;
  }
  if (state.shm_segsz < sizeof(IOshare_area)) {
    why = "segment " + std::to_string(ident) + " is too small for an exchange area";
    return nullptr;
  }
  void* attached = shmat(ident, nullptr, 0);
  if (attached == reinterpret_cast<void*>(-1)) {
    why = "cannot attach " + area_text + " (" + std::strerror(errno) + ")";
    return nullptr;
  }
  std::cerr << "ident_mem=" << ident << std::endl;
  return static_cast<IOshare_area*>(attached);
}

}  // namespace

IOsharemem_client::IOsharemem_client(int ident) : IOsharemem_client(ident, attach_or_end(ident)) {}

std::unique_ptr<IOsharemem_client> IOsharemem_client::attach(int ident, std::string& why) {
  IOshare_area* attached = attach_or_explain(ident, why);
  if (attached == nullptr) return nullptr;
  return std::unique_ptr<IOsharemem_client>(new IOsharemem_client(ident, attached));
}

IOsharemem_client::IOsharemem_client(int ident, IOshare_area* attached)
    : area(attached), mem_ident(ident) {
  store_shared(area->outputs_clock, 0);
  input_count = stored_count(area->input_count);
  output_count = stored_count(area->output_count);
  last_clock = 0;
  inputs_copy.assign(input_count, 0);
  last_look = std::chrono::steady_clock::now();
  const char* step = std::getenv("CORVAN_LOCKSTEP");
  lockstep = step && std::string(step) == "1";
}

int IOsharemem_client::receive() {
  const int32_t clock = load_shared(area->inputs_clock);
  if (clock < 0) return -1;
  // The counter wraps to 1 after its largest value: any other value is new.
  if (clock == last_clock) {
    if (simulator_gone()) return -1;
    if (lockstep)
      wait_for_turn(poll_pause_us);
    else
      usleep(poll_pause_us);
    return 0;
  }
  area_guard hold(area->lock);
  last_clock = load_shared(area->inputs_clock);
  for (int i = 0; i < input_count; ++i) inputs_copy[i] = load_shared(area->input_values[i]);
  return 1;
}

int IOsharemem_client::input_is_set(const std::string& name) {
  int result = 0;
  for (int i = 0; i < input_count; ++i)
    if (slot_holds(area->input_names[i], name)) result = inputs_copy[i];
  return result;
}

void IOsharemem_client::setreset_output(const std::string& name, int value) {
  for (int i = 0; i < output_count; ++i)
    if (slot_holds(area->output_names[i], name)) store_shared(area->output_values[i], value);
}

bool IOsharemem_client::has_input(const std::string& name) const {
  for (int i = 0; i < input_count; ++i)
    if (slot_holds(area->input_names[i], name)) return true;
  return false;
}

bool IOsharemem_client::has_output(const std::string& name) const {
  for (int i = 0; i < output_count; ++i)
    if (slot_holds(area->output_names[i], name)) return true;
  return false;
}

bool IOsharemem_client::wait_for_turn(int timeout_us) {
  const int32_t clock = wait_for_change(area->inputs_clock, last_clock, timeout_us);
  return clock >= 0 && clock != last_clock;
}

void IOsharemem_client::outputs_refresh() {
  {
    area_guard hold(area->lock);
    store_shared(area->outputs_clock, next_clock(load_shared(area->outputs_clock)));
  }
  shared_word_wake(area->outputs_clock);
}

// The simulator stays attached until it dies; a dead one is detached even
// while it is a zombie, so fewer than two attachments tells it as well.
bool IOsharemem_client::simulator_gone() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_look < look_interval) return false;
  last_look = now;
  shmid_ds state;
  if (shmctl(mem_ident, IPC_STAT, &state) == -1) return errno == EINVAL || errno == EIDRM;
  return state.shm_nattch < 2 || (kill(state.shm_cpid, 0) == -1 && errno == ESRCH);
}

IOsharemem_client::~IOsharemem_client() { shmdt(area); }

namespace {

// Digits only: no sign, no blank, nothing after; 0 and overflow are -1.
int parse_ident(const char* text) {
  if (text == nullptr || *text == '\0') return -1;
  long long value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return -1;
    value = value * 10 + (*c - '0');
    if (value > INT_MAX) return -1;
  }
  return value == 0 ? -1 : static_cast<int>(value);
}

}  // namespace

int automemlink_ident(int argc, char** argv) {
  int ident = -1;
  if (argv == nullptr) return ident;
  for (int i = 1; i < argc && argv[i] != nullptr; ++i)
    if (std::strcmp(argv[i], "-automemlink") == 0) ident = i + 1 < argc ? parse_ident(argv[i + 1]) : -1;
  return ident;
}
