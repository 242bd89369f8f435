// Ctrl-C during "run": the signal handler only notes it, since a flag is all a handler may
// safely touch; the run looks between steps and stops in order (transcript, summary, report).
// A second Ctrl-C ends the program at once, for a module that does not return.
#pragma once

namespace zvhost {

class InterruptWatch {
 public:
  InterruptWatch();   // catches SIGINT from now on; no interrupt noted yet
  ~InterruptWatch();  // gives SIGINT back to the handler that was there before
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  static bool Interrupted();  // a Ctrl-C came since the watch began

 private:
  void (*previous_)(int);
};

}  // namespace zvhost
