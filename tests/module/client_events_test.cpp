// Events delivered to the real module: resources, notification 75, console output around
// start-up, returned lists with either memory policy, and host errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "host/binding/host.h"
#include "tests/support/commands.h"
#include "version/version_block.h"

namespace {

using zvhost::Host;
using zvhost::HostOptions;

HostOptions Options(bool initialize = false) {
  HostOptions options;
  options.initialize = initialize;
  return options;
}

TEST(ClientEvents, ResourcesAreThePathAndTheVersionBlock) {
  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  std::vector<uint8_t> bytes;
  ASSERT_EQ(host.GetResource(0, "anything", &bytes), 0);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.back(), 0);
  std::string path(bytes.begin(), bytes.end() - 1);
  EXPECT_NE(path.find("ZorvanShapes"), std::string::npos) << path;

  constexpr zv::ModuleVersionBytes block = zv::BuildModuleVersionBlock();
  ASSERT_EQ(host.GetResource(16, "#1", &bytes), 0);
  EXPECT_EQ(bytes, std::vector<uint8_t>(block.bytes, block.bytes + sizeof block.bytes));

  zv::ByteBlock record{5, nullptr};
  EXPECT_EQ(host.GetResourceRaw(16, "#7", &record), static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(host.GetResourceRaw(3, nullptr, &record), static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(record.count, 5u);
  EXPECT_EQ(host.GetResourceRaw(16, "#1", nullptr), static_cast<int32_t>(0x80004003u));
  // A task allocator that refuses the answer's block: E_FAIL, the host's record as it was.
  host.options().refuseResourceBlocks = true;
  EXPECT_EQ(host.GetResourceRaw(0, "", &record), static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(host.GetResourceRaw(16, "#1", &record), static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(record.count, 5u);
  EXPECT_EQ(record.bytes, nullptr);
  host.options().refuseResourceBlocks = false;
  host.Stop();
  EXPECT_TRUE(host.Problems().empty());
}

TEST(ClientEvents, EventsAnswerZeroIncludingSeparatedText) {
  Host host(Options(true));
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_EQ(host.Notify(75, 0,
                        "a\x1E"
                        "b\x1E\x1E"
                        "d",
                        0),
            0);
  EXPECT_EQ(host.Notify(75, 0, nullptr, 3), 0);
  EXPECT_EQ(host.Notify(75, 0, std::string(2000, '\x1E').c_str(), 0), 0);
  EXPECT_EQ(host.Message(1, 2, 3), 0);
  EXPECT_EQ(host.DialogEvent(1, 2, 3), 0);
  EXPECT_EQ(host.Command(0), 0);
  EXPECT_EQ(host.Command(99), 0);
  host.Stop();
  EXPECT_TRUE(host.Problems().empty());
}

// The module loaded from a copy in a folder of the given name (UTF-8), or at a path of the given
// length; "renamed": the copy is renamed after loading, so its path no longer leads to a file.
struct PathCase {
  const char* name;
  const char* folder;
  size_t length;
  bool renamed;
};

// The path the module answers for itself names its file: the path itself where the system's
// 8-bit letters and 259 characters can hold it, else the short path (Windows) or no path.
void ExpectOwnPath(Host& host, const std::string& copy) {
  std::vector<uint8_t> bytes;
  bool ascii = std::all_of(copy.begin(), copy.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
  if (copy.size() < 260 && ascii) {
    ASSERT_EQ(host.GetResource(0, "", &bytes), 0);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), copy + '\0');
    return;
  }
#if defined(_WIN32)
  ASSERT_EQ(host.GetResource(0, "", &bytes), 0) << "the short path";
  std::string answered(bytes.begin(), bytes.end() - 1);
  EXPECT_EQ(bytes.back(), 0);
  EXPECT_EQ(std::strlen(answered.c_str()), answered.size()) << "the count covers the path and its terminator only";
  EXPECT_LT(answered.size(), 260u);
  EXPECT_EQ(answered.find('?'), std::string::npos) << answered;
  std::error_code error;
  EXPECT_TRUE(std::filesystem::equivalent(answered, std::filesystem::u8path(copy), error)) << answered;
#else
  if (ascii) {
    zv::ByteBlock record{5, nullptr};
    EXPECT_EQ(host.GetResourceRaw(0, "", &record), static_cast<int32_t>(0x80004005u));
    EXPECT_EQ(record.count, 5u);
  } else {
    ASSERT_EQ(host.GetResource(0, "", &bytes), 0);  // Linux paths are bytes: any letters
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), copy + '\0');
  }
#endif
}

// The registration list as "number text" lines.
std::vector<std::string> RegistrationOf(const Host& host) {
  std::vector<std::string> out;
  for (const auto& e : host.Registration()) out.push_back(std::to_string(e.number) + " " + e.text);
  return out;
}

TEST(ClientEvents, ModuleFileInAnyFolder) {
  namespace fs = std::filesystem;
  const fs::path built = Host::DefaultModulePath();
  std::vector<std::string> asBuilt;  // what the module registers from the folder it was built in
  {
    Host host(Options());
    ASSERT_TRUE(host.Start()) << host.LastError();
    asBuilt = RegistrationOf(host);
    ASSERT_EQ(asBuilt.size(), 4u);
    host.Stop();
  }
  const std::string file = built.filename().u8string();
  std::error_code error;
  const fs::path temp = fs::canonical(fs::temp_directory_path(), error);
  ASSERT_FALSE(error) << error.message();
  const PathCase cases[] = {{"259 characters", "", 259, false},
                            {"260 characters", "", 260, false},
                            {"300 characters", "", 300, false},
                            {"a Cyrillic folder", "\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b", 0, false},
                            {"a CJK folder", "\u30c4\u30fc\u30eb", 0, false},
                            {"renamed after loading", "", 0, true}};
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.name);
    // temp / directories of padding / file, the last directory's name sized to give the length
    const size_t fixed = (temp / "y" / "x" / file).u8string().size() - 2;
    const size_t padding = c.length > fixed ? c.length - fixed : 1;
    std::string first = "zv" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007);
    first.resize(padding > 200 ? 100 : first.size(), 'y');
    const std::string last =
        *c.folder ? c.folder : std::string(padding > first.size() ? padding - first.size() : 1, 'z');
    const fs::path dir = temp / first / fs::u8path(last);
    const fs::path copy = dir / file;
    ASSERT_EQ(c.length == 0 || copy.u8string().size() == c.length, true) << copy.u8string().size();
    fs::create_directories(dir, error);
    fs::copy_file(built, copy, fs::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << error.message();
    {
      HostOptions options = Options();
      options.modulePath = copy.u8string();
      Host host(options);
      ASSERT_TRUE(host.Load()) << host.LastError();
      if (c.renamed) fs::rename(copy, dir / "moved", error);
      ASSERT_FALSE(error) << error.message();
      ASSERT_EQ(host.CallClientInit(), 0);
      EXPECT_FALSE(host.RegistrationWasNull());
      // The same four strings from any folder. A renamed file is the system's to find: Linux
      // reads nothing, Wine the loaded module.
      const size_t entries = host.Registration().size();
      if (c.renamed)
        EXPECT_TRUE(entries == 0 || entries == 4) << entries;
      else
        EXPECT_EQ(RegistrationOf(host), asBuilt);
      if (!c.renamed) ExpectOwnPath(host, copy.u8string());
      std::vector<uint8_t> bytes;
      EXPECT_EQ(host.GetResource(16, "#1", &bytes), 0);  // from the loaded module, not its file
      host.Stop();
      EXPECT_TRUE(host.Problems().empty());
    }
    fs::remove_all(dir.parent_path(), error);
  }
}

