// One level of undo for the changing commands, built on whole property lists. A second
// "Undo Operation" undoes the undo, so repeated undos alternate between two states.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "hostapi/prop_list.h"
#include "tools/tools_internal.h"

namespace zv {

UndoSnapshot Undo = {UndoNothing, {0, nullptr}, 0, 0, 0};

namespace {

constexpr const char* TextNothingToUndo = "Nothing to undo.";

// Frees the saved list and leaves it {0, null}; an empty list frees nothing.
void ReleaseProps() {
  PropListFree(&Undo.props);
}

// The undo record's list goes with the module.
__attribute__((destructor)) void ReleaseAtUnload() {
  ReleaseProps();
}

void NothingToUndo() {
  ShowAlert(TextNothingToUndo, ValAlertNote);
}

void UndoPropertySnapshot() {
  // A saved list was read from its document and object, which are therefore never 0 with it.
  if (Undo.props.count == 0 || Undo.document == 0 || Undo.object == 0) {  // GCOVR_EXCL_BR_LINE
    NothingToUndo();
    return;
  }
  PropList current = ReadAllProps(Undo.document, Undo.object);
  WriteAllProps(Undo.document, Undo.object, &Undo.props);
  ReleaseProps();
  Undo.props = current;  // the next undo writes back the state this one replaced
}

void UndoRectangle() {
  // GCOVR_EXCL_START: the record names the document and the rectangle that CreateGraphic made
  // there; only a host that made another type for ObjRectangle would fail the second test.
  if (Undo.document == 0) {
    NothingToUndo();
    return;
  }
  if (Undo.object != 0) {
    if (ObjectType(Undo.object) != ObjRectangle) {
      NothingToUndo();
      return;
    }
    // GCOVR_EXCL_STOP
    ReleaseProps();
    Undo.props = ReadAllProps(Undo.document, Undo.object);
    DeleteObject(Undo.document, Undo.object);
    Undo.object = 0;
    return;
  }
  // The parent is the frame the rectangle was made in: never 0 in this record.
  if (Undo.props.count == 0 || Undo.parent == 0) {  // GCOVR_EXCL_BR_LINE
    NothingToUndo();
    return;
  }
  ObjectId rectangle = CreateGraphic(Undo.document, ObjRectangle, Undo.parent);
  // When the host could not make the rectangle, its saved properties stay for a later try.
  if (rectangle == 0) return;
  Undo.object = rectangle;
  WriteAllProps(Undo.document, rectangle, &Undo.props);
  ReleaseProps();
}

}  // namespace

void UndoEmptyProps() {
  ReleaseProps();
}

void TakePropertySnapshot(ObjectId doc, ObjectId object) {
  ReleaseProps();
  Undo.props = ReadAllProps(doc, object);
  Undo.document = doc;
  Undo.object = object;
  Undo.kind = UndoProperties;
}

void RecordAddedRectangle(ObjectId doc, ObjectId rectangle, ObjectId parent) {
  ReleaseProps();
  Undo.document = doc;
  Undo.object = rectangle;
  Undo.parent = parent;
  Undo.kind = UndoAddedRectangle;
}

void UndoOperation() {
  switch (Undo.kind) {
    case UndoProperties:
      UndoPropertySnapshot();
      break;
    case UndoAddedRectangle:
      UndoRectangle();
      break;
    default:
      NothingToUndo();
      break;
  }
}

}  // namespace zv
