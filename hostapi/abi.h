// The binary interface between the module and its host, written down once, in C: the calling
// convention, the data layouts that cross the boundary, the interface identifiers and the
// method table of every interface either side calls. On Win32 the layouts are the exact 32-bit
// ones the host expects; on Win64 (LLP64) and Linux x86-64 the same fields keep their order
// with 64-bit pointers and natural alignment. The header compiles as C11 and as C++17 and
// needs nothing else of the module; the C++ names of the module (zv::) follow at the end.
#ifndef ZV_HOSTAPI_ABI_H
#define ZV_HOSTAPI_ABI_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ZV_CALL __stdcall
#else
#define ZV_CALL
#endif

#ifdef __cplusplus
#define ZV_STATIC_ASSERT(condition, what) static_assert(condition, what)
#else
#define ZV_STATIC_ASSERT(condition, what) _Static_assert(condition, what)
#endif

typedef int32_t ZvHResult;
typedef uint32_t ZvObjectId;    // top 8 bits: the object's type code; 0 = none
typedef int32_t ZvMetricValue;  // 65536 = 1 point
typedef void* ZvModuleHandle;   // HMODULE on Windows, the handle dlopen returned on Linux

#define ZV_HR_OK ((ZvHResult)0)
#define ZV_HR_FALSE ((ZvHResult)1)
#define ZV_HR_NO_INTERFACE ((ZvHResult)0x80004002u)
#define ZV_HR_POINTER ((ZvHResult)0x80004003u)
#define ZV_HR_FAIL ((ZvHResult)0x80004005u)
#define ZV_HR_BUSY ((ZvHResult)0x8001010Au)  // RPC_E_SERVERCALL_RETRYLATER: the host is busy, try later

typedef struct ZvGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
} ZvGuid;

// Interfaces the module asks the host's root object for, in this order.
// clang-format off
#define ZV_IID_HOST_SESSION {0xCA913130, 0x7B0A, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}}
#define ZV_IID_HOST_SESSION_AUX1 {0x5B0455F0, 0x0DB8, 0x11D1, {0x98, 0x6D, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}}
#define ZV_IID_HOST_SESSION_AUX2 {0xEA34B890, 0x2289, 0x11D3, {0xBC, 0x05, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}}
#define ZV_IID_HOST_MEMORY_POLICY {0x04C8B860, 0xBC3B, 0x11D0, {0x8E, 0x04, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}}
#define ZV_IID_HOST_MODULE_LINK {0xF5AE87C2, 0x3FF6, 0x11D1, {0x94, 0x57, 0x00, 0x80, 0x5F, 0x29, 0x2B, 0x02}}
#define ZV_IID_HOST_EXTENSION {0xE1E9B610, 0x97D0, 0x11D3, {0xBC, 0x10, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}}
// The interfaces the module offers: the standard identity and its event interface.
#define ZV_IID_UNKNOWN {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}}
#define ZV_IID_CLIENT_EVENTS {0xEB813990, 0xB81C, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}}
// clang-format on

// ---- Data that crosses the boundary ----

// The value types of a TypedValue, one row each: the code, the member of ZvValueUnion that
// holds the value, and what the value owns: Nothing (the value sits in the union), Text (one
// text, may be null), Items (count items in one block), Block (one 24-byte block, may be null)
// or Nested (texts or entries that own texts, and their array). What a value means is the
// host's business; the module relies only on the layouts, and handles codes that share a
// layout alike. Other codes (0, 11, 16, ...) carry no meaning the module reads: only the code
// itself is kept.
#define ZV_VALUE_TYPES(X)                                                                       \
  X(Int, 1, number, Nothing)            /* a number */                                          \
  X(Metric, 2, number, Nothing)         /* a length */                                          \
  X(Text, 3, text, Text)                /* a text */                                            \
  X(Id, 4, id, Nothing)                 /* an object */                                         \
  X(MetricList, 5, ints, Items)         /* 32-bit lengths */                                    \
  X(TextList, 6, texts, Nested)         /* texts: each text and the pointer array */            \
  X(Points, 7, pairs, Items)            /* 8-byte points */                                     \
  X(Tabs, 8, tabs, Nested)              /* 16-byte tab stops with a leader text each */         \
  X(TextLoc, 9, loc, Nothing)           /* a place in text */                                   \
  X(TextRange, 10, range, Nothing)      /* a stretch of text */                                 \
  X(IntPairs, 12, pairs, Items)         /* 8-byte pairs of numbers */                           \
  X(IntList, 13, ints, Items)           /* 32-bit numbers */                                    \
  X(Bytes, 14, bytes, Items)            /* bytes */                                             \
  X(IdList, 15, ints, Items)            /* 32-bit objects */                                    \
  X(Elements, 17, elements, Nested)     /* 40-byte element entries with texts and text lists */ \
  X(Attributes, 18, attributes, Nested) /* 16-byte attribute entries with a name and values */  \
  X(Block24, 19, block24, Block)        /* a 24-byte block */