#if !defined(_WIN32)
// A module loaded by a relative path (or through a link) answers its file's full path.
TEST(ClientEvents, ModuleLoadedByARelativePathAnswersItsFullPath) {
  namespace fs = std::filesystem;
  const fs::path built = fs::canonical(Host::DefaultModulePath());
  const fs::path cwd = fs::current_path();
  fs::current_path(built.parent_path());
  HostOptions options = Options();
  options.modulePath = (fs::path(".") / built.filename()).string();
  {
    Host host(options);
    ASSERT_TRUE(host.Start()) << host.LastError();
    std::vector<uint8_t> bytes;
    ASSERT_EQ(host.GetResource(0, "", &bytes), 0);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), built.string() + '\0');
    host.Stop();
  }
  fs::current_path(cwd);
}
#endif

TEST(ClientEvents, ConsoleReachesTheHostOnlyAfterStartUp) {
  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_TRUE(host.ConsoleWrites().empty());
  EXPECT_EQ(host.Initialize(1), 0);
  EXPECT_FALSE(host.ConsoleText().empty());
  host.Stop();
}

TEST(ClientEvents, ConsoleTextFromAnEventDuringRegistrationIsDropped) {
  HostOptions options = Options();
  options.initializeDuringRegistration = true;
  Host host(options);
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_FALSE(host.log().Named("DefineSubmenu").empty());  // the event did run
  EXPECT_TRUE(host.ConsoleWrites().empty());
  EXPECT_EQ(host.Initialize(1), 0);
  EXPECT_FALSE(host.ConsoleWrites().empty());
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

TEST(ClientEvents, BusyAndRefusedConsoleDoNotStopTheClient) {
  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  host.faults().FailOperation("PrintToConsole", zvhost::Fault::Busy());
  host.faults().FailOperation("RequestNotification", zvhost::Fault::Status(7));
  EXPECT_EQ(host.Initialize(1), 0);
  EXPECT_TRUE(host.ConsoleWrites().empty());
  host.faults().Clear();
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

// Copy, then paste: the paste's undo snapshot reads a whole property list from the host.
void CopyThenPaste(Host& host) {
  zvhost::Model& model = host.model();
  auto doc = model.NewDocument("lists");
  model.SetActiveDocument(doc);
  auto frame = model.AddFrame(doc, {36, 36, 400, 300});
  auto a = model.AddRectangle(frame, {10, 20, 100, 50});
  auto b = model.AddRectangle(frame, {200, 40, 60, 30});
  host.SelectGraphics(doc, {a});
  ASSERT_TRUE(host.ChooseCommand(Cmd::CopyGraphicProps));
  host.SelectGraphics(doc, {b});
  ASSERT_TRUE(host.ChooseCommand(Cmd::PasteGraphicPos));
}

TEST(ClientEvents, ReturnedListsAreGivenBackUnlessTheHostKeepsThem) {
  for (bool keeps : {false, true}) {
    HostOptions options = Options(true);
    options.keepsResults = keeps;
    Host host(options);
    ASSERT_TRUE(host.Start()) << host.LastError();
    CopyThenPaste(host);
    host.Stop();
    zvhost::ListCounters lists = host.Lists();
    ASSERT_TRUE(lists.tracked);
    EXPECT_GT(lists.returned, 0u);
    EXPECT_EQ(lists.releasedByClient, keeps ? 0u : lists.returned) << keeps;
    EXPECT_EQ(lists.freedByHost, keeps ? lists.returned : 0u) << keeps;
    EXPECT_EQ(lists.leaked, 0u);
    EXPECT_TRUE(host.Problems().empty());
  }
}

TEST(ClientEvents, HostErrorsDuringACommandLeakNothing) {
  for (zvhost::Fault fault :
       {zvhost::Fault::Status(4), zvhost::Fault::Busy(), zvhost::Fault::Failed(), zvhost::Fault::StatusUnwritten()}) {
    Host host(Options(true));
    ASSERT_TRUE(host.Start()) << host.LastError();
    host.faults().FailOperation("ReadAllProps", fault);
    CopyThenPaste(host);
    // The paste went ahead without a snapshot (a status never written is no success): there is
    // nothing to undo, rather than a list the host did not vouch for.
    ASSERT_TRUE(host.ChooseCommand(Cmd::UndoOperation));
    ASSERT_EQ(host.Alerts().size(), 1u) << fault.ToString();
    EXPECT_EQ(host.Alerts()[0].text, "Nothing to undo.");
    host.Stop();
    EXPECT_EQ(host.Lists().leaked, 0u) << fault.ToString();
    EXPECT_EQ(host.Lists().outstanding, 0u) << fault.ToString();
    EXPECT_TRUE(host.Problems().empty()) << fault.ToString();
  }
}

}  // namespace
