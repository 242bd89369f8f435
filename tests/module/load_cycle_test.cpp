// The module's life in one process, as a host may lead it: loaded, bound, torn down, unloaded
// and loaded again; bound again after a teardown without unloading; and (Win32) loaded at an
// address other than its preferred base, so that the loader has to relocate it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "host/cli/scenario_files.h"
#include "host/scenario/runner.h"
#include "host/scenario/scenario.h"
#include "tests/support/commands.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using zvhost::Host;
using zvhost::HostOptions;
using zvhost::ObjectId;

bool ModuleStillLoaded(const std::string& path) {
#if defined(_WIN32)
  (void)path;
  return GetModuleHandleA("ZorvanShapes.dll") != nullptr;
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
#endif
}

struct Page {
  ObjectId doc, a, b;
};

Page BuildPage(Host& host) {
  zvhost::Model& m = host.model();
  ObjectId doc = m.NewDocument("reload");
  m.SetActiveDocument(doc);
  ObjectId frame = m.AddFrame(doc, {36, 36, 400, 300});
  return {doc, m.AddRectangle(frame, {10, 20, 100, 50}), m.AddRectangle(frame, {200, 120, 80, 40})};
}

HostOptions Options() {
  HostOptions options;
  options.passHeldObject = true;
  options.virtualClock = true;  // the same tick counts in both loads
  return options;
}

void ExpectAllGivenBack(Host& host) {
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  EXPECT_EQ(host.Lists().leaked, 0u);
  EXPECT_TRUE(host.Problems().empty()) << host.Problems().front();
}

// The first load leaves a copied geometry, an undo record and a selection history (a selected
// before b); the second load of the same page sees none of them.
TEST(LoadCycle, SecondLoadStartsFresh) {
  Page first;
  std::string path;
  {
    Host host(Options());
    ASSERT_TRUE(host.Start()) << host.LastError();
    path = host.ModulePath();
#if defined(_WIN64)
    // The DLL asks for a base above 4 GiB: any address it cut to 32 bits would point nowhere.
    EXPECT_NE(reinterpret_cast<uintptr_t>(host.ModuleHandle()) >> 32, 0u) << host.ModuleHandle();
#endif
    first = BuildPage(host);
    host.SelectGraphics(first.doc, {first.a});
    host.ChooseCommand(Cmd::CopyGraphicProps);
    host.SelectGraphics(first.doc, {first.b});
    host.ChooseCommand(Cmd::PasteGraphicPos);
    ASSERT_EQ(host.model().GeometryOf(first.b).x, 10);  // the copy and the undo record are there
    host.SelectInOrder(first.doc, {first.a, first.b});
    ExpectAllGivenBack(host);
    host.Unload();
  }
  EXPECT_FALSE(ModuleStillLoaded(path)) << path << " is still mapped after the host unloaded it";

  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  Page page = BuildPage(host);
  ASSERT_TRUE(page.doc == first.doc && page.a == first.a && page.b == first.b) << "the same ids in both loads";
  const zvhost::Model& m = host.model();

  host.ClearRecords();
  host.ChooseCommand(Cmd::UndoOperation);
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].text, "Nothing to undo.");
  EXPECT_TRUE(host.log().WritesSince({}).empty());

  host.SelectGraphics(page.doc, {page.b});
  host.ChooseCommand(Cmd::PasteGraphicPos);  // nothing copied in this load: refused
  ASSERT_EQ(host.Alerts().size(), 2u);
  EXPECT_EQ(host.Alerts()[1].text, "First copy a graphic with Copy Graphic Props. Then try again.");
  EXPECT_EQ(m.GeometryOf(page.b).x, 200);

  // Both selected in one action: equal times keep the host's order, which lists the graphic
  // added last first, so b is the title and moves; a history left from the first load would
  // make a the title.
  host.SelectGraphics(page.doc, {page.a, page.b});
  host.ChooseCommand(Cmd::MakeFigureTitleRight);
  EXPECT_EQ(m.GeometryOf(page.a).x, 10);
  EXPECT_GT(m.GeometryOf(page.b).x, 110);
  ExpectAllGivenBack(host);
}