#define ZV_VALUE_TYPE_ENUMERATOR(name, code, member, owns) ZvVt##name = code,
typedef enum ZvValueType { ZV_VALUE_TYPES(ZV_VALUE_TYPE_ENUMERATOR) } ZvValueType;
#undef ZV_VALUE_TYPE_ENUMERATOR

// A property's key: by number, or by name when the number is 0.
typedef struct ZvPropKey {
  int32_t number;  // the host's property number; 0: the name identifies the property
  char* name;      // null whenever number is nonzero; in a client list, owned by the element
} ZvPropKey;

// A counted list of texts (VtTextList, and nested in entries): each text and the pointer array
// are owned by whoever owns the list.
typedef struct ZvTextList {
  uint32_t count;
  char** texts;
} ZvTextList;

// A counted list of lengths (VtMetricList; also the answer of GetMetricListProp).
typedef struct ZvMetricList {
  uint32_t count;
  ZvMetricValue* items;
} ZvMetricList;

// An 8-byte item of VtPoints and VtIntPairs: two 32-bit words, copied as they are.
typedef struct ZvWordPair {
  uint32_t first;
  uint32_t second;
} ZvWordPair;

// A tab stop of VtTabs: where it stands, its kind, its leader text (owned) and the character a
// decimal tab aligns on. The module copies the numbers as they are.
typedef struct ZvTabEntry {
  int32_t position;
  int32_t kind;
  char* leader;
  int32_t decimal;
} ZvTabEntry;

// An element entry of VtElements: its name, three numbers the host keeps with it, two text
// lists and two texts. Every text and list is owned; the numbers are copied as they are.
typedef struct ZvElementEntry {
  char* name;
  int32_t firstNumber;
  int32_t secondNumber;
  int32_t thirdNumber;
  ZvTextList firstList;
  ZvTextList secondList;
  char* firstText;  // may be null, as may the second
  char* secondText;
} ZvElementEntry;

// An attribute entry of VtAttributes: its name and its values (owned), and two bytes of flags
// copied as they are.
typedef struct ZvAttributeEntry {
  char* name;
  ZvTextList values;
  uint8_t flags[2];
  uint8_t padding[2];
} ZvAttributeEntry;

// A counted block of bytes (VtBytes, and the answer of GetResource).
typedef struct ZvByteBlock {
  uint32_t count;
  uint8_t* bytes;
} ZvByteBlock;

// A place in text: the paragraph (or other text object) and the character offset in it.
typedef struct ZvTextLoc {
  ZvObjectId object;
  int32_t offset;
} ZvTextLoc;

// A stretch of text from begin to end; begin == end is an insertion point.
typedef struct ZvTextRange {
  ZvTextLoc begin;
  ZvTextLoc end;
} ZvTextRange;

// The value of a TypedValue, read by its type (ZV_VALUE_TYPES says which member). The counted
// members are {count, pointer}, their items owned.
typedef union ZvValueUnion {
  ZvTextRange range;  // first: as wide as the union, so an empty initializer zeroes all of it
  ZvTextLoc loc;
  ZvObjectId id;
  int32_t number;
  char* text;
  struct {
    uint32_t count;
    int32_t* items;
  } ints;
  ZvTextList texts;
  struct {
    uint32_t count;
    ZvWordPair* items;
  } pairs;
  struct {
    uint32_t count;
    ZvTabEntry* items;
  } tabs;
  ZvByteBlock bytes;
  struct {
    uint32_t count;
    ZvElementEntry* items;
  } elements;
  struct {
    uint32_t count;
    ZvAttributeEntry* items;
  } attributes;
  uint8_t* block24;  // 24 bytes
} ZvValueUnion;

typedef struct ZvTypedValue {
  int32_t type;  // a ZvValueType, or a code whose value carries no meaning
  ZvValueUnion u;
} ZvTypedValue;

