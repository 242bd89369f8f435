// Each operation is one call of a HostSession method through Call(), followed by the fallback
// of its result kind. The host status starts at -1 so that a call that fails leaves the
// status kind's failure value in place.
#include "hostapi/host_ops.h"

#include <cstring>

#include "hostapi/host_call.h"
#include "hostapi/prop_list.h"
#include "util/memory.h"

namespace zv {
namespace {

// Calls `method` of the session with `args`. Returns 0 when the call was made and
// succeeded; otherwise (no session, negative HRESULT) the code recorded in LastHostError.
template <typename Method, typename... Args>
int32_t Call(Method ZvHostSessionMethods::*method, Args... args) {
  if (HostSession == nullptr) return RecordHostFailure(HrNoInterface);
  return RecordHostFailure((HostSession->methods->*method)(HostSession, args...));
}

// Status kind: the host status, -1 when the call failed.
int32_t StatusResult(int32_t failed, int32_t status) {
  return failed ? -1 : RecordHostStatus(status);
}

// Setter kind: the host status, or the recorded failure code.
int32_t SetterResult(int32_t failed, int32_t status) {
  return failed ? failed : RecordHostStatus(status);
}

// Scalar and record kinds: the value, or all zeros on any failure.
template <typename T>
T ValueResult(int32_t failed, int32_t status, const T& value) {
  if (failed || RecordHostStatus(status) != 0) return T{};
  return value;
}

}  // namespace

int32_t RequestNotification(int32_t code, int32_t state) {
  int32_t status = -1;
  int32_t failed = Call(&ZvHostSessionMethods::RequestNotification, code, state, &status);
  return StatusResult(failed, status);
}

int32_t AddItemToMenu(ObjectId menu, ObjectId item) {
  int32_t status = -1;
  int32_t failed = Call(&ZvHostSessionMethods::AddItemToMenu, menu, item, &status);
  return StatusResult(failed, status);
}

int32_t PrintToConsole(const char* text) {
  int32_t status = -1;
  int32_t failed = Call(&ZvHostSessionMethods::PrintToConsole, text, &status);
  return StatusResult(failed, status);
}

int32_t RefreshDocument(ObjectId doc) {
  int32_t status = -1;
  int32_t failed = Call(&ZvHostSessionMethods::RefreshDocument, doc, &status);
  return StatusResult(failed, status);
}

int32_t DeleteObject(ObjectId doc, ObjectId object) {
  int32_t status = -1;
  int32_t failed = Call(&ZvHostSessionMethods::DeleteObject, doc, object, &status);
  return StatusResult(failed, status);
}

int32_t SelectTableCells(ObjectId doc, ObjectId table, int32_t topRow, int32_t bottomRow, int32_t leftCol,
                         int32_t rightCol) {
  int32_t status = -1;
  int32_t failed =
      Call(&ZvHostSessionMethods::SelectTableCells, doc, table, topRow, bottomRow, leftCol, rightCol, &status);
  return StatusResult(failed, status);
}

int32_t WriteAllProps(ObjectId doc, ObjectId object, PropList* list) {
  int32_t status = -1;
  int32_t failed = Call(&ZvHostSessionMethods::WriteAllProps, doc, object, list, &status);
  return SetterResult(failed, status);
}

int32_t SetIntProp(ObjectId doc, ObjectId object, int32_t prop, int32_t value) {
  int32_t status = -1;
  PropKey key{prop, nullptr};
  int32_t failed = Call(&ZvHostSessionMethods::SetIntProp, doc, object, &key, value, &status);
  return SetterResult(failed, status);
}

int32_t SetMetricProp(ObjectId doc, ObjectId object, int32_t prop, MetricValue value) {
  int32_t status = -1;
  PropKey key{prop, nullptr};
  int32_t failed = Call(&ZvHostSessionMethods::SetMetricProp, doc, object, &key, value, &status);
  return SetterResult(failed, status);
}

int32_t SetTextRangeProp(ObjectId doc, ObjectId object, int32_t prop, const TextRange* range) {
  if (range == nullptr) return RecordHostFailure(HrPointer);
  int32_t status = -1;
  PropKey key{prop, nullptr};
  TextRange copy = *range;  // the host gets a pointer it may not write through into our caller
  int32_t failed = Call(&ZvHostSessionMethods::SetTextRangeProp, doc, object, &key, &copy, &status);
  return SetterResult(failed, status);
}

void SetMetricListProp(ObjectId doc, ObjectId object, int32_t prop, const MetricList* list) {
  if (list == nullptr) {
    RecordHostFailure(HrPointer);
    return;
  }
  int32_t status = -1;
  PropKey key{prop, nullptr};
  MetricList copy = *list;
  if (Call(&ZvHostSessionMethods::SetMetricListProp, doc, object, &key, &copy, &status) == 0) RecordHostStatus(status);
}

ObjectId DefineSubmenu(ObjectId parent, const char* tag, const char* label) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call(&ZvHostSessionMethods::DefineSubmenu, parent, tag, label, &status, &id);
  return ValueResult(failed, status, id);
}

