// The parent of zorvan-host check: reads the command line, runs each chosen check in a child of
// its own (a few at a time), turns what the child said (or how it ended) into one line, and
// writes the summary and the JUnit report.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include "host/binding/file_names.h"
#include "host/cli/check.h"
#include "host/cli/child_process.h"
#include "host/view/svg_page.h"

namespace zvhost {

namespace {

const char* kCheckUsage =
    "usage: zorvan-host check MODULE [options]   run the checks of a client module\n"
    "options:\n"
    "  --level N       1 to 5 (default 1): higher levels repeat on more pages, with\n"
    "                  random selections, and fail more of the host's calls\n"
    "  --only PATTERN  only the checks whose names match (* and ? as in file names;\n"
    "                  a group's name alone, such as binding, matches its checks);\n"
    "                  may be given again\n"
    "  --seed N        the random pages and selections of seed N (each run prints its\n"
    "                  seed)\n"
    "  --junit FILE    also write the results as a JUnit XML report\n"
    "  --jobs N        run N checks at a time (default: one per processor)\n"
    "  --list          the checks, one a line, with what each expects\n"
    "exit status: 0 every check that ran passed; 1 a check failed; 2 a usage error,\n"
    "a module file that cannot be read, an --only that matches no check, or a report\n"
    "that cannot be written\n";

struct CheckOptions {
  CheckSettings settings;
  std::vector<std::string> only;
  std::string junit;
  std::string one;  // the child's mode: this check alone, lines for the parent
  int jobs = 0;     // checks at a time; 0: one per processor
  bool seeded = false, list = false, help = false;
};

// A whole number from `low` to `high`.
bool Number(const std::string& s, long long low, long long high, long long* value) {
  if (s.empty() || s.size() > 12 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  *value = std::stoll(s);
  return *value >= low && *value <= high;
}

// The options; a usage error is said on `err` and gives false.
bool ParseOptions(const std::vector<std::string>& args, CheckOptions* o, const Output& err) {
  auto bad = [&err](const std::string& what) {
    err("zorvan-host check: " + what + "\n" + kCheckUsage);
    return false;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool valued =
        a == "--level" || a == "--only" || a == "--seed" || a == "--junit" || a == "--one" || a == "--jobs";
    if (valued && i + 1 >= args.size()) return bad(a + " needs a value");
    long long n = 0;
    if (a == "--help" || a == "-h") {
      o->help = true;
    } else if (a == "--list") {
      o->list = true;
    } else if (a == "--level") {
      if (!Number(args[++i], 1, 5, &n)) return bad("--level takes a level from 1 to 5, found '" + args[i] + "'");
      o->settings.level = static_cast<int>(n);
    } else if (a == "--seed") {
      if (!Number(args[++i], 0, UINT32_MAX, &n))
        return bad("--seed takes a whole number from 0 to 4294967295, found '" + args[i] + "'");
      o->settings.seed = static_cast<uint32_t>(n);
      o->seeded = true;
    } else if (a == "--jobs") {
      if (!Number(args[++i], 1, 64, &n)) return bad("--jobs takes a number from 1 to 64, found '" + args[i] + "'");
      o->jobs = static_cast<int>(n);
    } else if (a == "--only") {
      o->only.push_back(args[++i]);
    } else if (a == "--junit") {
      o->junit = args[++i];
    } else if (a == "--one") {
      o->one = args[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      return bad("unknown option '" + a + "'");
    } else if (o->settings.module.empty()) {
      o->settings.module = a;
    } else {
      return bad("one module at a time, found a second: '" + a + "'");
    }
  }
  if (o->settings.module.empty() && !o->help && !o->list) return bad("the module to check is missing");
  return true;
}

// File-name matching: * any run of characters, ? one character.
bool Glob(const char* p, const char* s) {
  if (*p == '\0') return *s == '\0';
  if (*p == '*') return Glob(p + 1, s) || (*s && Glob(p, s + 1));
  return *s && (*p == '?' || *p == *s) && Glob(p + 1, s + 1);
}

bool Chosen(const CheckOptions& o, const std::string& name) {
  if (o.only.empty()) return true;
  for (const std::string& pattern : o.only)
    if (Glob(pattern.c_str(), name.c_str()) || name.compare(0, pattern.size() + 1, pattern + ".") == 0) return true;
  return false;
}

// What a child said about its check, and how it ended.
struct Verdict {
  std::string name;
  bool passed = false;
  std::string message;  // the FAIL line's text, or the note of a check that had nothing to do
  std::string details;  // every failure and note, for the JUnit report
};

Verdict Judge(const std::string& name, const ChildResult& child) {
  Verdict v;
  v.name = name;
  std::vector<std::string> failures;
  std::string step, cause, event, call, done, empty;
  for (size_t start = 0; start < child.output.size();) {
    size_t nl = child.output.find('\n', start);
    const std::string line = child.output.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    start = nl == std::string::npos ? child.output.size() : nl + 1;
    const size_t space = line.find(' ');
    const std::string kind = line.substr(0, space), text = space == std::string::npos ? "" : line.substr(space + 1);
    if (kind == "@step") step = text;
    if (kind == "@fail") failures.push_back(text);
    if (kind == "@note" && text.compare(0, 7, "empty: ") == 0) empty = text.substr(7);
    if (kind == "@crash") cause = text;
    if (kind == "@event") event = text;
    if (kind == "@call") call = text;
    if (kind == "@done") done = text;
    if (kind == "@fail" || kind == "@note") v.details += text + "\n";
  }
  if (!child.started) {
    v.message = "the check could not be run: " + child.error;
  } else if (child.crashed || done.empty()) {
    const std::string how = child.crashed ? "crashed (" + (cause.empty() ? child.cause : cause) + ")"
                                          : "ended its process with status " + std::to_string(child.status);
    v.message = "expected the module to survive, found it " + how + " at step \"" + step + "\"" +
                (event.empty() ? "" : " in " + event) + (call.empty() ? "" : "; its last host call: " + call);
    v.details += v.message + "\n";
  } else if (!failures.empty()) {
    v.message = failures.front() +
                (failures.size() > 1 ? " (and " + std::to_string(failures.size() - 1) + " more failures)" : "");
  } else {
    v.passed = true;
    v.message = empty;
  }
  return v;
}

std::string JunitReport(const CheckOptions& o, const std::vector<Verdict>& verdicts) {
  size_t failed = 0;
  for (const Verdict& v : verdicts) failed += v.passed ? 0 : 1;
  const std::string counts =
      "tests=\"" + std::to_string(verdicts.size()) + "\" failures=\"" + std::to_string(failed) + "\"";
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"zorvan-host check\" " + counts +
                  ">\n  <testsuite name=\"" + XmlEscape(o.settings.module) + "\" " + counts +
                  " errors=\"0\" skipped=\"0\">\n    <properties>\n";
  const std::pair<const char*, std::string> properties[] = {{"module", o.settings.module},
                                                            {"level", std::to_string(o.settings.level)},
                                                            {"seed", std::to_string(o.settings.seed)}};
  for (const auto& p : properties)
    x += std::string("      <property name=\"") + p.first + "\" value=\"" + XmlEscape(p.second) + "\"/>\n";
  x += "    </properties>\n";
  for (const Verdict& v : verdicts) {
    const std::string group = v.name.substr(0, v.name.find('.'));
    x += "    <testcase classname=\"check." + XmlEscape(group) + "\" name=\"" + XmlEscape(v.name) + "\"";
    if (v.passed && v.details.empty()) {
      x += "/>\n";
      continue;
    }
    x += ">\n";
    if (!v.passed) x += "      <failure message=\"" + XmlEscape(v.message) + "\"/>\n";
    if (!v.details.empty()) x += "      <system-out>" + XmlEscape(v.details) + "</system-out>\n";
    x += "    </testcase>\n";
  }
  return x + "  </testsuite>\n</testsuites>\n";
}

bool WriteText(const std::string& path, const std::string& text, std::string* why) {
  errno = 0;
  std::FILE* f = OpenFile(path, "wb");
  bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  int e = errno;
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) *why = std::strerror(e ? e : EIO);
  return ok;
}

// The children of the chosen checks, a few at a time, each result kept until it is asked for:
// the lines come out in the table's order whatever order the children end in.
class ChildPool {
 public:
  ChildPool(const CheckOptions& o, const std::vector<const CheckRow*>& chosen, const std::string& seed)
      : results_(chosen.size()), ready_(chosen.size(), false) {
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    const size_t jobs = std::min<size_t>(o.jobs > 0 ? static_cast<size_t>(o.jobs) : processors, chosen.size());
    for (size_t j = 0; j < jobs; ++j)
      threads_.emplace_back([this, &o, &chosen, seed] {
        for (size_t i; (i = next_++) < chosen.size();) {
          ChildResult r = RunChild(ProgramPath(), {"check", o.settings.module, "--one", chosen[i]->name, "--level",
                                                   std::to_string(o.settings.level), "--seed", seed});
          std::lock_guard<std::mutex> lock(mutex_);
          results_[i] = std::move(r);
          ready_[i] = true;
          done_.notify_all();
        }
      });
  }
  ~ChildPool() {
    for (std::thread& t : threads_) t.join();
  }
  const ChildResult& Result(size_t i) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this, i] { return ready_[i]; });
    return results_[i];
  }