// One element of a property list: the key and its value.
typedef struct ZvPropVal {
  ZvPropKey key;
  ZvTypedValue value;
} ZvPropVal;

// A counted list of properties with their values (ReadAllProps, WriteAllProps, the
// registration). A list the host returns is the host's; the module imports it into its own.
typedef struct ZvPropList {
  uint32_t count;
  ZvPropVal* vals;
} ZvPropList;

#if defined(_WIN32) && !defined(_WIN64)
ZV_STATIC_ASSERT(sizeof(void*) == 4, "Win32 build must be 32-bit");
ZV_STATIC_ASSERT(sizeof(ZvGuid) == 16, "Guid");
ZV_STATIC_ASSERT(sizeof(ZvPropKey) == 8, "PropKey");
ZV_STATIC_ASSERT(sizeof(ZvTypedValue) == 20 && offsetof(ZvTypedValue, u) == 4, "TypedValue");
ZV_STATIC_ASSERT(sizeof(ZvPropVal) == 28 && offsetof(ZvPropVal, value) == 8, "PropVal");
ZV_STATIC_ASSERT(sizeof(ZvPropList) == 8 && offsetof(ZvPropList, vals) == 4, "PropList");
ZV_STATIC_ASSERT(sizeof(ZvTabEntry) == 16 && offsetof(ZvTabEntry, leader) == 8 && offsetof(ZvTabEntry, decimal) == 12,
                 "TabEntry");
ZV_STATIC_ASSERT(sizeof(ZvElementEntry) == 40 && offsetof(ZvElementEntry, firstNumber) == 4 &&
                     offsetof(ZvElementEntry, thirdNumber) == 12 && offsetof(ZvElementEntry, firstList) == 16 &&
                     offsetof(ZvElementEntry, secondList) == 24 && offsetof(ZvElementEntry, firstText) == 32 &&
                     offsetof(ZvElementEntry, secondText) == 36,
                 "ElementEntry");
ZV_STATIC_ASSERT(sizeof(ZvAttributeEntry) == 16 && offsetof(ZvAttributeEntry, values) == 4 &&
                     offsetof(ZvAttributeEntry, flags) == 12,
                 "AttributeEntry");
ZV_STATIC_ASSERT(sizeof(ZvTextLoc) == 8 && sizeof(ZvTextRange) == 16 && offsetof(ZvTextRange, end) == 8, "TextRange");
ZV_STATIC_ASSERT(sizeof(ZvMetricList) == 8 && sizeof(ZvByteBlock) == 8, "flat lists");
#elif defined(_WIN64)
// Win64 (LLP64): the same structures with 64-bit pointers and natural alignment.
ZV_STATIC_ASSERT(sizeof(void*) == 8, "Win64 build must be 64-bit");
ZV_STATIC_ASSERT(sizeof(ZvGuid) == 16, "Guid");
ZV_STATIC_ASSERT(sizeof(ZvPropKey) == 16, "PropKey");
ZV_STATIC_ASSERT(sizeof(ZvTypedValue) == 24 && offsetof(ZvTypedValue, u) == 8, "TypedValue");
ZV_STATIC_ASSERT(sizeof(ZvPropVal) == 40 && offsetof(ZvPropVal, value) == 16, "PropVal");
ZV_STATIC_ASSERT(sizeof(ZvPropList) == 16 && offsetof(ZvPropList, vals) == 8, "PropList");
ZV_STATIC_ASSERT(sizeof(ZvTabEntry) == 24 && offsetof(ZvTabEntry, leader) == 8 && offsetof(ZvTabEntry, decimal) == 16,
                 "TabEntry");
ZV_STATIC_ASSERT(sizeof(ZvElementEntry) == 72 && offsetof(ZvElementEntry, firstNumber) == 8 &&
                     offsetof(ZvElementEntry, thirdNumber) == 16 && offsetof(ZvElementEntry, firstList) == 24 &&
                     offsetof(ZvElementEntry, secondList) == 40 && offsetof(ZvElementEntry, firstText) == 56 &&
                     offsetof(ZvElementEntry, secondText) == 64,
                 "ElementEntry");
ZV_STATIC_ASSERT(sizeof(ZvAttributeEntry) == 32 && offsetof(ZvAttributeEntry, values) == 8 &&
                     offsetof(ZvAttributeEntry, flags) == 24,
                 "AttributeEntry");
