// The simulator's messages are lines on std::cerr. While a run lasts, this
// stream buffer stands in for std::cerr's: it cuts what is written into
// lines, keeps each with the turn it was printed in and forwards it to the
// messages' destination. The process's file descriptor 2, which the
// controller inherits, is left as it is.
#pragma once

#include "runner/verdict.h"

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

class message_log : public std::streambuf {
 public:
  // Lines are forwarded to destination as they are completed.
  explicit message_log(std::ostream& destination);
  ~message_log() override;
  message_log(const message_log&) = delete;
  message_log& operator=(const message_log&) = delete;

  // The turn the next completed lines belong to.
  void set_turn(int turn) { current_turn = turn; }
  const std::vector<logged_message>& lines() const { return logged; }

  // Puts this buffer in std::cerr's place until restore() or destruction.
  void capture_cerr();
  void restore_cerr();

 protected:
  int overflow(int c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  void end_line();

  std::ostream& destination;
  std::string pending;
  std::vector<logged_message> logged;
  int current_turn = 0;
  std::streambuf* saved_cerr = nullptr;
};
