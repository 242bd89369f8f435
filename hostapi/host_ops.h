// Every request the module makes of the host, as plain functions. No HRESULTs or status
// out-parameters reach the callers: failures fall back to fixed values (0, -1, an empty
// record) and are kept in LastHostError.
#pragma once

#include "hostapi/abi.h"

namespace zv {

// Status kind: 0, the host status when nonzero, -1 when the call failed.
int32_t RequestNotification(int32_t code, int32_t state);
int32_t AddItemToMenu(ObjectId menu, ObjectId item);
int32_t PrintToConsole(const char* text);
int32_t RefreshDocument(ObjectId doc);
int32_t DeleteObject(ObjectId doc, ObjectId object);
int32_t SelectTableCells(ObjectId doc, ObjectId table, int32_t topRow, int32_t bottomRow, int32_t leftCol,
                         int32_t rightCol);

// Setter kind: 0, the host status when nonzero, -1 or -88 when the call failed.
int32_t WriteAllProps(ObjectId doc, ObjectId object, PropList* list);
int32_t SetIntProp(ObjectId doc, ObjectId object, int32_t prop, int32_t value);
int32_t SetMetricProp(ObjectId doc, ObjectId object, int32_t prop, MetricValue value);
int32_t SetTextRangeProp(ObjectId doc, ObjectId object, int32_t prop, const TextRange* range);
// Silent setter: failures show only in LastHostError.
void SetMetricListProp(ObjectId doc, ObjectId object, int32_t prop, const MetricList* list);

// Scalar value kind: the value, or 0 on any failure.
ObjectId DefineSubmenu(ObjectId parent, const char* tag, const char* label);
ObjectId FindItemInMenu(ObjectId menu, ObjectId item, int32_t flags);
ObjectId LookupNamedObject(ObjectId doc, int32_t type, const char* name);
ObjectId CreateGraphic(ObjectId doc, int32_t type, ObjectId parent);
int32_t GetIntProp(ObjectId doc, ObjectId object, int32_t prop);
ObjectId GetIdProp(ObjectId doc, ObjectId object, int32_t prop);
MetricValue GetMetricProp(ObjectId doc, ObjectId object, int32_t prop);
ObjectId DefineMenuCommand(int32_t number, ObjectId menu, const char* tag, const char* label, const char* shortcut);

// Record value kind: a client-owned record, all zero on any failure. Lists are released by
// the caller (PropListFree, MetricListFree).
PropList ReadAllProps(ObjectId doc, ObjectId object);
TextLoc GetTextLocProp(ObjectId doc, ObjectId object, int32_t prop);
TextRange GetTextRangeProp(ObjectId doc, ObjectId object, int32_t prop);
MetricList GetMetricListProp(ObjectId doc, ObjectId object, int32_t prop);

// Dialogs. ShowAlert gives the host's answer (0 on failure); AskForInteger gives 0 when the
// user confirmed (then *reply holds the number) and -1 otherwise.
int32_t ShowAlert(const char* message, int32_t kind);
int32_t AskForInteger(int32_t* reply, const char* prompt, const char* defaultText);

}  // namespace zv