ZV_STATIC_ASSERT(sizeof(ZvTextLoc) == 8 && sizeof(ZvTextRange) == 16 && offsetof(ZvTextRange, end) == 8, "TextRange");
ZV_STATIC_ASSERT(sizeof(ZvMetricList) == 16 && sizeof(ZvByteBlock) == 16, "flat lists");
#endif
ZV_STATIC_ASSERT(sizeof(ZvValueUnion) == sizeof(ZvTextRange), "the widest value is a text range");

// ---- Method tables ----
// Every interface is a pointer to an object whose first field points at its method table;
// slot 0 queries, 1 adds a reference, 2 releases. The interface pointer is always the first
// argument. Every method returns an HResult unless stated otherwise: negative when the call
// itself failed (ZV_HR_BUSY when the host is busy: try later), and then no output is written.
// Host methods also write a 32-bit status: 0 = done, anything else = refused (the outputs then
// mean nothing). Texts the module passes are the module's, read during the call only; blocks a
// host method returns come from the COM task allocator and are the module's to release with
// it, unless the host keeps results (AskHostKeepsResults). Everything runs on the host's one
// thread.

// The standard three, first in every table: `out` gets the interface for `iid` with a reference
// added, or null with ZV_HR_NO_INTERFACE. AddRef and Release return the new count (for tracing
// only).
typedef struct ZvUnknownMethods {
  ZvHResult(ZV_CALL* QueryInterface)(void* self, const ZvGuid* iid, void** out);
  uint32_t(ZV_CALL* AddRef)(void* self);
  uint32_t(ZV_CALL* Release)(void* self);
} ZvUnknownMethods;