// A host that binds again after the teardown, the module still loaded, gets a working client;
// its own answer on keeping results counts, not the previous host's.
TEST(LoadCycle, BindingAgainAfterTeardownWorks) {
  for (bool keepsFirst : {true, false}) {
    SCOPED_TRACE(keepsFirst ? "first binding: host keeps results" : "first binding: client releases");
    HostOptions options = Options();
    options.keepsResults = keepsFirst;
    Host host(options);
    ASSERT_TRUE(host.Start()) << host.LastError();
    host.Stop();
    ASSERT_FALSE(host.Bound());
    host.options().keepsResults = !keepsFirst;
    ASSERT_TRUE(host.Start()) << host.LastError();
    EXPECT_EQ(host.InitResult(), 0);
    Page page = BuildPage(host);
    host.SelectGraphics(page.doc, {page.b});
    host.ChooseCommand(Cmd::CopyGraphicProps);
    host.SelectGraphics(page.doc, {page.a});
    host.ChooseCommand(Cmd::PasteGraphicPos);
    host.ChooseCommand(Cmd::UndoOperation);  // the undo reads the graphic's properties: a returned list
    EXPECT_EQ(host.model().GeometryOf(page.a).x, 10);
    EXPECT_EQ(host.Lists().outstanding, 0u);
    EXPECT_EQ(host.Lists().releasedByClient > 0, keepsFirst) << "the client releases only what the host gave it";
    ExpectAllGivenBack(host);
  }
}

#if defined(_WIN32)
// The preferred base and image size from the DLL's PE header.
bool PreferredBase(const std::string& path, uintptr_t* base, uint32_t* size) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char h[1024] = {};
  size_t n = std::fread(h, 1, sizeof h, f);
  std::fclose(f);
  auto u32 = [&](size_t at) {
    return at + 4 <= n ? uint32_t(h[at] | h[at + 1] << 8 | h[at + 2] << 16 | h[at + 3] << 24) : 0u;
  };
  size_t opt = u32(0x3C) + 24;
  bool plus = (u32(opt) & 0xFFFF) == 0x20B;  // PE32+: a 64-bit image base, one word earlier
  *base = plus ? uintptr_t(u32(opt + 24) | uint64_t(u32(opt + 28)) << 32) : u32(opt + 28);
  *size = u32(opt + 56);
  return *base != 0 && *size != 0;
}
#endif

