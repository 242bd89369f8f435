// A random "monkey" session: thousands of random steps through the reference host (pages built,
// selections made, any command or an invalid number chosen, prompts answered or cancelled,
// undos, documents closed, notifications with random codes and texts), with invariants checked
// after every step:
//   - every event answers as it should and the host sees no contract breach;
//   - no returned list is left unreleased, screen updates are on after every command;
//   - "Undo Operation" on a property snapshot puts back exactly the stored properties the object
//     had before the recorded command (and a second undo the ones before the first undo).
// At the end the binding is released: every reference is back and no list leaked.
//
// The whole call log (every host call with its arguments and results, every event) is folded
// into a digest, printed at the end: the same seed and length give the same digest on Linux
// and on the Win32 and Win64 DLLs (scripts/agreement.sh compares them). The client's clock is
// the host's virtual clock, so timing plays no part. Left out, as they differ legitimately between
// targets and runs: the addresses of the module handle, the root, held and event objects
// (arguments of F_ApiClientInit, RegisterClient and SetClientModule). ZORVAN_MONKEY_LOG=FILE
// writes the digested lines, to find the first difference.
//
// The seed and the length are fixed for CI; a longer run:
//   ZORVAN_MONKEY_STEPS=200000 ZORVAN_MONKEY_SEED=7 build/linux/bin/module_tests --gtest_filter='Monkey*'
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "tests/support/commands.h"
#include "tests/module/undo_tracker.h"

namespace {

using zvhost::Host;
using zvhost::HostOptions;
using zvhost::ObjectId;
namespace obj = zvhost::obj;
namespace prop = zvhost::prop;

#if defined(_WIN32)
constexpr uint64_t kDefaultSteps = 1500;
#else
constexpr uint64_t kDefaultSteps = 6000;
#endif

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

class Monkey {
 public:
  Monkey(Host& host, uint64_t seed) : host_(host), m_(host.model()), rng_(static_cast<uint32_t>(seed)) {}

  void Step() {
    uint32_t pick = Rand(100);
    if (pick < 6 || m_.Documents().empty())
      BuildPage();
    else if (pick < 30)
      Select();
    else if (pick < 62)
      RunCommand(static_cast<int32_t>(Cmd::First + Rand(Cmd::Count)));
    else if (pick < 66)
      RunCommand(InvalidNumber());
    else if (pick < 76)
      RunCommand(Cmd::UndoOperation);
    else if (pick < 78)
      CloseDocument();
    else if (pick < 81)
      SwitchDocument();
    else if (pick < 96)
      Notify();
    else
      OtherEvent();
    CheckAfterStep();
  }

  // Folds the log records not yet folded into the digest (before the log is cleared).
  void Fold() {
    for (const zvhost::CallRecord& record : host_.log().Records()) {
      if (record.seq <= folded_) continue;
      folded_ = record.seq;
      zvhost::CallRecord r = record;
      if (r.op == "F_ApiClientInit" || r.op == "RegisterClient" || r.op == "SetClientModule") r.args = "*";
      std::string line = r.ToString() + "\n";
      for (unsigned char c : line) digest = (digest ^ c) * 0x100000001B3ull;  // FNV-1a
      if (trace_) std::fputs(line.c_str(), trace_);
    }
  }
  void TraceTo(FILE* f) { trace_ = f; }

  uint64_t undoChecks() const { return undo_.checks(); }
  uint64_t commands = 0;
  uint64_t digest = 0xCBF29CE484222325ull;

 private:
  uint32_t Rand(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }
  // A length in points; now and then one at the ends of the metric range, where sums and
  // scalings overflow 32 bits.
  double Length(double lo, double hi) {
    if (Rand(40) == 0) return Rand(2) ? 32767.99 : -32768;
    return lo + (hi - lo) * (rng_() % 1000) / 1000.0;
  }
  template <typename T>
  T Any(const std::vector<T>& v) {
    return v[Rand(static_cast<uint32_t>(v.size()))];
  }

