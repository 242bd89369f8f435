// Built into every test program and the host program of the sanitizer build, so that the
// checks hold however a test is started (ctest, a script, by hand). ASAN_OPTIONS and
// UBSAN_OPTIONS set in the environment still add to these.
extern "C" {

// Leaks (an event object never freed) and stack faults of one byte (a bounded copy that
// writes its terminator past the buffer) are failures; so are stack frames used after return.
const char* __asan_default_options() {
  return "detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:"
         "strict_string_checks=1:halt_on_error=1";
}

const char* __ubsan_default_options() {
  return "print_stacktrace=1:halt_on_error=1";
}
}