// The preferred base is taken before the DLL is loaded: the loader applies the relocations,
// and the binding, the registration read from the version resource, the resources and the
// tour all work from the moved image.
TEST(LoadCycle, RelocatedDllBindsAndRunsTheTour) {
#if !defined(_WIN32)
  GTEST_SKIP() << "Win32 only: the Linux module is position-independent code";
#else
  std::string path = Host::DefaultModulePath();
  uintptr_t base = 0;
  uint32_t size = 0;
  ASSERT_TRUE(PreferredBase(path, &base, &size)) << path << ": cannot read the PE header";
  ASSERT_FALSE(ModuleStillLoaded(path));
  void* taken = VirtualAlloc(reinterpret_cast<void*>(base), size, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_EQ(taken, reinterpret_cast<void*>(base)) << "cannot reserve the preferred base, error " << GetLastError();

  std::string tourPath = std::string(ZV_SOURCE_DIR) + "/examples/tour.zvs";
  FILE* f = std::fopen(tourPath.c_str(), "rb");
  ASSERT_NE(f, nullptr) << tourPath << ": cannot read";
  std::string text;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
  std::fclose(f);

  {
    zvhost::ScenarioRunner runner{zvhost::RunOptions{}};
    std::string error;
    ASSERT_TRUE(runner.Start(&error)) << error;
    Host& host = runner.host();
    EXPECT_NE(host.ModuleHandle(), reinterpret_cast<void*>(base)) << "the DLL was not moved";
    EXPECT_EQ(host.RecordedClientModule(), host.ModuleHandle());
    ASSERT_EQ(host.Registration().size(), 4u);
    EXPECT_EQ(host.Registration()[3].text, "Maker MakerSGML");
    std::vector<uint8_t> bytes;
    EXPECT_EQ(host.GetResource(0, "", &bytes), 0);
    std::string reported(bytes.begin(), bytes.end());
    EXPECT_NE(reported.find("ZorvanShapes.dll"), std::string::npos) << reported;
    EXPECT_EQ(host.GetResource(16, "#1", &bytes), 0);
    EXPECT_GT(bytes.size(), 100u);
    EXPECT_NE(host.ConsoleText().find("ZorvanShapes v1.3"), std::string::npos);

    int failures = 0;
    size_t steps = 0;
    for (const zvhost::Step& step : zvhost::ParseScenario(text, tourPath)) {
      zvhost::StepOutcome out = runner.Run(step);
      failures += out.failures;
      ++steps;
      if (out.failures) ADD_FAILURE() << out.transcript;
    }
    EXPECT_GT(steps, 50u);
    EXPECT_EQ(failures, 0);
    ExpectAllGivenBack(host);
  }
  VirtualFree(taken, 0, MEM_RELEASE);
#endif
}

// The reference host plays the tour with a copy of the module in a folder of any name, in any
// letters and at any length, and says exactly what it says with the module where it was built.
TEST(LoadCycle, TheTourFromAnyFolderIsTheSame) {
  namespace fs = std::filesystem;
  const fs::path built = Host::DefaultModulePath();
  const std::string tour = std::string(ZV_SOURCE_DIR) + "/examples/tour.zvs";
  std::error_code error;
  const fs::path temp = fs::canonical(fs::temp_directory_path(), error) /
                        ("zv-folders-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  // Plays the tour with the module at `module`: the transcript without its "module:" line.
  auto play = [&](const std::string& module) {
    std::string out, err;
    int status = zvhost::RunCommandLine(
        {"run", "--trace", "--module", module, tour}, stdin, [&](const std::string& s) { out += s; },
        [&](const std::string& s) { err += s; });
    EXPECT_EQ(status, 0) << module << "\n" << err << out;
    size_t line = out.find("module: ");
    if (line != std::string::npos) out.erase(line, out.find('\n', line) + 1 - line);
    return out;
  };
  const std::string asBuilt = play(built.u8string());
  ASSERT_NE(asBuilt.find("registration:\n  2 \"ZorvanShapes\""), std::string::npos) << asBuilt;
  const char* const folders[] = {"ascii", "\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b",
                                 "\u30c4\u30fc\u30eb"};
  std::vector<fs::path> dirs;
  for (const char* name : folders) dirs.push_back(temp / fs::u8path(name));
  dirs.push_back(temp / std::string(150, 'l') / std::string(150, 'm'));  // 300 characters and more
  for (const fs::path& dir : dirs) {
    fs::create_directories(dir, error);
    fs::copy_file(built, dir / built.filename(), error);
    ASSERT_FALSE(error) << dir.u8string() << ": " << error.message();
    EXPECT_EQ(play((dir / built.filename()).u8string()), asBuilt) << dir.u8string();
  }
  fs::remove_all(temp, error);
}

// A module whose version information holds no registration strings (its string table under
// another language) registers an empty list: the transcript says so, and what it means.
TEST(LoadCycle, AnEmptyRegistrationIsShownWithAWarning) {
  namespace fs = std::filesystem;
  const fs::path built = Host::DefaultModulePath();
  std::error_code error;
  const fs::path dir =
      fs::canonical(fs::temp_directory_path(), error) /
      ("zv-registration-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(dir, error);
  const fs::path copy = dir / built.filename();
  std::FILE* in = std::fopen(built.string().c_str(), "rb");
  ASSERT_NE(in, nullptr) << built.string();
  std::string bytes;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) bytes.append(chunk, n);
  std::fclose(in);
  const std::string table(
      "0\0"
      "4\0"
      "0\0"
      "9\0",
      8),
      german(
          "0\0"
          "4\0"
          "0\0"
          "7\0",
          8);
  size_t at = bytes.find(table + std::string("0\0"
                                             "4\0"
                                             "b\0"
                                             "0\0",
                                             8));
  ASSERT_NE(at, std::string::npos) << "no string table 040904b0 in " << built.string();
  bytes.replace(at, german.size(), german);
  std::FILE* out = std::fopen(copy.string().c_str(), "wb");
  ASSERT_NE(out, nullptr) << copy.string();
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  std::string text, err;
  zvhost::RunCommandLine(
      {"run", "--module", copy.string(), std::string(ZV_SOURCE_DIR) + "/examples/undo.zvs"}, stdin,
      [&](const std::string& s) { text += s; }, [&](const std::string& s) { err += s; });
  EXPECT_NE(text.find("registration: none\nwarning: the module registered with an empty list"), std::string::npos)
      << text << err;
  fs::remove_all(dir, error);
}

}  // namespace