ObjectId FindItemInMenu(ObjectId menu, ObjectId item, int32_t flags) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call(&ZvHostSessionMethods::FindItemInMenu, menu, item, flags, &status, &id);
  return ValueResult(failed, status, id);
}

ObjectId LookupNamedObject(ObjectId doc, int32_t type, const char* name) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call(&ZvHostSessionMethods::LookupNamedObject, doc, type, name, &status, &id);
  return ValueResult(failed, status, id);
}

ObjectId CreateGraphic(ObjectId doc, int32_t type, ObjectId parent) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call(&ZvHostSessionMethods::CreateGraphic, doc, type, parent, &status, &id);
  return ValueResult(failed, status, id);
}

ObjectId DefineMenuCommand(int32_t number, ObjectId menu, const char* tag, const char* label, const char* shortcut) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call(&ZvHostSessionMethods::DefineMenuCommand, number, menu, tag, label, shortcut, &status, &id);
  return ValueResult(failed, status, id);
}

// The typed property reads differ only in the method and the value type.
template <typename T, typename Method>
static T GetProp(Method ZvHostSessionMethods::*method, ObjectId doc, ObjectId object, int32_t prop) {
  int32_t status = -1;
  PropKey key{prop, nullptr};
  T value{};
  int32_t failed = Call(method, doc, object, &key, &status, &value);
  return ValueResult(failed, status, value);
}

int32_t GetIntProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<int32_t>(&ZvHostSessionMethods::GetIntProp, doc, object, prop);
}

ObjectId GetIdProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<ObjectId>(&ZvHostSessionMethods::GetIdProp, doc, object, prop);
}

MetricValue GetMetricProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<MetricValue>(&ZvHostSessionMethods::GetMetricProp, doc, object, prop);
}

TextLoc GetTextLocProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<TextLoc>(&ZvHostSessionMethods::GetTextLocProp, doc, object, prop);
}

TextRange GetTextRangeProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<TextRange>(&ZvHostSessionMethods::GetTextRangeProp, doc, object, prop);
}

PropList ReadAllProps(ObjectId doc, ObjectId object) {
  int32_t status = -1;
  PropList host{0, nullptr};
  if (Call(&ZvHostSessionMethods::ReadAllProps, doc, object, &status, &host) != 0) return PropList{0, nullptr};
  PropList copy{0, nullptr};
  if (HostKeepsResults)
    PropListImport(&copy, &host, ClientAlloc);
  else
    PropListTake(&copy, &host, ClientAlloc, HostBlockFree);  // each host block released once copied
  if (RecordHostStatus(status) != 0) {
    PropListFree(&copy);  // nobody else would own it
    return PropList{0, nullptr};
  }
  return copy;
}

// Copies the count and the items of a host metric list into client memory; {0, null} when
// the list is empty or memory runs out.
static MetricList MetricListImport(const MetricList& host) {
  if (host.count == 0 || host.items == nullptr) return MetricList{0, nullptr};
  // The zeroed allocation refuses a count whose size would overflow.
  auto* items = static_cast<MetricValue*>(ClientAllocZeroed(host.count, sizeof(MetricValue)));
  if (items == nullptr) return MetricList{0, nullptr};
  std::memcpy(items, host.items, host.count * sizeof(MetricValue));
  return MetricList{host.count, items};
}

MetricList GetMetricListProp(ObjectId doc, ObjectId object, int32_t prop) {
  int32_t status = -1;
  PropKey key{prop, nullptr};
  MetricList host{0, nullptr};
  if (Call(&ZvHostSessionMethods::GetMetricListProp, doc, object, &key, &status, &host) != 0)
    return MetricList{0, nullptr};
  MetricList copy = MetricListImport(host);
  if (!HostKeepsResults && host.items != nullptr) HostBlockFree(host.items);
  if (RecordHostStatus(status) != 0) {
    MetricListFree(&copy);
    return MetricList{0, nullptr};
  }
  return copy;
}

int32_t ShowAlert(const char* message, int32_t kind) {
  int32_t answer = 0;
  if (Call(&ZvHostSessionMethods::ShowAlert, message, kind, &answer) != 0) return 0;
  return answer;
}

int32_t AskForInteger(int32_t* reply, const char* prompt, const char* defaultText) {
  int32_t status = -1;
  int32_t number = 0;
  if (Call(&ZvHostSessionMethods::AskForInteger, &status, &number, prompt, defaultText) != 0) return -1;
  if (status != 0) return -1;  // a cancel is not an error worth recording
  if (reply != nullptr) *reply = number;
  return 0;
}

}  // namespace zv
