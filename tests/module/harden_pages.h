// Pages on which each command acts, for the hardening tests: a fresh active document with the
// objects a command needs, selected as the user would select them, and the module put in the
// state the command works from (a copied geometry, an undo record, an answer for its prompt).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "tests/support/pages.h"

namespace zvharden {

using zvhost::Host;
using zvhost::ObjectId;

struct CommandCase {
  std::string name;  // "8 Paste Graphic Width on table columns"
  int32_t command;
  // Builds the page in a new active document of `host` and runs the steps that lead up to the
  // command (they may call the module); returns the document.
  std::function<ObjectId(Host&)> prepare;
};

// One case per command on the page its row asks for, plus the second branches of "Paste Graphic Width" (table columns)
// and "Undo Operation" (the added rectangle removed, then re-created).
const std::vector<CommandCase>& CommandCases();

// Every property of the document, of every object in it and of the session, except the
// session's screen-update switch, which is host state rather than document content.
using State = std::map<ObjectId, std::map<int32_t, zvhost::Value>>;
State DocumentState(Host& host, ObjectId doc);

// The same state with ids that do not depend on the document: an object of `before` gets the id
// 1:<its rank there>, an object that is not in `before` the id 2:<n> in id order (ids held in
// values too, also those that travel as integers). Pages built the same way in two documents
// therefore compare equal.
State Normalize(const State& state, const State& before);

}  // namespace zvharden
