// The Initialize handling as the host sees it: the banner, the menu tree, the notifications,
// and each way the menu building can be cut short.
#include <fstream>
#include <sstream>

#include "tests/module/tools_test_support.h"

namespace zvtest {
namespace {

const char* const kBanner =
    "\n"
    "ZorvanShapes v1.3  (Apr  8 2006 10:23:34)\n"
    "Copyright (C) 2004-2026 Zorvan Software\n"
    "There is NO warranty, not even for merchantability or fitness for a\n"
    "particular purpose.\n"
    "https://www.zorvan.example\n"
    "\n";

// The menu tree as the host prints it, from the command rows: a submenu of the Zorvan menu
// (or the separator before a group) and the group's commands, indented one level more in a
// submenu. `skipped` leaves out a submenu the host failed to make.
std::string GroupLines(const zvspec::GroupSpec& g) {
  std::string out =
      g.label ? "  " + std::string(g.label) + " [" + g.name + "] >\n" : "  ---- " + std::string(g.name) + "\n";
  for (const zvspec::CommandSpec& c : zvspec::kCommands)
    if (c.group == g.group)
      out += std::string(g.label ? "    " : "  ") + c.label + " [" + c.tag + "] " + c.shortcut + " #" +
             std::to_string(c.number) + " enable=" + std::to_string(c.enable) + "\n";
  return out;
}

std::string FullZorvanMenu(const std::string& before = "", const char* skipped = nullptr) {
  std::string out = "Zorvan [ZorvanDocMenu] >\n" + before;
  for (const zvspec::GroupSpec& g : zvspec::Groups())
    if (skipped == nullptr || std::string(g.name) != skipped) out += GroupLines(g);
  return out;
}

size_t CommandsIn(const char* submenu) {
  size_t n = 0;
  for (const zvspec::GroupSpec& g : zvspec::Groups())
    if (std::string(g.name) == submenu)
      for (const zvspec::CommandSpec& c : zvspec::kCommands) n += c.group == g.group ? 1 : 0;
  return n;
}

const std::vector<int32_t> kNotifications = {44, 45, 11, 40};

TEST_F(ToolsTest, InitializeBuildsTheWholeMenuAndAsksForFourNotifications) {
  EXPECT_EQ(host().ConsoleText(), kBanner);
  EXPECT_EQ(model().MenuTree(), FullZorvanMenu());
  EXPECT_EQ(host().RequestedNotifications(), kNotifications);
  // Every command is reachable the way a user reaches it.
  EXPECT_TRUE(host().ChooseMenu("Zorvan > Select > Select Next Object Below").found);
  EXPECT_TRUE(host().ChooseMenu("Zorvan > Table > Trim Table Title").found);
  EXPECT_TRUE(host().ChooseShortcut("\\!rggh").found);
}

// The installation notes tell an administrator how many commands the menu shows.
TEST(InstallNotes, CountTheCommandsOfTheMenu) {
  const char* const words[] = {
      "",           "one",        "two",          "three",       "four",       "five",     "six",
      "seven",      "eight",      "nine",         "ten",         "eleven",     "twelve",   "thirteen",
      "fourteen",   "fifteen",    "sixteen",      "seventeen",   "eighteen",   "nineteen", "twenty",
      "twenty-one", "twenty-two", "twenty-three", "twenty-four", "twenty-five"};
  ASSERT_LT(size_t(Cmd::Count), std::size(words)) << "add number words";
  std::ifstream in(std::string(ZV_SOURCE_DIR) + "/INSTALL.txt");
  std::stringstream text;
  text << in.rdbuf();
  std::string flat = text.str();
  for (char& c : flat) c = c == '\n' ? ' ' : c;
  while (flat.find("  ") != std::string::npos) flat.replace(flat.find("  "), 2, " ");
  EXPECT_NE(flat.find(std::string("and ") + words[Cmd::Count] + " commands from"), std::string::npos)
      << "INSTALL.txt: the menu's commands are " << words[Cmd::Count];
}

// Hosts prepared before the Initialize event is delivered.
class ToolsInitTest : public ToolsTest {
 protected:
  void Configure(HostOptions& options) override { options.initialize = false; }

  // Runs Initialize(1) once and gives the position (1 = first) among the session operations
  // of the nth call of `op`; 0 when there is none.
  uint64_t SessionCallIndex(const std::string& op, int nth) {
    Mark before = MarkNow();
    host().Initialize(1);
    uint64_t index = 0;
    for (const auto& r : host().log().Since(before)) {
      if (r.direction != zvhost::Direction::ToHost || r.iface != "Session") continue;
      ++index;
      if (r.op == op && --nth == 0) return index;
    }
    return 0;
  }
  // A fresh host and model, the module loaded anew.
  void Restart() {
    host_->Stop();
    host_.reset();
    SetUp();
  }

