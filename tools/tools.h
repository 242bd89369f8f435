// What the event object hands on to the graphic tools.
#pragma once

#include "hostapi/abi.h"

namespace zv {

void ToolsInitialize(int32_t kind);  // builds the menus for kind 1
void ToolsCommand(int32_t number);   // runs the command of that number; others do nothing
// `text` is the host's text, or a NotifyFields record for notification 75; unused here.
void ToolsNotify(int32_t code, ObjectId doc, const void* text, int32_t value);

}  // namespace zv