// HostSession: the host's operations, called by the module. Of its 165 slots the module names
// the ones it calls; the others are reserved.
typedef struct ZvHostSessionMethods {
  ZvHResult(ZV_CALL* QueryInterface)(void* self, const ZvGuid* iid, void** out);
  uint32_t(ZV_CALL* AddRef)(void* self);
  uint32_t(ZV_CALL* Release)(void* self);
  // The host takes `client` (the event object's identity) as its event receiver and keeps a
  // reference while the module is to stay loaded; it reads `registration` during the call only
  // (the module releases it after). The module does not rely on the result.
  ZvHResult(ZV_CALL* RegisterClient)(void* self, void* client, uint32_t version, ZvPropList* registration);
  void* reserved4[4];
  // After `state` 1 the host sends notification `code` to the event interface's Notify.
  ZvHResult(ZV_CALL* RequestNotification)(void* self, int32_t code, int32_t state, int32_t* status);
  void* reserved9[5];
  // Appends `item` (a separator here) to `menu`.
  ZvHResult(ZV_CALL* AddItemToMenu)(void* self, ZvObjectId menu, ZvObjectId item, int32_t* status);
  void* reserved15[1];
  // Appends a submenu tagged `tag` and labelled `label` to `parent`; `id` gets the new menu.
  ZvHResult(ZV_CALL* DefineSubmenu)(void* self, ZvObjectId parent, const char* tag, const char* label, int32_t* status,
                                    ZvObjectId* id);
  void* reserved17[2];
  // `id` gets `item` when `menu` holds it already, else 0 (`flags` 0).
  ZvHResult(ZV_CALL* FindItemInMenu)(void* self, ZvObjectId menu, ZvObjectId item, int32_t flags, int32_t* status,
                                     ZvObjectId* id);
  // Shows `message` modally as an alert of `kind` (ValAlert...); `answer` gets the button
  // chosen. The one method without a status.
  ZvHResult(ZV_CALL* ShowAlert)(void* self, const char* message, int32_t kind, int32_t* answer);
  // Asks for a whole number with `prompt`, `defaultText` filled in; status 0 and `reply` when
  // the user confirms, a nonzero status when the user cancels. The status comes first here.
  ZvHResult(ZV_CALL* AskForInteger)(void* self, int32_t* status, int32_t* reply, const char* prompt,
                                    const char* defaultText);
  void* reserved22[2];
  // Writes `text` to the host's console.
  ZvHResult(ZV_CALL* PrintToConsole)(void* self, const char* text, int32_t* status);
  void* reserved25[41];
  // Redraws document `doc`.
  ZvHResult(ZV_CALL* RefreshDocument)(void* self, ZvObjectId doc, int32_t* status);
  // Removes `object` from document `doc`.
  ZvHResult(ZV_CALL* DeleteObject)(void* self, ZvObjectId doc, ZvObjectId object, int32_t* status);
  // `id` gets the object of `type` named `name` in `doc` (0: the session), or 0 when none has it.
  ZvHResult(ZV_CALL* LookupNamedObject)(void* self, ZvObjectId doc, int32_t type, const char* name, int32_t* status,
                                        ZvObjectId* id);
  // Makes a new object of `type` inside frame `parent`; `id` gets it.
  ZvHResult(ZV_CALL* CreateGraphic)(void* self, ZvObjectId doc, int32_t type, ZvObjectId parent, int32_t* status,
                                    ZvObjectId* id);
  void* reserved70[13];
  // `out` gets every property of `object`: a list in task allocator blocks (see above).
  ZvHResult(ZV_CALL* ReadAllProps)(void* self, ZvObjectId doc, ZvObjectId object, int32_t* status, ZvPropList* out);
  // Applies every property of `list` to `object`; the list stays the caller's.
  ZvHResult(ZV_CALL* WriteAllProps)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropList* list, int32_t* status);
  // The property getters and setters: `key` names the property of `object` in `doc` (0: the
  // session); a getter writes the value, a setter takes it. Both leave `key` as it was.
  ZvHResult(ZV_CALL* GetIntProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key, int32_t* status,
                                 int32_t* value);
  ZvHResult(ZV_CALL* SetIntProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key, int32_t value,
                                 int32_t* status);
  void* reserved87[2];
  ZvHResult(ZV_CALL* GetIdProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key, int32_t* status,
                                ZvObjectId* value);
  void* reserved90[1];
  ZvHResult(ZV_CALL* GetMetricProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key, int32_t* status,
                                    ZvMetricValue* value);
  ZvHResult(ZV_CALL* SetMetricProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key, ZvMetricValue value,
                                    int32_t* status);
  ZvHResult(ZV_CALL* GetTextLocProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key, int32_t* status,
                                     ZvTextLoc* value);
  void* reserved94[1];
  ZvHResult(ZV_CALL* GetTextRangeProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key, int32_t* status,
                                       ZvTextRange* value);
  // The range stays the caller's.
  ZvHResult(ZV_CALL* SetTextRangeProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key,
                                       ZvTextRange* value, int32_t* status);
  void* reserved97[4];
  // `value` gets a list whose items are a task allocator block (see above).
  ZvHResult(ZV_CALL* GetMetricListProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key, int32_t* status,
                                        ZvMetricList* value);
  // The list stays the caller's.
  ZvHResult(ZV_CALL* SetMetricListProp)(void* self, ZvObjectId doc, ZvObjectId object, ZvPropKey* key,
                                        ZvMetricList* value, int32_t* status);
  void* reserved103[35];
  // Makes rows `topRow` to `bottomRow`, columns `leftCol` to `rightCol` of `table` the selection.
  ZvHResult(ZV_CALL* SelectTableCells)(void* self, ZvObjectId doc, ZvObjectId table, int32_t topRow, int32_t bottomRow,
                                       int32_t leftCol, int32_t rightCol, int32_t* status);
  void* reserved139[25];
  // Appends a command to `menu`: the host sends `number` to the event interface's Command when
  // the user chooses it; `id` gets the command object.
  ZvHResult(ZV_CALL* DefineMenuCommand)(void* self, int32_t number, ZvObjectId menu, const char* tag, const char* label,
                                        const char* shortcut, int32_t* status, ZvObjectId* id);
} ZvHostSessionMethods;

// HostMemoryPolicy, asked once by the module at start-up.
typedef struct ZvHostMemoryPolicyMethods {
  ZvHResult(ZV_CALL* QueryInterface)(void* self, const ZvGuid* iid, void** out);
  uint32_t(ZV_CALL* AddRef)(void* self);
  uint32_t(ZV_CALL* Release)(void* self);
  // ZV_HR_OK when the host keeps the blocks it returns (the module then releases none); any
  // other result (ZV_HR_FALSE) when the module releases them.
  ZvHResult(ZV_CALL* AskHostKeepsResults)(void* self, int32_t question);
} ZvHostMemoryPolicyMethods;

// HostModuleLink, told once by the module at start-up.
typedef struct ZvHostModuleLinkMethods {
  ZvHResult(ZV_CALL* QueryInterface)(void* self, const ZvGuid* iid, void** out);
  uint32_t(ZV_CALL* AddRef)(void* self);
  uint32_t(ZV_CALL* Release)(void* self);
  // Tells the host the module's handle, for the host's resource requests; the result is not
  // used.
  ZvHResult(ZV_CALL* SetClientModule)(void* self, ZvModuleHandle module);
} ZvHostModuleLinkMethods;

