#include "runner/message_log.h"

#include <iostream>

message_log::message_log(std::ostream& destination) : destination(destination) {}

message_log::~message_log() {
  // A last line without its newline is still a message.
  if (!pending.empty()) end_line();
  restore_cerr();
}

void message_log::capture_cerr() {
  if (!saved_cerr) saved_cerr = std::cerr.rdbuf(this);
}

void message_log::restore_cerr() {
  if (saved_cerr) std::cerr.rdbuf(saved_cerr);
  saved_cerr = nullptr;
}

int message_log::overflow(int c) {
  if (c == traits_type::eof()) return traits_type::not_eof(c);
  if (c == '\n')
    end_line();
  else
    pending += static_cast<char>(c);
  return c;
}

std::streamsize message_log::xsputn(const char* s, std::streamsize n) {
  for (std::streamsize i = 0; i < n; ++i) overflow(static_cast<unsigned char>(s[i]));
  return n;
}

int message_log::sync() {
  destination.flush();
  return 0;
}

void message_log::end_line() {
  logged.push_back({current_turn, pending});
  // Few lines a run: each is written at once, so that a run cut short
  // still leaves them.
  destination << pending << std::endl;
  pending.clear();
}
