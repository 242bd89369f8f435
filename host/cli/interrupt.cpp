#include "host/cli/interrupt.h"

#include <csignal>

namespace zvhost {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
  gInterrupted = 1;
  std::signal(SIGINT, SIG_DFL);  // the next Ctrl-C is the system's: the program ends
}

}  // namespace

InterruptWatch::InterruptWatch() {
  gInterrupted = 0;
  previous_ = std::signal(SIGINT, OnInterrupt);
}

InterruptWatch::~InterruptWatch() {
  std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_);
}

bool InterruptWatch::Interrupted() {
  return gInterrupted != 0;
}

}  // namespace zvhost
