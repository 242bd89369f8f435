// The scenario parser on a person's file: any text either parses or is refused with a
// diagnostic that names the file and a line of it; nothing else may escape (an exception of
// another kind would end the host program). A text that parses has as many steps as the
// checker counts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <typeinfo>

#include "fuzz/fuzz_support.h"
#include "host/scenario/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string file = "fuzz.scn";
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  try {
    size_t steps = zvhost::ParseScenario(text, file).size();
    Check(zvhost::CheckScenario(text, file) == steps);
  } catch (const zvhost::ScenarioError& e) {
    Check(e.file == file && e.line >= 1 && static_cast<size_t>(e.line) <= lines);
    Check(std::string(e.what()).rfind(file + ":" + std::to_string(e.line) + ":", 0) == 0);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "the parser let a %s escape: %s\n", typeid(e).name(), e.what());
    std::abort();
  }
  return 0;
}