// The event interface, offered by the module and called by the host. Each returns ZV_HR_OK;
// the module throws nothing across it and reports its own failures through host alerts.
typedef struct ZvClientEventsMethods {
  ZvHResult(ZV_CALL* QueryInterface)(void* self, const ZvGuid* iid, void** out);
  uint32_t(ZV_CALL* AddRef)(void* self);
  uint32_t(ZV_CALL* Release)(void* self);
  // `kind` 1 is start-up, when the menus are built; other kinds are ignored.
  ZvHResult(ZV_CALL* Initialize)(void* self, int32_t kind);
  // Quit, Message, DialogEvent: nothing for this module to do.
  ZvHResult(ZV_CALL* Quit)(void* self);
  // The user chose the command of `number` (DefineMenuCommand); unknown numbers do nothing.
  ZvHResult(ZV_CALL* Command)(void* self, int32_t number);
  ZvHResult(ZV_CALL* Message)(void* self, int32_t a, int32_t b, int32_t c);
  ZvHResult(ZV_CALL* DialogEvent)(void* self, int32_t a, int32_t b, int32_t c);
  // Notification `code` (RequestNotification) about `doc`; `text` is the host's, read during
  // the call, except for notification 75, where the module hands its handler a NotifyFields
  // record instead.
  ZvHResult(ZV_CALL* Notify)(void* self, int32_t code, ZvObjectId doc, const char* text, int32_t value);
  // Fills `out` with resource `name` of `type` (type 0: the module's file path) in a block from
  // the COM task allocator, which the host then owns and releases; ZV_HR_OK with the block,
  // ZV_HR_FAIL when there is none and ZV_HR_POINTER without `out` (then `out` is not written).
  ZvHResult(ZV_CALL* GetResource)(void* self, int32_t type, const char* name, ZvByteBlock* out);
} ZvClientEventsMethods;

// The interfaces as the module holds them: the object behind each starts with its table.
typedef struct ZvUnknown {
  const ZvUnknownMethods* methods;
} ZvUnknown;
typedef struct ZvHostSession {
  const ZvHostSessionMethods* methods;
} ZvHostSession;
typedef struct ZvHostMemoryPolicy {
  const ZvHostMemoryPolicyMethods* methods;
} ZvHostMemoryPolicy;
typedef struct ZvHostModuleLink {
  const ZvHostModuleLinkMethods* methods;
} ZvHostModuleLink;

// The slot of each named method, one row each (the standard three are every table's first).
// clang-format off
#define ZV_UNKNOWN_SLOTS(X, T) X(T, QueryInterface, 0) X(T, AddRef, 1) X(T, Release, 2)
#define ZV_HOST_SESSION_SLOTS(X, T) \
  X(T, RegisterClient, 3)           \
  X(T, RequestNotification, 8)      \
  X(T, AddItemToMenu, 14)           \
  X(T, DefineSubmenu, 16)           \
  X(T, FindItemInMenu, 19)          \
  X(T, ShowAlert, 20)               \
  X(T, AskForInteger, 21)           \
  X(T, PrintToConsole, 24)          \
  X(T, RefreshDocument, 66)         \
  X(T, DeleteObject, 67)            \
  X(T, LookupNamedObject, 68)       \
  X(T, CreateGraphic, 69)           \
  X(T, ReadAllProps, 83)            \
  X(T, WriteAllProps, 84)           \
  X(T, GetIntProp, 85)              \
  X(T, SetIntProp, 86)              \
  X(T, GetIdProp, 89)               \
  X(T, GetMetricProp, 91)           \
  X(T, SetMetricProp, 92)           \
  X(T, GetTextLocProp, 93)          \
  X(T, GetTextRangeProp, 95)        \
  X(T, SetTextRangeProp, 96)        \
  X(T, GetMetricListProp, 101)      \
  X(T, SetMetricListProp, 102)      \
  X(T, SelectTableCells, 138)       \
  X(T, DefineMenuCommand, 164)
