#include "iolink/IOshare_area.h"

#include <errno.h>
#include <pthread.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using lock_clock = std::chrono::steady_clock;

// Far beyond any legitimate holding, which lasts microseconds.
constexpr auto takeover_after = std::chrono::milliseconds(500);
// Waits are cut into 10 ms slices so that a vanished holder is noticed soon.
constexpr long wait_slice_ns = 10'000'000;

bool swap_if(int32_t& word, int32_t expected, int32_t desired) {
  return __atomic_compare_exchange_n(&word, &expected, desired, false, __ATOMIC_SEQ_CST,
                                     __ATOMIC_SEQ_CST);
}

// Not FUTEX_PRIVATE_FLAG: the word is shared with another process.
void futex_wait(int32_t& word, int32_t expected) {
  timespec slice{0, wait_slice_ns};
  syscall(SYS_futex, &word, FUTEX_WAIT, expected, &slice, nullptr, 0);
}

void futex_wake_one(int32_t& word) {
  syscall(SYS_futex, &word, FUTEX_WAKE, 1, nullptr, nullptr, 0);
}

// getpid() is a system call, and the lock asks for it twice per holding,
// dozens of times a turn: keep it, and forget it in a forked child.
int32_t cached_pid = 0;

void forget_pid() { cached_pid = 0; }

int32_t own_pid() {
  static const bool watching_forks = pthread_atfork(nullptr, nullptr, forget_pid) == 0;
  if (cached_pid == 0 || !watching_forks) cached_pid = getpid();
  return cached_pid;
}

// A dead process that its parent has not reaped yet is a zombie: kill(pid, 0)
// still succeeds on it, but it will never give the lock back.
bool process_is_dead(int32_t pid) {
  char path[32];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  std::ifstream stat(path);
  std::string line;
  if (!std::getline(stat, line)) return false;  // no /proc: trust kill() alone
  // The state follows the command name, which is in parentheses and may
  // itself hold blanks or parentheses.
  std::size_t after_name = line.rfind(')');
  if (after_name == std::string::npos || after_name + 2 >= line.size()) return false;
  char state = line[after_name + 2];
  return state == 'Z' || state == 'X';
}

bool process_gone(int32_t pid) {
  if (pid <= 0) return false;
  if (kill(pid, 0) == -1) return errno == ESRCH;
  return process_is_dead(pid);
}

}  // namespace

void shared_word_wait(int32_t& word, int32_t expected, long timeout_us) {
  timespec limit{timeout_us / 1'000'000, (timeout_us % 1'000'000) * 1000};
  syscall(SYS_futex, &word, FUTEX_WAIT, expected, &limit, nullptr, 0);
}

void shared_word_wake(int32_t& word) {
  syscall(SYS_futex, &word, FUTEX_WAKE, INT32_MAX, nullptr, nullptr, 0);
}

int32_t wait_for_change(int32_t& word, int32_t seen, int timeout_us) {
  const auto deadline = lock_clock::now() + std::chrono::microseconds(timeout_us);
  for (;;) {
    const int32_t value = load_shared(word);
    if (value != seen) return value;
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - lock_clock::now());
    if (left.count() <= 0) return value;
    shared_word_wait(word, value, long(left.count()));
  }
}

void IOshare_lock::init_taken() {
  store_shared(waiters, 0);
  store_shared(turn, 0);
  store_shared(holder, own_pid());
  store_shared(word, 0);
}

void IOshare_lock::lock() {
  const int32_t self = own_pid();
  int32_t seen_turn = load_shared(turn);
  auto since = lock_clock::now();
  for (;;) {
    if (swap_if(word, 1, 0)) {
      __atomic_fetch_add(&turn, 1, __ATOMIC_SEQ_CST);
      store_shared(holder, self);
      return;
    }
    const int32_t current_turn = load_shared(turn);
    if (current_turn != seen_turn) {  // the lock changed hands: a new holding
      seen_turn = current_turn;
      since = lock_clock::now();
    }
    const bool gone = process_gone(load_shared(holder));
    if (gone || lock_clock::now() - since >= takeover_after) {
      // Only one waiter wins the takeover of this holding.
      if (swap_if(turn, current_turn, current_turn + 1)) {
        store_shared(holder, self);
        // Through stdio: a run that keeps the simulator's own messages from
        // std::cerr must not take this one for one of them.
        std::fputs(gone ? "IOshare: verrou repris, detenteur disparu\n"
                        : "IOshare: verrou repris apres attente\n",
                   stderr);
        return;
      }
      continue;
    }
    __atomic_fetch_add(&waiters, 1, __ATOMIC_SEQ_CST);
    futex_wait(word, 0);
    __atomic_fetch_sub(&waiters, 1, __ATOMIC_SEQ_CST);
  }
}

void IOshare_lock::unlock() {
  // A holder that has been overtaken must not free its successor's lock.
  if (!swap_if(holder, own_pid(), 0)) return;
  __atomic_store_n(&word, 1, __ATOMIC_SEQ_CST);
  if (__atomic_load_n(&waiters, __ATOMIC_SEQ_CST) > 0) futex_wake_one(word);
}
