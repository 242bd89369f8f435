/* The smallest client module, in C11: one menu, "Hello", with one command, "Say Hello", which
 * shows the note "Hello from C.". It needs nothing but the host's interface header and the C
 * standard library. docs/writing-a-module.md walks through it. */
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "abi.h"

#if defined(_WIN64)
#define HELLO_EXPORT __declspec(dllexport)
#elif defined(_WIN32)
#define HELLO_EXPORT /* hello.win32.def names the decorated export */
#else
#define HELLO_EXPORT __attribute__((visibility("default")))
#endif

enum {
  HelloInterfaces = 6,        /* the interfaces asked of the root object */
  HelloMenuType = 55,         /* the object type of a menu, for LookupNamedObject */
  HelloAlertNote = 2,         /* ShowAlert's kind: a note */
  HelloCommandSayHello = 1,   /* the number the host sends to Command */
  HelloStartupKind = 1        /* Initialize's kind at start-up */
};

/* The interfaces, in the order the host expects them to be asked for. */
static const ZvGuid kAsked[HelloInterfaces] = {ZV_IID_HOST_SESSION,       ZV_IID_HOST_SESSION_AUX1,
                                               ZV_IID_HOST_SESSION_AUX2,  ZV_IID_HOST_MEMORY_POLICY,
                                               ZV_IID_HOST_MODULE_LINK,   ZV_IID_HOST_EXTENSION};
static const ZvGuid kIidUnknown = ZV_IID_UNKNOWN;
static const ZvGuid kIidClientEvents = ZV_IID_CLIENT_EVENTS;

/* What the host granted, in the order asked (null where it granted nothing). Every interface
 * starts with its method table; slot 2 of each is Release. */
static ZvUnknown* gHost[HelloInterfaces];

static ZvHostSession* Session(void) {
  return (ZvHostSession*)gHost[0];
}

/* Gives back every interface; each pointer is cleared before its release, so a host that calls
 * back meanwhile finds the module unbound. */
static void Teardown(void) {
  for (int i = 0; i < HelloInterfaces; ++i) {
    ZvUnknown* held = gHost[i];
    gHost[i] = NULL;
    if (held != NULL) held->methods->Release(held);
  }
}

/* The event object: one static object whose identity and event interface are one pointer.
 * When its last reference goes, the module gives back the host's interfaces. */
typedef struct HelloEvents {
  const ZvClientEventsMethods* methods;
  uint32_t count;
} HelloEvents;
static HelloEvents gEvents;

static ZvHResult ZV_CALL QueryInterface(void* self, const ZvGuid* iid, void** out) {
  if (out == NULL) return ZV_HR_POINTER;
  *out = NULL;
  if (iid == NULL || (memcmp(iid, &kIidUnknown, sizeof *iid) != 0 &&
                      memcmp(iid, &kIidClientEvents, sizeof *iid) != 0))
    return ZV_HR_NO_INTERFACE;
  ++gEvents.count;
  *out = self;
  return ZV_HR_OK;
}

static uint32_t ZV_CALL AddRef(void* self) {
  (void)self;
  return ++gEvents.count;
}

static uint32_t ZV_CALL Release(void* self) {
  (void)self;
  if (gEvents.count > 0 && --gEvents.count == 0) Teardown();
  return gEvents.count;
}

static void Print(const char* text) {
  int32_t status = 0;
  Session()->methods->PrintToConsole(Session(), text, &status);
}

/* At start-up: the menu "Hello" in the main menu bar, its one command, a line on the console. */
static ZvHResult ZV_CALL Initialize(void* self, int32_t kind) {
  (void)self;
  ZvHostSession* s = Session();
  if (kind != HelloStartupKind || s == NULL) return ZV_HR_OK;
  int32_t status = 0;
  ZvObjectId bar = 0, menu = 0, command = 0;
  s->methods->LookupNamedObject(s, 0, HelloMenuType, "!MakerMainMenu", &status, &bar);
  if (status != 0 || bar == 0) return ZV_HR_OK;
  s->methods->DefineSubmenu(s, bar, "HelloMenu", "Hello", &status, &menu);
  if (status != 0 || menu == 0) return ZV_HR_OK;
  s->methods->DefineMenuCommand(s, HelloCommandSayHello, menu, "HelloSayHello", "Say Hello", "", &status, &command);
  Print("Hello module, ready.\n");
  return ZV_HR_OK;
}

static ZvHResult ZV_CALL Command(void* self, int32_t number) {
  (void)self;
  ZvHostSession* s = Session();
  int32_t answer = 0;
  if (number == HelloCommandSayHello && s != NULL) s->methods->ShowAlert(s, "Hello from C.", HelloAlertNote, &answer);
  return ZV_HR_OK;
}

static ZvHResult ZV_CALL Quit(void* self) {
  (void)self;
  return ZV_HR_OK;
}

static ZvHResult ZV_CALL Ignored(void* self, int32_t a, int32_t b, int32_t c) {
  (void)self, (void)a, (void)b, (void)c;
  return ZV_HR_OK;
}

static ZvHResult ZV_CALL Notify(void* self, int32_t code, ZvObjectId doc, const char* text, int32_t value) {
  (void)self, (void)code, (void)doc, (void)text, (void)value;
  return ZV_HR_OK;
}

/* No resources: none to give, and a null output refused. */
static ZvHResult ZV_CALL GetResource(void* self, int32_t type, const char* name, ZvByteBlock* out) {
  (void)self, (void)type, (void)name;
  return out == NULL ? ZV_HR_POINTER : ZV_HR_FAIL;
}

static const ZvClientEventsMethods kEventMethods = {QueryInterface, AddRef,  Release, Initialize, Quit,
                                                    Command,        Ignored, Ignored, Notify,     GetResource};

/* The entry point: 0 when bound, -1 when not. */
HELLO_EXPORT int32_t ZV_CALL F_ApiClientInit(ZvModuleHandle module, void* root, void* held,
                                             ZvPropList* registration) {
  (void)held; /* not kept, so nothing to give back */
  if (Session() != NULL || root == NULL) return -1;
  ZvUnknown* rootObject = (ZvUnknown*)root;
  for (int i = 0; i < HelloInterfaces; ++i) {
    void* answer = NULL;
    rootObject->methods->QueryInterface(rootObject, &kAsked[i], &answer);
    gHost[i] = (ZvUnknown*)answer;
  }
  if (Session() == NULL) {
    Teardown();
    return -1;
  }

  gEvents.methods = &kEventMethods;
  gEvents.count = 1; /* the creation reference */
  /* The registration: the module's name and kind, texts keyed by the host's numbers 2 to 5. */
  static char name[] = "Hello", kind[] = "Standard", maker[] = "Maker";
  ZvPropVal entries[4];
  char* const texts[4] = {name, kind, name, maker};
  memset(entries, 0, sizeof entries);
  for (int i = 0; i < 4; ++i) {
    entries[i].key.number = 2 + i;
    entries[i].value.type = ZvVtText;
    entries[i].value.u.text = texts[i];
  }
  ZvPropList list = {4, entries};
  Session()->methods->RegisterClient(Session(), &gEvents, 0x06000000u, registration != NULL ? registration : &list);
  ZvHostModuleLink* link = (ZvHostModuleLink*)gHost[4];
  if (link != NULL) link->methods->SetClientModule(link, module);

  Release(&gEvents); /* a host that kept no reference tears the binding down here */
  return Session() != NULL ? 0 : -1;
}