 private:
  std::vector<ChildResult> results_;
  std::vector<bool> ready_;
  std::atomic<size_t> next_{0};
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<std::thread> threads_;
};

std::string ListText() {
  std::string s;
  for (const CheckRow& row : CheckTable()) {
    std::string name = row.name;
    name.resize(std::max<size_t>(name.size() + 1, 28), ' ');
    s += name + row.what + "\n";
  }
  return s;
}

}  // namespace

int RunCheck(const std::vector<std::string>& args, const Output& out, const Output& err) {
  CheckOptions o;
  if (!ParseOptions(args, &o, err)) return 2;
  if (o.help) return out(kCheckUsage), 0;
  if (o.list) return out(ListText()), 0;
  if (!o.one.empty()) return RunOneCheck(o.settings, o.one);
  std::string why;
  if (std::FILE* f = OpenFile(o.settings.module, "rb")) {
    std::fclose(f);
  } else {
    err("error: cannot read " + o.settings.module + ": " + std::strerror(errno ? errno : ENOENT) + "\n");
    return 2;
  }
  std::vector<const CheckRow*> chosen;
  for (const CheckRow& row : CheckTable())
    if (Chosen(o, row.name)) chosen.push_back(&row);
  if (chosen.empty()) {
    std::string names;
    for (const CheckRow& row : CheckTable()) names += std::string(names.empty() ? "" : ", ") + row.name;
    err("zorvan-host check: --only " + o.only.front() + (o.only.size() > 1 ? " ..." : "") +
        " matches no check; the checks are " + names + "\n");
    return 2;
  }
  if (!o.junit.empty() && !WriteText(o.junit, "", &why)) {
    err("error: cannot write " + o.junit + ": " + why + "\n");
    return 2;
  }
  if (!o.seeded) o.settings.seed = std::random_device()();
  const std::string seed = std::to_string(o.settings.seed);
  out("module: " + o.settings.module + "\nlevel " + std::to_string(o.settings.level) + ", seed " + seed + " (--seed " +
      seed + " plays the same pages again)\n");
  std::vector<Verdict> verdicts;
  int failed = 0;
  ChildPool pool(o, chosen, seed);
  for (size_t i = 0; i < chosen.size(); ++i) {
    verdicts.push_back(Judge(chosen[i]->name, pool.Result(i)));
    const Verdict& v = verdicts.back();
    failed += v.passed ? 0 : 1;
    out(std::string(v.passed ? "PASS " : "FAIL ") + v.name + (v.passed ? "" : ": " + v.message) +
        (v.passed && !v.message.empty() ? " (" + v.message + ")" : "") + "\n");
  }
  out(std::to_string(verdicts.size() - failed) + " passed, " + std::to_string(failed) + " failed\n");
  if (!o.junit.empty() && !WriteText(o.junit, JunitReport(o, verdicts), &why)) {
    err("error: cannot write " + o.junit + ": " + why + "\n");
    return 2;
  }
  return failed ? 1 : 0;
}

}  // namespace zvhost
