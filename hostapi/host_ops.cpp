// Each operation is one call of a HostSession slot through Call(), followed by the fallback
// of its result kind. The host status starts at -1 so that a call that fails leaves the
// status kind's failure value in place.
#include "hostapi/host_ops.h"

#include <cstring>

#include "hostapi/host_call.h"
#include "hostapi/prop_list.h"
#include "util/memory.h"

namespace zv {
namespace {

// Calls method `slot` of the session with `args`. Returns 0 when the call was made and
// succeeded; otherwise (no session, negative HRESULT) the code recorded in LastHostError.
template <typename Fn, typename... Args>
int32_t Call(int slot, Args... args) {
  if (HostSession == nullptr) return RecordHostFailure(HrNoInterface);
  return RecordHostFailure(SlotOf<Fn>(HostSession, slot)(HostSession, args...));
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
  int32_t failed = Call<fn::RequestNotification>(SlotRequestNotification, code, state, &status);
  return StatusResult(failed, status);
}

int32_t AddItemToMenu(ObjectId menu, ObjectId item) {
  int32_t status = -1;
  int32_t failed = Call<fn::AddItemToMenu>(SlotAddItemToMenu, menu, item, &status);
  return StatusResult(failed, status);
}

int32_t PrintToConsole(const char* text) {
  int32_t status = -1;
  int32_t failed = Call<fn::PrintToConsole>(SlotPrintToConsole, text, &status);
  return StatusResult(failed, status);
}

int32_t RefreshDocument(ObjectId doc) {
  int32_t status = -1;
  int32_t failed = Call<fn::RefreshDocument>(SlotRefreshDocument, doc, &status);
  return StatusResult(failed, status);
}

int32_t DeleteObject(ObjectId doc, ObjectId object) {
  int32_t status = -1;
  int32_t failed = Call<fn::DeleteObject>(SlotDeleteObject, doc, object, &status);
  return StatusResult(failed, status);
}

int32_t SelectTableCells(ObjectId doc, ObjectId table, int32_t topRow, int32_t bottomRow, int32_t leftCol,
                         int32_t rightCol) {
  int32_t status = -1;
  int32_t failed =
      Call<fn::SelectTableCells>(SlotSelectTableCells, doc, table, topRow, bottomRow, leftCol, rightCol, &status);
  return StatusResult(failed, status);
}

int32_t WriteAllProps(ObjectId doc, ObjectId object, PropList* list) {
  int32_t status = -1;
  int32_t failed = Call<fn::WriteAllProps>(SlotWriteAllProps, doc, object, list, &status);
  return SetterResult(failed, status);
}

int32_t SetIntProp(ObjectId doc, ObjectId object, int32_t prop, int32_t value) {
  int32_t status = -1;
  PropKey key{prop, nullptr};
  int32_t failed = Call<fn::SetIntProp>(SlotSetIntProp, doc, object, &key, value, &status);
  return SetterResult(failed, status);
}

int32_t SetMetricProp(ObjectId doc, ObjectId object, int32_t prop, MetricValue value) {
  int32_t status = -1;
  PropKey key{prop, nullptr};
  int32_t failed = Call<fn::SetMetricProp>(SlotSetMetricProp, doc, object, &key, value, &status);
  return SetterResult(failed, status);
}

int32_t SetTextRangeProp(ObjectId doc, ObjectId object, int32_t prop, const TextRange* range) {
  if (range == nullptr) return RecordHostFailure(HrPointer);
  int32_t status = -1;
  PropKey key{prop, nullptr};
  TextRange copy = *range;  // the host gets a pointer it may not write through into our caller
  int32_t failed = Call<fn::SetTextRangeProp>(SlotSetTextRangeProp, doc, object, &key, &copy, &status);
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
  if (Call<fn::SetMetricListProp>(SlotSetMetricListProp, doc, object, &key, &copy, &status) == 0)
    RecordHostStatus(status);
}

ObjectId DefineSubmenu(ObjectId parent, const char* tag, const char* label) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call<fn::DefineSubmenu>(SlotDefineSubmenu, parent, tag, label, &status, &id);
  return ValueResult(failed, status, id);
}

ObjectId FindItemInMenu(ObjectId menu, ObjectId item, int32_t flags) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call<fn::FindItemInMenu>(SlotFindItemInMenu, menu, item, flags, &status, &id);
  return ValueResult(failed, status, id);
}

ObjectId LookupNamedObject(ObjectId doc, int32_t type, const char* name) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call<fn::LookupNamedObject>(SlotLookupNamedObject, doc, type, name, &status, &id);
  return ValueResult(failed, status, id);
}

ObjectId CreateGraphic(ObjectId doc, int32_t type, ObjectId parent) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call<fn::CreateGraphic>(SlotCreateGraphic, doc, type, parent, &status, &id);
  return ValueResult(failed, status, id);
}

ObjectId DefineMenuCommand(int32_t number, ObjectId menu, const char* tag, const char* label, const char* shortcut) {
  int32_t status = -1;
  ObjectId id = 0;
  int32_t failed = Call<fn::DefineMenuCommand>(SlotDefineMenuCommand, number, menu, tag, label, shortcut, &status, &id);
  return ValueResult(failed, status, id);
}

// The typed property reads differ only in the slot and the value type.
template <typename Fn, typename T>
static T GetProp(int slot, ObjectId doc, ObjectId object, int32_t prop) {
  int32_t status = -1;
  PropKey key{prop, nullptr};
  T value{};
  int32_t failed = Call<Fn>(slot, doc, object, &key, &status, &value);
  return ValueResult(failed, status, value);
}

int32_t GetIntProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<fn::GetIntProp, int32_t>(SlotGetIntProp, doc, object, prop);
}

ObjectId GetIdProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<fn::GetIdProp, ObjectId>(SlotGetIdProp, doc, object, prop);
}

MetricValue GetMetricProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<fn::GetMetricProp, MetricValue>(SlotGetMetricProp, doc, object, prop);
}

TextLoc GetTextLocProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<fn::GetTextLocProp, TextLoc>(SlotGetTextLocProp, doc, object, prop);
}

TextRange GetTextRangeProp(ObjectId doc, ObjectId object, int32_t prop) {
  return GetProp<fn::GetTextRangeProp, TextRange>(SlotGetTextRangeProp, doc, object, prop);
}

PropList ReadAllProps(ObjectId doc, ObjectId object) {
  int32_t status = -1;
  PropList host{0, nullptr};
  if (Call<fn::ReadAllProps>(SlotReadAllProps, doc, object, &status, &host) != 0) return PropList{0, nullptr};
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
  if (Call<fn::GetMetricListProp>(SlotGetMetricListProp, doc, object, &key, &status, &host) != 0)
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
  if (Call<fn::ShowAlert>(SlotShowAlert, message, kind, &answer) != 0) return 0;
  return answer;
}

int32_t AskForInteger(int32_t* reply, const char* prompt, const char* defaultText) {
  int32_t status = -1;
  int32_t number = 0;
  if (Call<fn::AskForInteger>(SlotAskForInteger, &status, &number, prompt, defaultText) != 0) return -1;
  if (status != 0) return -1;  // a cancel is not an error worth recording
  if (reply != nullptr) *reply = number;
  return 0;
}

}  // namespace zv
