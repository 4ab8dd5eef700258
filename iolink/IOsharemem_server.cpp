#include "iolink/IOsharemem_server.h"

#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

int new_segment() {
  return shmget(IPC_PRIVATE, area_segment_size, 0600);
}

// The controller side rejects identifier 0, which the first segment of a
// fresh system gets: keep that one until another exists, then drop it.
int create_segment() {
  int ident = new_segment();
  if (ident == 0) {
    ident = new_segment();
    shmctl(0, IPC_RMID, nullptr);
  }
  return ident;
}

[[noreturn]] void fail(int ident) {
  if (ident != -1) shmctl(ident, IPC_RMID, nullptr);
  std::cerr << "IOshare: erreur sur partage memoire" << std::endl
            << "shmat() serveur refuse pour ident mem=" << ident << std::endl
            << std::endl;
  std::exit(1);
}

// At most 41 signals, names cut to 49 characters; the new segment is
// zero-filled, so the rest of each slot is already NUL.
int fill_direction(const std::list<std::string>& names, int32_t* values,
                   char (*slots)[area_name_size]) {
  int count = 0;
  for (const auto& name : names) {
    if (count == area_name_slots) break;
    store_shared(values[count], 0);
    std::size_t length = std::min(name.size(), std::size_t(area_name_size - 1));
    std::memcpy(slots[count], name.data(), length);
    slots[count][length] = '\0';
    ++count;
  }
  return count;
}

}  // namespace

IOsharemem_server::IOsharemem_server(std::list<std::string>& inputs,
                                     std::list<std::string>& outputs) {
  mem_ident = create_segment();
  if (mem_ident == -1) fail(mem_ident);
  void* attached = shmat(mem_ident, nullptr, 0);
  if (attached == reinterpret_cast<void*>(-1)) fail(mem_ident);
  // Marked for removal at once: the segment vanishes when the last of the
  // two processes detaches or dies, while Linux still lets the controller
  // attach by identifier in the meantime.
  shmctl(mem_ident, IPC_RMID, nullptr);
  area = static_cast<IOshare_area*>(attached);

  area->lock.init_taken();
  store_shared(area->input_count,
               fill_direction(inputs, area->input_values, area->input_names));
  store_shared(area->output_count,
               fill_direction(outputs, area->output_values, area->output_names));
  store_shared(area->inputs_clock, 0);
  area->lock.unlock();
}

IOsharemem_server::~IOsharemem_server() { shmdt(area); }

int IOsharemem_server::memory_ident() { return mem_ident; }

void IOsharemem_server::setreset_input(int index, int value) {
  if (index < 0 || index >= stored_count(area->input_count)) return;
  area_guard hold(area->lock);
  store_shared(area->input_values[index], value);
}

// Only the simulator writes this counter; waiting controllers and tools are
// woken at once (a controller that does not wait is not slowed).
void IOsharemem_server::inputs_go() {
  store_shared(area->inputs_clock, next_clock(load_shared(area->inputs_clock)));
  shared_word_wake(area->inputs_clock);
}

int IOsharemem_server::output_value(int index) {
  if (index < 0 || index >= stored_count(area->output_count)) return 0;
  return load_shared(area->output_values[index]);
}

int IOsharemem_server::input_value(int index) {
  if (index < 0 || index >= stored_count(area->input_count)) return 0;
  return load_shared(area->input_values[index]);
}

int IOsharemem_server::get_outputs_clock() {
  area_guard hold(area->lock);
  return load_shared(area->outputs_clock);
}

bool IOsharemem_server::wait_for_outputs(int32_t seen_clock, int timeout_us) {
  return wait_for_change(area->outputs_clock, seen_clock, timeout_us) != seen_clock;
}

void IOsharemem_server::sharing_terminate() {
  store_shared(area->inputs_clock, -1);
  shared_word_wake(area->inputs_clock);
}