#define ZV_HOST_MEMORY_POLICY_SLOTS(X, T) X(T, AskHostKeepsResults, 3)
#define ZV_HOST_MODULE_LINK_SLOTS(X, T) X(T, SetClientModule, 3)
#define ZV_CLIENT_EVENTS_SLOTS(X, T) \
  X(T, Initialize, 3)                \
  X(T, Quit, 4)                      \
  X(T, Command, 5)                   \
  X(T, Message, 6)                   \
  X(T, DialogEvent, 7)               \
  X(T, Notify, 8)                    \
  X(T, GetResource, 9)
// clang-format on

#define ZV_SLOT_ENUMERATOR(table, name, slot) ZvSlot##name = slot,
enum ZvUnknownSlot { ZV_UNKNOWN_SLOTS(ZV_SLOT_ENUMERATOR, ) ZvUnknownSlotCount = 3 };
enum ZvHostSessionSlot { ZV_HOST_SESSION_SLOTS(ZV_SLOT_ENUMERATOR, ) ZvHostSessionSlotCount = 165 };
enum ZvHostMemoryPolicySlot { ZV_HOST_MEMORY_POLICY_SLOTS(ZV_SLOT_ENUMERATOR, ) ZvHostMemoryPolicySlotCount = 4 };
enum ZvHostModuleLinkSlot { ZV_HOST_MODULE_LINK_SLOTS(ZV_SLOT_ENUMERATOR, ) ZvHostModuleLinkSlotCount = 4 };
enum ZvClientEventsSlot { ZV_CLIENT_EVENTS_SLOTS(ZV_SLOT_ENUMERATOR, ) ZvClientEventsSlotCount = 10 };
#undef ZV_SLOT_ENUMERATOR

