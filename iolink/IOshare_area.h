// The exchange area shared by the simulator and the controller: one System V
// segment of 4533 bytes whose every offset is fixed, since the two sides are
// separate programs.
#pragma once

#include <cstddef>
#include <climits>
#include <cstdint>
#include <mutex>

constexpr int area_value_slots = 50;
constexpr int area_name_slots = 41;  // so one direction holds at most 41 signals
constexpr int area_name_size = 50;   // 49 characters and the NUL
constexpr std::size_t area_segment_size = 4533;  // the struct and one spare byte

// A process-shared binary lock in the 16 bytes the layout reserves for it.
// A POSIX semaphore is 32 bytes on 64-bit Linux and its inside is glibc's
// own business, so the lock is a futex word of our own: `word` is 1 when
// free and 0 when taken, changed by atomic compare-and-swap; waiters sleep
// on it with non-private futex calls, since the word lives in memory mapped
// by two processes.
// A holder that is killed or stopped must not freeze the other side: a
// waiter takes the lock over at once when the recorded holder no longer
// exists or is dead and not yet reaped, and after 500 ms when one holding lasts that long (a legitimate
// holding lasts microseconds). `turn` counts acquisitions so that a long
// holding is told from many short ones. The takeover is a recovery, not
// exclusion: a stopped holder that resumes works unprotected, but its
// unlock no longer frees a lock that has changed hands.
struct IOshare_lock {
  int32_t word;     // 1 free, 0 taken
  int32_t waiters;  // processes sleeping on `word`: unlock wakes only when needed
  int32_t holder;   // pid of the holder, 0 when free
  int32_t turn;     // +1 at every acquisition or takeover

  // Leaves the lock taken by the calling process.
  void init_taken();
  void lock();
  void unlock();
};

struct IOshare_area {
  int32_t inputs_clock;   // 0 ready, +1 per publication, -1 ended; simulator only
  int32_t outputs_clock;  // 0 at attachment, +1 per refresh; controller only
  IOshare_lock lock;
  int32_t input_count;
  int32_t output_count;
  int32_t input_values[area_value_slots];
  int32_t output_values[area_value_slots];
  char input_names[area_name_slots][area_name_size];
  char output_names[area_name_slots][area_name_size];
};

static_assert(sizeof(IOshare_lock) == 16);
static_assert(offsetof(IOshare_area, inputs_clock) == 0);
static_assert(offsetof(IOshare_area, outputs_clock) == 4);
static_assert(offsetof(IOshare_area, lock) == 8);
static_assert(offsetof(IOshare_area, input_count) == 24);
static_assert(offsetof(IOshare_area, output_count) == 28);
static_assert(offsetof(IOshare_area, input_values) == 32);
static_assert(offsetof(IOshare_area, output_values) == 232);
static_assert(offsetof(IOshare_area, input_names) == 432);
static_assert(offsetof(IOshare_area, output_names) == 2482);
static_assert(sizeof(IOshare_area) == 4532);
static_assert(sizeof(IOshare_area) + 1 == area_segment_size);

using area_guard = std::lock_guard<IOshare_lock>;

// Shared words go through atomic accesses so that neither the compiler nor
// the CPU keeps a stale copy of what the other process writes.
inline int32_t load_shared(const int32_t& word) {
  return __atomic_load_n(&word, __ATOMIC_ACQUIRE);
}

inline void store_shared(int32_t& word, int32_t value) {
  __atomic_store_n(&word, value, __ATOMIC_RELEASE);
}

// The next value of a turn counter: after the largest it goes on at 1,
// since 0 means "nothing yet" and a negative value "ended".
inline int32_t next_clock(int32_t clock) { return clock == INT32_MAX ? 1 : clock + 1; }

// Sleeps while word still holds expected, at most timeout_us; returns early
// when woken. Non-private futex calls: the word is shared between processes.
void shared_word_wait(int32_t& word, int32_t expected, long timeout_us);
// Wakes every process waiting on the word.
void shared_word_wake(int32_t& word);
// Waits at most timeout_us for the word to differ from seen; returns the
// value it holds then (seen after a timeout).
int32_t wait_for_change(int32_t& word, int32_t seen, int timeout_us);

// A signal count read from the area, cut to what the area can hold, so that
// a damaged count never leads past a slot.
inline int stored_count(const int32_t& count) {
  int32_t n = load_shared(count);
  return n < 0 ? 0 : n > area_name_slots ? area_name_slots : n;
}
