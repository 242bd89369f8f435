// The binary interface between the module and its host, written down once: the calling
// convention, the data layouts that cross the boundary, the interface identifiers and the
// slot numbers of every method either side calls. On Win32 the layouts are the exact 32-bit
// ones the host expects; on Win64 (LLP64) and Linux x86-64 the same fields keep their order
// with 64-bit pointers and natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/module_handle.h"

#if defined(_WIN32) && !defined(_WIN64)
#define ZV_CALL __stdcall
#else
#define ZV_CALL
#endif

namespace zv {

using HResult = int32_t;
using ObjectId = uint32_t;    // top 8 bits: the object's type code; 0 = none
using MetricValue = int32_t;  // 65536 = 1 point

constexpr HResult HrOk = 0;
constexpr HResult HrFalse = 1;
constexpr HResult HrNoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult HrPointer = static_cast<HResult>(0x80004003u);
constexpr HResult HrFail = static_cast<HResult>(0x80004005u);
constexpr HResult HrBusy = static_cast<HResult>(0x8001010Au);  // RPC_E_SERVERCALL_RETRYLATER

inline int ObjectType(ObjectId id) {
  return static_cast<int>(id >> 24);
}

struct Guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

inline bool GuidEqual(const Guid& a, const Guid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}

// Interfaces the module asks the host's root object for, in this order.
constexpr Guid IidHostSession = {0xCA913130, 0x7B0A, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
constexpr Guid IidHostSessionAux1 = {0x5B0455F0, 0x0DB8, 0x11D1, {0x98, 0x6D, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
constexpr Guid IidHostSessionAux2 = {0xEA34B890, 0x2289, 0x11D3, {0xBC, 0x05, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}};
constexpr Guid IidHostMemoryPolicy = {0x04C8B860, 0xBC3B, 0x11D0, {0x8E, 0x04, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr Guid IidHostModuleLink = {0xF5AE87C2, 0x3FF6, 0x11D1, {0x94, 0x57, 0x00, 0x80, 0x5F, 0x29, 0x2B, 0x02}};
constexpr Guid IidHostExtension = {0xE1E9B610, 0x97D0, 0x11D3, {0xBC, 0x10, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}};
// The interfaces the module offers: the standard identity and its event interface.
constexpr Guid IidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr Guid IidClientEvents = {0xEB813990, 0xB81C, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};

// ---- Data that crosses the boundary ----

// The value types of a TypedValue: the code says which member of its union holds the value and
// what the value owns. What a value means is the host's business; the module relies only on
// the layouts, and handles codes that share a layout alike. Other codes (0, 11, 16, ...) carry
// no meaning the module reads: only the code itself is kept.
enum ValueType : int32_t {
  VtInt = 1,          // number
  VtMetric = 2,       // number
  VtText = 3,         // text, owned (may be null)
  VtId = 4,           // words[0]
  VtMetricList = 5,   // ints: 32-bit items, owned
  VtTextList = 6,     // texts: each text and the pointer array, owned
  VtPoints = 7,       // pairs: 8-byte items, owned
  VtTabs = 8,         // tabs: 16-byte tab stops with a leader text each, owned
  VtTextLoc = 9,      // words[0] and words[1]
  VtTextRange = 10,   // words[0] to words[3]
  VtIntPairs = 12,    // pairs: 8-byte items, owned
  VtIntList = 13,     // ints: 32-bit items, owned
  VtBytes = 14,       // bytes, owned
  VtIdList = 15,      // ints: 32-bit items, owned
  VtElements = 17,    // elements: 40-byte entries with texts and text lists, owned
  VtAttributes = 18,  // attributes: 16-byte entries with a name and values, owned
  VtBlock24 = 19,     // block24: a 24-byte block, owned (may be null)
};

// A property's key: by number, or by name when the number is 0.
struct PropKey {
  int32_t number;  // the host's property number; 0: the name identifies the property
  char* name;      // null whenever number is nonzero; in a client list, owned by the element
};

// A counted list of texts (VtTextList, and nested in entries): each text and the pointer array
// are owned by whoever owns the list.
struct TextList {
  uint32_t count;
  char** texts;
};

// A counted list of lengths (VtMetricList; also the answer of GetMetricListProp).
struct MetricList {
  uint32_t count;
  MetricValue* items;
};

// An 8-byte item of VtPoints and VtIntPairs: two 32-bit words, copied as they are.
struct WordPair {
  uint32_t first;
  uint32_t second;
};

// A tab stop of VtTabs: where it stands, its kind, its leader text (owned) and the character a
// decimal tab aligns on. The module copies the numbers as they are.
struct TabEntry {
  int32_t position;
  int32_t kind;
  char* leader;
  int32_t decimal;
};

// An element entry of VtElements: its name, three numbers the host keeps with it, two text
// lists and two texts. Every text and list is owned; the numbers are copied as they are.
struct ElementEntry {
  char* name;
  int32_t numbers[3];
  TextList lists[2];
  char* texts[2];
};

// An attribute entry of VtAttributes: its name and its values (owned), and two bytes of flags
// copied as they are.
struct AttributeEntry {
  char* name;
  TextList values;
  uint8_t flags[2];
  uint8_t padding[2];
};

// A counted block of bytes (VtBytes, and the answer of GetResource).
struct ByteBlock {
  uint32_t count;
  uint8_t* bytes;
};

// The value of a TypedValue, read by its type (ValueType says which member).
union ValueUnion {
  uint32_t words[4];  // VtId, VtTextLoc (2 words), VtTextRange (4 words)
  int32_t number;     // VtInt, VtMetric
  char* text;         // VtText
  struct {
    uint32_t count;
    int32_t* items;
  } ints;          // VtMetricList, VtIntList, VtIdList
  TextList texts;  // VtTextList
  struct {
    uint32_t count;
    WordPair* items;
  } pairs;  // VtPoints, VtIntPairs
  struct {
    uint32_t count;
    TabEntry* items;
  } tabs;           // VtTabs
  ByteBlock bytes;  // VtBytes
  struct {
    uint32_t count;
    ElementEntry* items;
  } elements;  // VtElements
  struct {
    uint32_t count;
    AttributeEntry* items;
  } attributes;      // VtAttributes
  uint8_t* block24;  // VtBlock24: 24 bytes
};

struct TypedValue {
  int32_t type;  // a ValueType, or a code whose value carries no meaning
  ValueUnion u;
};

// One element of a property list: the key and its value.
struct PropVal {
  PropKey key;
  TypedValue value;
};

// A counted list of properties with their values (ReadAllProps, WriteAllProps, the
// registration). A list the host returns is the host's; the module imports it into its own.
struct PropList {
  uint32_t count;
  PropVal* vals;
};

// A place in text: the paragraph (or other text object) and the character offset in it.
struct TextLoc {
  ObjectId object;
  int32_t offset;
};

// A stretch of text from begin to end; begin == end is an insertion point.
struct TextRange {
  TextLoc begin;
  TextLoc end;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(void*) == 4, "Win32 build must be 32-bit");
static_assert(sizeof(Guid) == 16, "Guid");
static_assert(sizeof(PropKey) == 8, "PropKey");
static_assert(sizeof(TypedValue) == 20 && offsetof(TypedValue, u) == 4, "TypedValue");
static_assert(sizeof(PropVal) == 28 && offsetof(PropVal, value) == 8, "PropVal");
static_assert(sizeof(PropList) == 8 && offsetof(PropList, vals) == 4, "PropList");
static_assert(sizeof(TabEntry) == 16 && offsetof(TabEntry, leader) == 8 && offsetof(TabEntry, decimal) == 12,
              "TabEntry");
static_assert(sizeof(ElementEntry) == 40 && offsetof(ElementEntry, lists[0]) == 16 &&
                  offsetof(ElementEntry, lists[1]) == 24 && offsetof(ElementEntry, texts[0]) == 32 &&
                  offsetof(ElementEntry, texts[1]) == 36,
              "ElementEntry");
static_assert(sizeof(AttributeEntry) == 16 && offsetof(AttributeEntry, values) == 4 &&
                  offsetof(AttributeEntry, flags) == 12,
              "AttributeEntry");
static_assert(sizeof(TextLoc) == 8 && sizeof(TextRange) == 16 && offsetof(TextRange, end) == 8, "TextRange");
static_assert(sizeof(MetricList) == 8 && sizeof(ByteBlock) == 8, "flat lists");
#elif defined(_WIN64)
// Win64 (LLP64): the same structures with 64-bit pointers and natural alignment.
static_assert(sizeof(void*) == 8, "Win64 build must be 64-bit");
static_assert(sizeof(Guid) == 16, "Guid");
static_assert(sizeof(PropKey) == 16, "PropKey");
static_assert(sizeof(TypedValue) == 24 && offsetof(TypedValue, u) == 8, "TypedValue");
static_assert(sizeof(PropVal) == 40 && offsetof(PropVal, value) == 16, "PropVal");
static_assert(sizeof(PropList) == 16 && offsetof(PropList, vals) == 8, "PropList");
static_assert(sizeof(TabEntry) == 24 && offsetof(TabEntry, leader) == 8 && offsetof(TabEntry, decimal) == 16,
              "TabEntry");
static_assert(sizeof(ElementEntry) == 72 && offsetof(ElementEntry, lists[0]) == 24 &&
                  offsetof(ElementEntry, lists[1]) == 40 && offsetof(ElementEntry, texts[0]) == 56 &&
                  offsetof(ElementEntry, texts[1]) == 64,
              "ElementEntry");
static_assert(sizeof(AttributeEntry) == 32 && offsetof(AttributeEntry, values) == 8 &&
                  offsetof(AttributeEntry, flags) == 24,
              "AttributeEntry");
static_assert(sizeof(TextLoc) == 8 && sizeof(TextRange) == 16 && offsetof(TextRange, end) == 8, "TextRange");
static_assert(sizeof(MetricList) == 16 && sizeof(ByteBlock) == 16, "flat lists");
#endif

// ---- Method slots ----
// Every interface is a pointer to a method table; slot 0 queries, 1 adds a reference, 2 releases.
// The interface pointer is always the first argument; every method returns an HResult unless
// stated otherwise.

enum UnknownSlot { SlotQueryInterface = 0, SlotAddRef = 1, SlotRelease = 2 };

// HostSession. Called by the module on the host's thread; blocks the host returns
// (PropList, MetricList) come from the COM task allocator and the module releases them
// unless the host keeps results.
enum HostSessionSlot {
  SlotRegisterClient = 3,
  SlotRequestNotification = 8,
  SlotAddItemToMenu = 14,
  SlotDefineSubmenu = 16,
  SlotFindItemInMenu = 19,
  SlotShowAlert = 20,
  SlotAskForInteger = 21,
  SlotPrintToConsole = 24,
  SlotRefreshDocument = 66,
  SlotDeleteObject = 67,
  SlotLookupNamedObject = 68,
  SlotCreateGraphic = 69,
  SlotReadAllProps = 83,
  SlotWriteAllProps = 84,
  SlotGetIntProp = 85,
  SlotSetIntProp = 86,
  SlotGetIdProp = 89,
  SlotGetMetricProp = 91,
  SlotSetMetricProp = 92,
  SlotGetTextLocProp = 93,
  SlotGetTextRangeProp = 95,
  SlotSetTextRangeProp = 96,
  SlotGetMetricListProp = 101,
  SlotSetMetricListProp = 102,
  SlotSelectTableCells = 138,
  SlotDefineMenuCommand = 164,
  HostSessionSlotCount = 165
};
enum HostMemoryPolicySlot { SlotAskHostKeepsResults = 3 };
enum HostModuleLinkSlot { SlotSetClientModule = 3 };

// The module's event interface, called by the host on its one thread.
enum ClientEventsSlot {
  SlotInitialize = 3,
  SlotQuit = 4,
  SlotCommand = 5,
  SlotMessage = 6,
  SlotDialogEvent = 7,
  SlotNotify = 8,
  SlotGetResource = 9,
  ClientEventsSlotCount = 10
};

// Method shapes, by slot. Every method takes the interface pointer first and returns an
// HResult: negative when the call itself failed (HrBusy when the host is busy: try later), and
// then no output is written. Host methods also write a 32-bit status: 0 = done, anything else
// = refused (the outputs then mean nothing). Texts the module passes are the module's, read
// during the call only; blocks a host method returns come from the COM task allocator and are
// the module's to release with it, unless the host keeps results (AskHostKeepsResults).
// Everything runs on the host's one thread.
namespace fn {
// The standard three: `out` gets the interface for `iid` with a reference added, or null with
// HrNoInterface. AddRef and Release return the new count (for tracing only).
using QueryInterface = HResult(ZV_CALL*)(void* self, const Guid* iid, void** out);
using AddRef = uint32_t(ZV_CALL*)(void* self);
using Release = uint32_t(ZV_CALL*)(void* self);
// The host takes `client` (the event object's identity) as its event receiver and keeps a
// reference while the module is to stay loaded; it reads `registration` during the call only
// (the module releases it after). The module does not rely on the result.
using RegisterClient = HResult(ZV_CALL*)(void* self, void* client, uint32_t version, PropList* registration);
// HrOk when the host keeps the blocks it returns (the module then releases none); any other
// result (HrFalse) when the module releases them.
using AskHostKeepsResults = HResult(ZV_CALL*)(void* self, int32_t question);
// Tells the host the module's handle, for the host's resource requests; the result is not used.
using SetClientModule = HResult(ZV_CALL*)(void* self, ModuleHandle module);

// After `state` 1 the host sends notification `code` to the event interface's Notify.
using RequestNotification = HResult(ZV_CALL*)(void* self, int32_t code, int32_t state, int32_t* status);
// Appends `item` (a separator here) to `menu`.
using AddItemToMenu = HResult(ZV_CALL*)(void* self, ObjectId menu, ObjectId item, int32_t* status);
// Appends a submenu tagged `tag` and labelled `label` to `parent`; `id` gets the new menu.
using DefineSubmenu = HResult(ZV_CALL*)(void* self, ObjectId parent, const char* tag, const char* label,
                                        int32_t* status, ObjectId* id);
// `id` gets `item` when `menu` holds it already, else 0 (`flags` 0).
using FindItemInMenu = HResult(ZV_CALL*)(void* self, ObjectId menu, ObjectId item, int32_t flags, int32_t* status,
                                         ObjectId* id);
// Shows `message` modally as an alert of `kind` (ValAlert...); `answer` gets the button chosen.
// The one method without a status.
using ShowAlert = HResult(ZV_CALL*)(void* self, const char* message, int32_t kind, int32_t* answer);
// Asks for a whole number with `prompt`, `defaultText` filled in; status 0 and `reply` when
// the user confirms, a nonzero status when the user cancels. The status comes first here.
using AskForInteger = HResult(ZV_CALL*)(void* self, int32_t* status, int32_t* reply, const char* prompt,
                                        const char* defaultText);
// Writes `text` to the host's console.
using PrintToConsole = HResult(ZV_CALL*)(void* self, const char* text, int32_t* status);
// Redraws document `doc`.
using RefreshDocument = HResult(ZV_CALL*)(void* self, ObjectId doc, int32_t* status);
// Removes `object` from document `doc`.
using DeleteObject = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, int32_t* status);
// `id` gets the object of `type` named `name` in `doc` (0: the session), or 0 when none has it.
using LookupNamedObject = HResult(ZV_CALL*)(void* self, ObjectId doc, int32_t type, const char* name, int32_t* status,
                                            ObjectId* id);
// Makes a new object of `type` inside frame `parent`; `id` gets it.
using CreateGraphic = HResult(ZV_CALL*)(void* self, ObjectId doc, int32_t type, ObjectId parent, int32_t* status,
                                        ObjectId* id);
// `out` gets every property of `object`: a list in task allocator blocks (see above).
using ReadAllProps = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, int32_t* status, PropList* out);
// Applies every property of `list` to `object`; the list stays the caller's.
using WriteAllProps = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropList* list, int32_t* status);
// The property getters and setters: `key` names the property of `object` in `doc` (0: the
// session); a getter writes the value, a setter takes it. Both leave `key` as it was.
using GetIntProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                     int32_t* value);
using SetIntProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, int32_t value,
                                     int32_t* status);
using GetIdProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                    ObjectId* value);
using GetMetricProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                        MetricValue* value);
using SetMetricProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, MetricValue value,
                                        int32_t* status);
using GetTextLocProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                         TextLoc* value);
using GetTextRangeProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                           TextRange* value);
// The range stays the caller's.
using SetTextRangeProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, TextRange* value,
                                           int32_t* status);
// `value` gets a list whose items are a task allocator block (see above).
using GetMetricListProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                            MetricList* value);
// The list stays the caller's.
using SetMetricListProp = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId object, PropKey* key, MetricList* value,
                                            int32_t* status);
// Makes rows `topRow` to `bottomRow`, columns `leftCol` to `rightCol` of `table` the selection.
using SelectTableCells = HResult(ZV_CALL*)(void* self, ObjectId doc, ObjectId table, int32_t topRow, int32_t bottomRow,
                                           int32_t leftCol, int32_t rightCol, int32_t* status);
// Appends a command to `menu`: the host sends `number` to the event interface's Command when
// the user chooses it; `id` gets the command object.
using DefineMenuCommand = HResult(ZV_CALL*)(void* self, int32_t number, ObjectId menu, const char* tag,
                                            const char* label, const char* shortcut, int32_t* status, ObjectId* id);

// The event interface (offered by the module, called by the host). Each returns HrOk; the
// module throws nothing across it and reports its own failures through host alerts.
// Initialize: `kind` 1 is start-up, when the menus are built; other kinds are ignored.
using Initialize = HResult(ZV_CALL*)(void* self, int32_t kind);
// Quit, Message, DialogEvent: nothing for this module to do.
using Quit = HResult(ZV_CALL*)(void* self);
// Command: the user chose the command of `number` (DefineMenuCommand); unknown numbers do nothing.
using Command = HResult(ZV_CALL*)(void* self, int32_t number);
using Message = HResult(ZV_CALL*)(void* self, int32_t a, int32_t b, int32_t c);
using DialogEvent = HResult(ZV_CALL*)(void* self, int32_t a, int32_t b, int32_t c);
// Notify: notification `code` (RequestNotification) about `doc`; `text` is the host's, read
// during the call, except for notification 75, where the module hands its handler a
// NotifyFields record instead.
using Notify = HResult(ZV_CALL*)(void* self, int32_t code, ObjectId doc, const char* text, int32_t value);
// GetResource: fills `out` with resource `name` of `type` (type 0: the module's file path) in a
// block from the COM task allocator, which the host then owns and releases; HrOk with the
// block, HrFail when there is none and HrPointer without `out` (then `out` is not written).
using GetResource = HResult(ZV_CALL*)(void* self, int32_t type, const char* name, ByteBlock* out);
}  // namespace fn

// Reads method `slot` of an interface pointer as the function type Fn.
template <typename Fn>
inline Fn SlotOf(void* iface, int slot) {
  return reinterpret_cast<Fn>((*static_cast<void* const* const*>(iface))[slot]);
}

// The module's only export: 0 = bound, -1 = not bound.
using ClientInitFn = int32_t(ZV_CALL*)(ModuleHandle module, void* root, void* held, PropList* registration);
#if defined(_WIN32) && !defined(_WIN64)
constexpr const char* ClientInitExportName = "_F_ApiClientInit@16";
#else
constexpr const char* ClientInitExportName = "F_ApiClientInit";
#endif

}  // namespace zv