// Method `name` of `table` sits at `slot`, counted in pointers from the table's start.
#define ZV_SLOT_AT(table, name, slot) \
  ZV_STATIC_ASSERT(offsetof(table, name) == (slot) * sizeof(void*), #table "." #name " sits at its slot");
ZV_UNKNOWN_SLOTS(ZV_SLOT_AT, ZvUnknownMethods)
ZV_UNKNOWN_SLOTS(ZV_SLOT_AT, ZvHostSessionMethods)
ZV_HOST_SESSION_SLOTS(ZV_SLOT_AT, ZvHostSessionMethods)
ZV_UNKNOWN_SLOTS(ZV_SLOT_AT, ZvHostMemoryPolicyMethods)
ZV_HOST_MEMORY_POLICY_SLOTS(ZV_SLOT_AT, ZvHostMemoryPolicyMethods)
ZV_UNKNOWN_SLOTS(ZV_SLOT_AT, ZvHostModuleLinkMethods)
ZV_HOST_MODULE_LINK_SLOTS(ZV_SLOT_AT, ZvHostModuleLinkMethods)
ZV_UNKNOWN_SLOTS(ZV_SLOT_AT, ZvClientEventsMethods)
ZV_CLIENT_EVENTS_SLOTS(ZV_SLOT_AT, ZvClientEventsMethods)
ZV_STATIC_ASSERT(sizeof(ZvUnknownMethods) == ZvUnknownSlotCount * sizeof(void*), "IUnknown's three slots");
ZV_STATIC_ASSERT(sizeof(ZvHostSessionMethods) == ZvHostSessionSlotCount * sizeof(void*), "the session's slots");
ZV_STATIC_ASSERT(sizeof(ZvHostMemoryPolicyMethods) == ZvHostMemoryPolicySlotCount * sizeof(void*), "policy slots");
ZV_STATIC_ASSERT(sizeof(ZvHostModuleLinkMethods) == ZvHostModuleLinkSlotCount * sizeof(void*), "link slots");
ZV_STATIC_ASSERT(sizeof(ZvClientEventsMethods) == ZvClientEventsSlotCount * sizeof(void*), "the event slots");

// The module's only export: 0 = bound, -1 = not bound.
typedef int32_t(ZV_CALL* ZvClientInitFn)(ZvModuleHandle module, void* root, void* held, ZvPropList* registration);
#if defined(_WIN32) && !defined(_WIN64)
#define ZV_CLIENT_INIT_EXPORT_NAME "_F_ApiClientInit@16"
#else
#define ZV_CLIENT_INIT_EXPORT_NAME "F_ApiClientInit"
#endif

#ifdef __cplusplus
// ---- The module's C++ names for the same interface ----
namespace zv {

using HResult = ZvHResult;
using ObjectId = ZvObjectId;
using MetricValue = ZvMetricValue;
using ModuleHandle = ZvModuleHandle;

constexpr HResult HrOk = ZV_HR_OK;
constexpr HResult HrFalse = ZV_HR_FALSE;
constexpr HResult HrNoInterface = ZV_HR_NO_INTERFACE;
constexpr HResult HrPointer = ZV_HR_POINTER;
constexpr HResult HrFail = ZV_HR_FAIL;
constexpr HResult HrBusy = ZV_HR_BUSY;

inline int ObjectType(ObjectId id) {
  return static_cast<int>(id >> 24);
}

using Guid = ZvGuid;
inline bool GuidEqual(const Guid& a, const Guid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}
constexpr Guid IidHostSession = ZV_IID_HOST_SESSION;
constexpr Guid IidHostSessionAux1 = ZV_IID_HOST_SESSION_AUX1;
constexpr Guid IidHostSessionAux2 = ZV_IID_HOST_SESSION_AUX2;
constexpr Guid IidHostMemoryPolicy = ZV_IID_HOST_MEMORY_POLICY;
constexpr Guid IidHostModuleLink = ZV_IID_HOST_MODULE_LINK;
constexpr Guid IidHostExtension = ZV_IID_HOST_EXTENSION;
constexpr Guid IidUnknown = ZV_IID_UNKNOWN;
constexpr Guid IidClientEvents = ZV_IID_CLIENT_EVENTS;

using ValueType = ZvValueType;
#define ZV_VALUE_TYPE_NAME(name, code, member, owns) constexpr ValueType Vt##name = ZvVt##name;
ZV_VALUE_TYPES(ZV_VALUE_TYPE_NAME)
#undef ZV_VALUE_TYPE_NAME

using PropKey = ZvPropKey;
using TextList = ZvTextList;
using MetricList = ZvMetricList;
using WordPair = ZvWordPair;
using TabEntry = ZvTabEntry;
using ElementEntry = ZvElementEntry;
using AttributeEntry = ZvAttributeEntry;
using ByteBlock = ZvByteBlock;
using TextLoc = ZvTextLoc;
using TextRange = ZvTextRange;
using ValueUnion = ZvValueUnion;
using TypedValue = ZvTypedValue;
using PropVal = ZvPropVal;
using PropList = ZvPropList;

// Slot numbers by name and the type of each named method (fn::GetIntProp and so on), for
// code outside the module that reads a table by slot (SlotOf).
#define ZV_SLOT_NAME(table, name, slot) constexpr int Slot##name = ZvSlot##name;
ZV_UNKNOWN_SLOTS(ZV_SLOT_NAME, )
ZV_HOST_SESSION_SLOTS(ZV_SLOT_NAME, )
ZV_HOST_MEMORY_POLICY_SLOTS(ZV_SLOT_NAME, )
ZV_HOST_MODULE_LINK_SLOTS(ZV_SLOT_NAME, )
ZV_CLIENT_EVENTS_SLOTS(ZV_SLOT_NAME, )
#undef ZV_SLOT_NAME
constexpr int HostSessionSlotCount = ZvHostSessionSlotCount;
constexpr int ClientEventsSlotCount = ZvClientEventsSlotCount;
namespace fn {
#define ZV_METHOD_TYPE(table, name, slot) using name = decltype(table::name);
ZV_UNKNOWN_SLOTS(ZV_METHOD_TYPE, ZvUnknownMethods)
ZV_HOST_SESSION_SLOTS(ZV_METHOD_TYPE, ZvHostSessionMethods)
ZV_HOST_MEMORY_POLICY_SLOTS(ZV_METHOD_TYPE, ZvHostMemoryPolicyMethods)
ZV_HOST_MODULE_LINK_SLOTS(ZV_METHOD_TYPE, ZvHostModuleLinkMethods)
ZV_CLIENT_EVENTS_SLOTS(ZV_METHOD_TYPE, ZvClientEventsMethods)
#undef ZV_METHOD_TYPE
}  // namespace fn

// Reads method `slot` of an interface pointer as the function type Fn.
template <typename Fn>
inline Fn SlotOf(void* iface, int slot) {
  return reinterpret_cast<Fn>((*static_cast<void* const* const*>(iface))[slot]);
}

using ClientInitFn = ZvClientInitFn;
constexpr const char* ClientInitExportName = ZV_CLIENT_INIT_EXPORT_NAME;

}  // namespace zv
#endif  // __cplusplus

#endif  // ZV_HOSTAPI_ABI_H