  ObjectId Doc() const { return m_.ActiveDocument(); }
  std::vector<ObjectId> Of(ObjectId doc, bool (*keep)(int type)) const {
    std::vector<ObjectId> out;
    for (ObjectId id : m_.ObjectsOf(doc))
      if (keep(static_cast<int>(id >> 24))) out.push_back(id);
    return out;
  }
  static bool IsGraphic(int t) { return (t >= 9 && t <= 21) || t == 23; }
  static bool IsFrame(int t) { return t == obj::UnanchoredFrame || t == obj::AnchoredFrame; }
  static bool IsParagraph(int t) { return t == obj::Paragraph; }
  static bool IsTable(int t) { return t == obj::Table; }

  void BuildPage() {
    ObjectId doc = Doc();
    // Old documents are closed now and then, so the model stays the size of a real session.
    if (m_.Documents().size() > 4) CloseDocument();
    if (!doc || !m_.Find(doc) || Rand(3) == 0) {
      doc = m_.NewDocument("monkey");
      m_.SetActiveDocument(doc);
      if (Rand(4) == 0) m_.SetGridSpacing(doc, Rand(5) == 0 ? 0 : Length(1, 30));
    }
    ObjectId frame = m_.AddFrame(doc, {Length(0, 200), Length(0, 300), Length(50, 500), Length(50, 400)});
    for (uint32_t i = 1 + Rand(4); i > 0; --i) {
      int type = Rand(4) == 0 ? obj::TextFrame : static_cast<int>(10 + Rand(12));
      if (type == 19 || type == 22) type = obj::TextFrame;
      // Zero sizes now and then: the proportional resizes must not divide by them.
      double w = Rand(8) == 0 ? 0 : Length(1, 300), h = Rand(8) == 0 ? 0 : Length(1, 200);
      m_.AddGraphic(frame, type, {Length(-20, 300), Length(-20, 300), w, h});
    }
    if (Rand(3) == 0) {
      ObjectId text = m_.AddTextFrame(frame, {Length(0, 50), Length(0, 50), Length(100, 400), Length(50, 200)});
      ObjectId para = m_.AddParagraph(text, "text", static_cast<int32_t>(Rand(5)));
      if (Rand(2))
        m_.AddRectangle(m_.AddAnchoredFrame(para, 0, {0, 0, Length(10, 100), Length(10, 100)}), {1, 1, 5, 5});
      if (Rand(2)) {
        zvhost::TableSpec spec;
        spec.columnWidths.assign(1 + Rand(4), Length(20, 120));
        spec.rows = static_cast<int>(1 + Rand(4));
        spec.firstRow = static_cast<int>(Rand(static_cast<uint32_t>(spec.rows)));
        spec.placement = static_cast<int32_t>(Rand(3));
        spec.title = Rand(3) != 0;
        spec.titleAlignment = static_cast<int32_t>(Rand(5));
        spec.leftIndent = Length(0, 40);
        ObjectId table = m_.AddTable(para, spec);
        if (table && Rand(2)) m_.AddParagraph(m_.Cell(table, 0, 0), "cell");
      }
    }
    if (Rand(6) == 0) m_.AddFrameContent(frame);
    // Pages do not grow without end either: a full page is replaced by a fresh document.
    if (m_.ObjectsOf(doc).size() > 60) {
      ObjectId fresh = m_.NewDocument("monkey");
      m_.SetActiveDocument(fresh);
    }
  }

