// The Initialize handling as the host sees it: the banner, the menu tree, the notifications,
// and each way the menu building can be cut short.
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

const char* const kSelectSubmenu =
    "    Select Parent Object [SELECT_PARENT_OBJECT_SelMenu] \\!spo #15 enable=15\n"
    "    Select Next Object Above [SELECT_NEXT_OBJECT_SelMenu] \\!sao #16 enable=15\n"
    "    Select Next Object Below [SELECT_PREV_OBJECT_SelMenu] \\!sbo #17 enable=15\n";
const char* const kTableSubmenu = "    Trim Table Title [TRIM_TABLE_TITLE_TblMenu] \\!ttt #18 enable=9\n";
const char* const kMainItems =
    "  ---- Separator2\n"
    "  Copy Graphic Props [COPY_GRAPHIC_PROPS_DocMenu] \\!cgs #1 enable=15\n"
    "  ---- Separator3\n"
    "  Paste Graphic Pos [PASTE_GRAPHIC_POS_DocMenu] \\!pgp #2 enable=15\n"
    "  Paste Graphic Left Pos [PASTE_GRAPHIC_X_DocMenu] \\!pgl #3 enable=15\n"
    "  Paste Graphic Right Pos [PASTE_GRAPHIC_X2_DocMenu] \\!pgr #5 enable=15\n"
    "  Paste Graphic Top Pos [PASTE_GRAPHIC_Y_DocMenu] \\!pgt #4 enable=15\n"
    "  Paste Graphic Bottom Pos [PASTE_GRAPHIC_Y2_DocMenu] \\!pgb #6 enable=15\n"
    "  ---- Separator4\n"
    "  Paste Graphic Size [PASTE_GRAPHIC_SIZE_DocMenu] \\!pgs #7 enable=15\n"
    "  Paste Graphic Width [PASTE_GRAPHIC_WIDTH_DocMenu] \\!pgw #8 enable=8\n"
    "  Paste Graphic Height [PASTE_GRAPHIC_HEIGHT_DocMenu] \\!pgh #9 enable=15\n"
    "  Resize Graphic to Copied Width [MAKE_GRAPHIC_SAME_WIDTH_AS_COPIED_DocMenu] \\!rgw #10 enable=15\n"
    "  Resize Graphic to Copied Height [MAKE_GRAPHIC_SAME_HEIGHT_AS_COPIED_DocMenu] \\!rgh #11 enable=15\n"
    "  ---- Separator5\n"
    "  Resize Graphic To Grid Height... [RESIZE_GRAPHIC_HEIGHT_DocMenu] \\!rggh #12 enable=15\n"
    "  Make Figure Title Right [MAKE_FIGURE_TITLE_RIGHT_DocMenu] \\!mftr #13 enable=15\n"
    "  Add Frame To Graphic [FRAME_GRAPHIC_DocMenu] \\!af #14 enable=15\n"
    "  ---- Separator6\n"
    "  Undo Operation [UNDO_GRAPHIC_OP_DocMenu] \\!uo #19 enable=26\n";

std::string FullZorvanMenu(const std::string& before = "") {
  return "Zorvan [ZorvanDocMenu] >\n" + before + "  Select [ZorvanSelMenu] >\n" + kSelectSubmenu +
         "  Table [ZorvanTblMenu] >\n" + kTableSubmenu + kMainItems;
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
  EXPECT_EQ(Count(before, "DefineMenuCommand"), Cmd::Count - 3u);  // none asked for in a menu that is not there
  std::string expected =
      "Zorvan [ZorvanDocMenu] >\n  Table [ZorvanTblMenu] >\n" + std::string(kTableSubmenu) + kMainItems;
  EXPECT_EQ(model().MenuTree(), expected);
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
  EXPECT_EQ(Count(before, "DefineMenuCommand"), Cmd::Count - 1u);
  std::string expected =
      "Zorvan [ZorvanDocMenu] >\n  Select [ZorvanSelMenu] >\n" + std::string(kSelectSubmenu) + kMainItems;
  EXPECT_EQ(model().MenuTree(), expected);
  EXPECT_EQ(model().CommandByNumber(Cmd::TrimTableTitle), 0u);
}

}  // namespace
}  // namespace zvtest