  ObjectId AddExistingZorvanMenu() {
    int32_t status = 0;
    return model().DefineMenu(model().MainMenu(), "ZorvanDocMenu", "Zorvan", &status);
  }
};

TEST_F(ToolsInitTest, KindsOtherThanOneLeaveTheHostUntouched) {
  for (int32_t kind : {0, 2, -1, 100}) {
    Mark before = MarkNow();
    host().Initialize(kind);
    EXPECT_TRUE(host().log().OpsSince(before).empty()) << "kind " << kind;
  }
  EXPECT_EQ(host().ConsoleText(), "");
  EXPECT_EQ(model().MenuTree(), "");
  EXPECT_TRUE(host().RequestedNotifications().empty());
}

TEST_F(ToolsInitTest, AnExistingZorvanMenuGetsTheItemsAppended) {
  ObjectId menu = AddExistingZorvanMenu();
  int32_t status = 0;
  model().DefineCommand(90, menu, "OTHER_DocMenu", "Other", "", &status);
  host().Initialize(1);
  EXPECT_EQ(model().MenuTree(), FullZorvanMenu("  Other [OTHER_DocMenu]  #90 enable=0\n"));
  EXPECT_EQ(host().RequestedNotifications(), kNotifications);
}

TEST_F(ToolsInitTest, SearchBookInTheMenuIsSetApartBySeparator1) {
  ObjectId menu = AddExistingZorvanMenu();
  int32_t status = 0;
  model().DefineCommand(90, menu, "SEARCH_BOOK_DocMenu", "Search Book", "", &status);
  host().Initialize(1);
  EXPECT_EQ(model().MenuTree(),
            FullZorvanMenu("  Search Book [SEARCH_BOOK_DocMenu]  #90 enable=0\n  ---- Separator1\n"));
}

TEST_F(ToolsInitTest, SearchBookElsewhereAddsNoSeparator) {
  int32_t status = 0;
  ObjectId other = model().DefineMenu(model().MainMenu(), "OtherMenu", "Other", &status);
  model().DefineCommand(90, other, "SEARCH_BOOK_DocMenu", "Search Book", "", &status);
  host().Initialize(1);
  EXPECT_EQ(model().MenuTree(),
            "Other [OtherMenu] >\n  Search Book [SEARCH_BOOK_DocMenu]  #90 enable=0\n" + FullZorvanMenu());
}

TEST_F(ToolsInitTest, WithoutMainMenuOnlyTheBannerIsPrinted) {
  model().FindMutable(model().MainMenu())->name = "SomeOtherBar";
  Mark before = MarkNow();
  host().Initialize(1);
  EXPECT_EQ(host().ConsoleText(), kBanner);
  EXPECT_EQ(model().MenuTree(), "");
  EXPECT_TRUE(host().RequestedNotifications().empty());
  EXPECT_EQ(Count(before, "DefineSubmenu"), 0u);
  EXPECT_EQ(Count(before, "DefineMenuCommand"), 0u);
}

TEST_F(ToolsInitTest, AFailedZorvanMenuStopsEverything) {
  host().faults().FailOperation("DefineSubmenu", zvhost::Fault::Status(7), 1);
  Mark before = MarkNow();
  host().Initialize(1);
  EXPECT_EQ(Count(before, "DefineSubmenu"), 1u);
  EXPECT_EQ(Count(before, "DefineMenuCommand"), 0u);
  EXPECT_EQ(Count(before, "AddItemToMenu"), 0u);
  EXPECT_TRUE(host().RequestedNotifications().empty());
}

TEST_F(ToolsInitTest, AFailedSelectSubmenuDropsOnlyItsCommands) {
  AddExistingZorvanMenu();
  host().faults().FailOperation("DefineSubmenu", zvhost::Fault::Status(7), 1);  // the first: "Select"
  Mark before = MarkNow();
  host().Initialize(1);
  // none asked for in a menu that is not there
  EXPECT_EQ(Count(before, "DefineMenuCommand"), Cmd::Count - CommandsIn("ZorvanSelMenu"));
  EXPECT_EQ(model().MenuTree(), FullZorvanMenu("", "ZorvanSelMenu"));
  EXPECT_EQ(model().CommandByNumber(Cmd::SelectParentObject), 0u);
  EXPECT_EQ(host().RequestedNotifications(), kNotifications);
}

TEST_F(ToolsInitTest, AFailedTableSubmenuDropsOnlyTrimTableTitle) {
  AddExistingZorvanMenu();
  uint64_t tableCall = SessionCallIndex("DefineSubmenu", 2);  // "Select", then "Table"
  ASSERT_GT(tableCall, 0u);
  Restart();
  AddExistingZorvanMenu();
  Mark before = MarkNow();
  host().faults().FailNth(tableCall, zvhost::Fault::Status(7), before.ops);
  host().Initialize(1);
  EXPECT_EQ(Count(before, "DefineMenuCommand"), Cmd::Count - CommandsIn("ZorvanTblMenu"));
  EXPECT_EQ(model().MenuTree(), FullZorvanMenu("", "ZorvanTblMenu"));
  EXPECT_EQ(model().CommandByNumber(Cmd::TrimTableTitle), 0u);
}

}  // namespace
}  // namespace zvtest