  void Select() {
    ObjectId doc = Doc();
    if (!doc) return;
    std::vector<ObjectId> graphics = Of(doc, IsGraphic);
    switch (Rand(7)) {
      case 0:
      case 1: {
        std::vector<ObjectId> pick;
        for (uint32_t i = 1 + Rand(3); i > 0 && !graphics.empty(); --i) pick.push_back(Any(graphics));
        if (Rand(2))
          host_.SelectGraphics(doc, pick);
        else
          host_.SelectInOrder(doc, pick);
        break;
      }
      case 2:
        if (!graphics.empty()) host_.AddToSelection(doc, Any(graphics));
        break;
      case 3:
        host_.ClearSelection(doc);
        break;
      case 4: {
        std::vector<ObjectId> paras = Of(doc, IsParagraph);
        if (!paras.empty()) host_.PlaceCursor(doc, Any(paras), static_cast<int32_t>(Rand(3)));
        break;
      }
      default: {
        std::vector<ObjectId> tables = Of(doc, IsTable);
        if (tables.empty()) break;
        ObjectId t = Any(tables);
        if (Rand(2)) {
          host_.SelectTable(doc, t);
        } else {
          int32_t top = static_cast<int32_t>(Rand(3)), left = static_cast<int32_t>(Rand(3));
          host_.SelectCells(doc, t, top, top + static_cast<int32_t>(Rand(2)), left,
                            left + static_cast<int32_t>(Rand(2)));
        }
      }
    }
  }

  int32_t InvalidNumber() {
    const int32_t numbers[] = {0, -1, Cmd::Last + 1, Cmd::Last + 2, 1000, INT32_MIN, INT32_MAX};
    return numbers[Rand(7)];
  }

  void RunCommand(int32_t number) {
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1, 0, 1 << 20};
    if (Rand(2))
      host_.AnswerNextPrompt(Rand(6) == 0 ? extremes[Rand(5)] : static_cast<int32_t>(Rand(40)));
    else if (Rand(3) == 0)
      host_.CancelNextPrompt();
    Fold();
    host_.ClearRecords();
    auto mark = host_.log().MarkNow();
    m_.BeginChanges();
    undo_.Start(Doc());
    ASSERT_EQ(host_.Command(number), 0);
    m_.CancelChanges();
    ++commands;
    std::string fault = undo_.Follow(m_, number, zvtest::CallsToHostSince(host_.log(), mark));
    ASSERT_TRUE(fault.empty()) << fault;
  }

  void CloseDocument() {
    std::vector<ObjectId> docs = m_.Documents();
    if (docs.empty()) return;
    ObjectId doc = Any(docs);
    undo_.ForgetIn(m_, doc);
    host_.CloseDocument(doc);
    docs = m_.Documents();
    if (m_.ActiveDocument() == doc || !m_.Find(m_.ActiveDocument()))
      m_.SetActiveDocument(docs.empty() ? 0 : docs.front());
  }

  void SwitchDocument() {
    std::vector<ObjectId> docs = m_.Documents();
    m_.SetActiveDocument(docs.empty() || Rand(8) == 0 ? 0 : Any(docs));
  }

  std::string RandomText() {
    std::string s;
    for (uint32_t n = Rand(60); n > 0; --n) {
      uint32_t r = Rand(10);
      s += r < 3 ? '\x1E' : static_cast<char>(1 + Rand(255));
    }
    return s;
  }

  void Notify() {
    ObjectId doc = Rand(4) == 0 ? static_cast<ObjectId>(rng_()) : Doc();
    const int32_t functions[] = {0, 0x3E, 0x3F, 0x47, 0x48, 0x40, 0x1003E};
    int32_t value = Rand(3) == 0 ? static_cast<int32_t>(rng_()) : functions[Rand(7)];
    std::string text = RandomText();
    const char* t = Rand(8) == 0 ? nullptr : text.c_str();
    int32_t code;
    switch (Rand(6)) {
      case 0:
        code = 75;
        break;
      case 1:
        code = 44;
        break;
      case 2:
        code = 45;
        break;
      case 3:
        code = Rand(2) ? 11 : 40;
        // A close of a document the host still shows: the history is dropped, nothing else.
        break;
      default:
        code = static_cast<int32_t>(rng_() % 200) - 20;
    }
    ASSERT_EQ(host_.Notify(code, doc, t, value), 0);
  }

