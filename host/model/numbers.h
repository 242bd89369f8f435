// The host's own numbers: interface identifiers, method slots, object types, property numbers,
// notification codes, value type codes of returned property lists and host status codes. They
// are written here independently of the module's headers, so that a wrong slot, identifier or
// number on the module's side shows up as a failure instead of agreeing with itself.
#pragma once

#include <cstdint>

#include "hostapi/abi.h"

#if defined(_WIN32) && !defined(_WIN64)
#define ZVH_CALL __stdcall
#else
#define ZVH_CALL
#endif

namespace zvhost {

using ObjectId = uint32_t;  // top 8 bits: the object's type; low 24 bits: a counter; 0 = none
using Metric = int32_t;     // 65536 = 1 point
using HResult = int32_t;

using Iid = zv::Guid;  // the interface's layout; the values below are the host's own

namespace iid {
// Interfaces the host hands out from its root object.
constexpr Iid Session = {0xCA913130, 0x7B0A, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
constexpr Iid SessionAux1 = {0x5B0455F0, 0x0DB8, 0x11D1, {0x98, 0x6D, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
constexpr Iid SessionAux2 = {0xEA34B890, 0x2289, 0x11D3, {0xBC, 0x05, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}};
constexpr Iid MemoryPolicy = {0x04C8B860, 0xBC3B, 0x11D0, {0x8E, 0x04, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr Iid ModuleLink = {0xF5AE87C2, 0x3FF6, 0x11D1, {0x94, 0x57, 0x00, 0x80, 0x5F, 0x29, 0x2B, 0x02}};
constexpr Iid Extension = {0xE1E9B610, 0x97D0, 0x11D3, {0xBC, 0x10, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}};
// The standard identity and the client's event interface, which the host asks the client for.
constexpr Iid Unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr Iid ClientEvents = {0xEB813990, 0xB81C, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
}  // namespace iid

bool SameIid(const Iid& a, const Iid& b);

namespace hr {
constexpr HResult Ok = 0;
constexpr HResult False = 1;
constexpr HResult NotImplemented = static_cast<HResult>(0x80004001u);
constexpr HResult NoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult Pointer = static_cast<HResult>(0x80004003u);
constexpr HResult Fail = static_cast<HResult>(0x80004005u);
constexpr HResult Unexpected = static_cast<HResult>(0x8000FFFFu);  // no client bound
constexpr HResult Busy = static_cast<HResult>(0x8001010Au);        // the host is busy, retry later
}  // namespace hr

// Method slots of the interfaces the host serves (0 query, 1 add reference, 2 release).
namespace slot {
constexpr int QueryInterface = 0;
constexpr int AddRef = 1;
constexpr int Release = 2;
// Session interface.
constexpr int RegisterClient = 3;
constexpr int RequestNotification = 8;
constexpr int AddItemToMenu = 14;
constexpr int DefineSubmenu = 16;
constexpr int FindItemInMenu = 19;
constexpr int ShowAlert = 20;
constexpr int AskForInteger = 21;
constexpr int PrintToConsole = 24;
constexpr int RefreshDocument = 66;
constexpr int DeleteObject = 67;
constexpr int LookupNamedObject = 68;
constexpr int CreateGraphic = 69;
constexpr int ReadAllProps = 83;
constexpr int WriteAllProps = 84;
constexpr int GetIntProp = 85;
constexpr int SetIntProp = 86;
constexpr int GetIdProp = 89;
constexpr int GetMetricProp = 91;
constexpr int SetMetricProp = 92;
constexpr int GetTextLocProp = 93;
constexpr int GetTextRangeProp = 95;
constexpr int SetTextRangeProp = 96;
constexpr int GetMetricListProp = 101;
constexpr int SetMetricListProp = 102;
constexpr int SelectTableCells = 138;
constexpr int DefineMenuCommand = 164;
constexpr int SessionSlotCount = 200;  // the table is this long; unknown slots record and fail
// Memory policy and module link interfaces.
constexpr int AskHostKeepsResults = 3;
constexpr int SetClientModule = 3;
constexpr int SmallInterfaceSlotCount = 16;
// The client's event interface, called by the host.
constexpr int Initialize = 3;
constexpr int Quit = 4;
constexpr int Command = 5;
constexpr int Message = 6;
constexpr int DialogEvent = 7;
constexpr int Notify = 8;
constexpr int GetResource = 9;
}  // namespace slot

// Object types, the top 8 bits of an ObjectId.
namespace obj {
constexpr int Session = 0;
constexpr int Document = 4;  // the host's own choice; the client never tests it
constexpr int UnanchoredFrame = 9;
constexpr int Rectangle = 12;  // 10 to 21 are all graphic kinds; the host names only these
constexpr int TextFrame = 19;
constexpr int AnchoredFrame = 23;
constexpr int Paragraph = 31;
constexpr int Table = 36;
constexpr int Row = 38;
constexpr int Cell = 39;
constexpr int Menu = 55;
constexpr int Command = 56;
constexpr int Separator = 57;
constexpr int FrameContent = 65;
}  // namespace obj

inline int TypeOf(ObjectId id) {
  return static_cast<int>(id >> 24);
}
inline bool IsGraphicType(int type) {
  return (type >= 9 && type <= 21) || type == 23;
}
inline bool IsFrameType(int type) {
  return type == obj::UnanchoredFrame || type == obj::AnchoredFrame;
}

// Property numbers the host answers.
namespace prop {
constexpr int32_t ActiveDocument = 51;
constexpr int32_t ScreenUpdates = 92;
constexpr int32_t TextSelection = 109;
constexpr int32_t FirstSelectedGraphic = 128;
constexpr int32_t SelectedTable = 129;
constexpr int32_t GridSpacing = 393;
constexpr int32_t ParaAlignment = 547;
constexpr int32_t ParaFirstIndent = 555;
constexpr int32_t ParaLeftIndent = 556;
constexpr int32_t ParaRightIndent = 570;
constexpr int32_t OutlineWidth = 740;
constexpr int32_t FillPattern = 741;
constexpr int32_t SelectedFlag = 771;
constexpr int32_t ContainingFrame = 774;
constexpr int32_t GraphicBelow = 775;
constexpr int32_t GraphicAbove = 776;
constexpr int32_t PosX = 781;
constexpr int32_t PosY = 782;
constexpr int32_t Width = 783;
constexpr int32_t Height = 784;
constexpr int32_t NextSelectedGraphic = 785;
constexpr int32_t AnchorLocation = 879;
constexpr int32_t TblTitleParagraph = 972;
constexpr int32_t TextContainer = 1000;
constexpr int32_t CellRow = 1198;
constexpr int32_t CellColumn = 1205;
constexpr int32_t PreviousRow = 1245;
constexpr int32_t RowTable = 1246;
constexpr int32_t TblLeftIndent = 1278;
constexpr int32_t TblPlacement = 1282;
constexpr int32_t TblCellMarginA = 1317;
constexpr int32_t TblCellMarginB = 1318;
constexpr int32_t TblColumnCount = 1335;
constexpr int32_t TblFirstRow = 1339;
constexpr int32_t TblWidth = 1340;
constexpr int32_t TblSelTop = 1341;
constexpr int32_t TblSelFirstCol = 1343;
constexpr int32_t TblSelLastCol = 1344;
constexpr int32_t TblColWidths = 1345;
constexpr int32_t EnableCondition = 1935;
// Host-only properties that the client never names (they travel in ReadAllProps lists).
constexpr int32_t Name = 2001;   // text: the object's name or paragraph text
constexpr int32_t Order = 2002;  // int: position among its siblings
}  // namespace prop

// Readable name of a property number ("PosX"), or the number itself when unknown.
const char* PropName(int32_t number);
// Readable name of an object type ("Rectangle"), or "type<n>".
const char* TypeName(int type);

namespace note {
constexpr int32_t DocClosing = 11;
constexpr int32_t DocClosed = 40;
constexpr int32_t BeforeFunction = 44;
constexpr int32_t AfterFunction = 45;
constexpr int32_t SeparatedText = 75;
constexpr int32_t SelectionFunction = 0x3E;  // the function code sent around selection changes
}  // namespace note

// Enabling conditions the host understands for commands.
namespace enable {
constexpr int32_t Always = 0;
constexpr int32_t WidthCommand = 8;     // a graphic or table cells selected
constexpr int32_t TableCommand = 9;     // a table selected
constexpr int32_t ObjectCommands = 15;  // a graphic selected
constexpr int32_t UndoCommand = 26;     // always
}  // namespace enable

namespace alert {
constexpr int32_t Note = 2;
constexpr int32_t Error = 3;
}  // namespace alert

constexpr int32_t FillNone = 15;
constexpr int32_t FillSolid = 0;
constexpr int32_t WholeTable = static_cast<int32_t>(0x80000000u);  // top row of SelectTableCells
constexpr uint32_t ExpectedClientVersion = 0x06000000u;

// Value type codes of the property lists the host returns (ReadAllProps).
namespace vt {
constexpr int32_t Int = 1;
constexpr int32_t Metric = 2;
constexpr int32_t Text = 3;
constexpr int32_t Id = 4;
constexpr int32_t MetricList = 5;
constexpr int32_t TextList = 6;
constexpr int32_t Points = 7;  // 8-byte items
constexpr int32_t Tabs = 8;    // 16-byte entries with a text
constexpr int32_t TextLoc = 9;
constexpr int32_t TextRange = 10;
constexpr int32_t IntPairs = 12;
constexpr int32_t IntList = 13;
constexpr int32_t Bytes = 14;
constexpr int32_t IdList = 15;
constexpr int32_t Elements = 17;    // 40-byte entries
constexpr int32_t Attributes = 18;  // 16-byte entries
constexpr int32_t Block24 = 19;
}  // namespace vt

// Host status codes (0 = success). 7 is left free for fault injection.
namespace status {
constexpr int32_t Ok = 0;
constexpr int32_t BadDocument = 1;   // the document argument does not address the object
constexpr int32_t BadObject = 2;     // no such object
constexpr int32_t BadProperty = 3;   // the object has no such property
constexpr int32_t WrongKind = 4;     // the property holds another kind of value
constexpr int32_t BadValue = 5;      // the value cannot be taken
constexpr int32_t NotFound = 6;      // named object or menu item not found
constexpr int32_t Cancelled = 8;     // the user cancelled the prompt
constexpr int32_t ReadOnly = 9;      // the property cannot be written
constexpr int32_t Unsupported = 10;  // the host does not serve this request
}  // namespace status

}  // namespace zvhost
