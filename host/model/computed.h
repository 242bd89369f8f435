// The properties the model works out from its structure instead of storing them: one small
// handler per property, found by object type and property number in one table. For the
// model's own files; the rest of the host reads them through Model::Get.
#pragma once

#include "host/model/model.h"

namespace zvhost {

// Works out `p` of `o` into `out`; false when `o`'s type does not compute `p` (a stored value
// may answer instead).
bool Computed(const Model& m, const ModelOptions& opt, const Object& o, int32_t p, Value* out);

// One computed property: its number and its handler (false when it has no value now).
struct ComputedProp {
  int32_t prop;
  bool (*get)(const Model& m, const ModelOptions& opt, const Object& o, Value* out);
};
// The properties an object type computes, in number order: they are merged with the stored
// ones as they come.
struct ComputedList {
  const ComputedProp* begin = nullptr;
  const ComputedProp* end = nullptr;
};
ComputedList ComputedProps(int type);

// The table whose cell holds `paragraph`, or 0.
ObjectId TableOfParagraph(const Model& m, ObjectId paragraph);

}  // namespace zvhost