  void OtherEvent() {
    switch (Rand(5)) {
      case 0:
        ASSERT_EQ(host_.Message(static_cast<int32_t>(rng_()), 1, 2), 0);
        break;
      case 1:
        ASSERT_EQ(host_.DialogEvent(static_cast<int32_t>(rng_()), 1, 2), 0);
        break;
      case 2:
        ASSERT_EQ(host_.Quit(), 0);
        break;
      case 3: {
        std::vector<uint8_t> bytes;
        const char* names[] = {"#1", "#2", "x", ""};
        int32_t type = Rand(3) == 0 ? static_cast<int32_t>(rng_()) : static_cast<int32_t>(Rand(2) * 16);
        zvhost::HResult r = host_.GetResource(type, names[Rand(4)], &bytes);
        ASSERT_TRUE(r == 0 || r == static_cast<zvhost::HResult>(0x80004005u));
        break;
      }
      default:
        // Initialisation kinds other than 1 change nothing.
        ASSERT_EQ(host_.Initialize(static_cast<int32_t>(2 + Rand(5))), 0);
    }
  }

  void CheckAfterStep() {
    ASSERT_TRUE(host_.Problems().empty()) << host_.Problems().front();
    ASSERT_EQ(host_.Lists().outstanding, 0u);
    ASSERT_EQ(m_.screenUpdates, 1);
  }

  Host& host_;
  zvhost::Model& m_;
  std::mt19937 rng_;
  zvtest::UndoTracker undo_;
  uint64_t folded_ = 0;
  FILE* trace_ = nullptr;
};

void RunMonkey(bool keepsResults, uint64_t seed, uint64_t steps) {
  HostOptions options;
  options.keepsResults = keepsResults;
  options.selectionStepMs = 0;
  options.passHeldObject = true;
  options.virtualClock = true;
  Host host(options);
  ASSERT_TRUE(host.Start()) << host.LastError();
  Monkey monkey(host, seed);
  const char* logPath = std::getenv("ZORVAN_MONKEY_LOG");
  std::unique_ptr<FILE, int (*)(FILE*)> log(
      logPath && *logPath ? std::fopen(logPath, keepsResults ? "ab" : "wb") : nullptr,
      [](FILE* f) { return f ? std::fclose(f) : 0; });
  if (logPath && *logPath && !log) ADD_FAILURE() << logPath << ": cannot write: " << std::strerror(errno);
  monkey.TraceTo(log.get());
  for (uint64_t i = 0; i < steps; ++i) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(i));
    monkey.Step();
    if (::testing::Test::HasFatalFailure()) return;
  }
  host.Stop();
  monkey.Fold();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  EXPECT_EQ(host.Lists().leaked, 0u);
  EXPECT_TRUE(host.Problems().empty());
  EXPECT_GT(monkey.undoChecks(), 0u);
  std::printf("monkey: seed %llu, %llu steps, %llu commands, %llu undos checked\n",
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(steps),
              static_cast<unsigned long long>(monkey.commands), static_cast<unsigned long long>(monkey.undoChecks()));
  std::printf("monkey digest: seed %llu, %llu steps, %s: %016llx\n", static_cast<unsigned long long>(seed),
              static_cast<unsigned long long>(steps), keepsResults ? "host keeps results" : "client releases results",
              static_cast<unsigned long long>(monkey.digest));
}

TEST(Monkey, RandomSessionKeepsEveryInvariant) {
  uint64_t steps = EnvNumber("ZORVAN_MONKEY_STEPS", kDefaultSteps);
  uint64_t seed = EnvNumber("ZORVAN_MONKEY_SEED", 20261207);
  RunMonkey(false, seed, steps);
}

TEST(Monkey, RandomSessionWhenTheHostKeepsResults) {
  uint64_t steps = EnvNumber("ZORVAN_MONKEY_STEPS", kDefaultSteps) / 2;
  uint64_t seed = EnvNumber("ZORVAN_MONKEY_SEED", 20261207) + 1;
  RunMonkey(true, seed, steps);
}

}  // namespace
