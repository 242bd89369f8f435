#include "tests/module/harden_pages.h"

namespace zvharden {

const std::vector<CommandCase>& CommandCases() {
  static const std::vector<CommandCase> cases = [] {
    std::vector<CommandCase> out;
    for (const zvspec::CommandSpec& c : zvspec::kCommands)
      out.push_back({std::to_string(c.number) + " " + c.label, c.number,
                     [&c](Host& host) { return zvpages::BuildPage(host, c); }});
    out.push_back(
        {"8 on table columns", Cmd::PasteGraphicWidth, [](Host& host) { return zvpages::Table(host, true); }});
    auto addedFrame = [](Host& host) {
      ObjectId doc = zvpages::Graphics(host).doc;
      host.Command(Cmd::AddFrameToGraphic);
      return doc;
    };
    out.push_back({"19 undo an added frame", Cmd::UndoOperation, addedFrame});
    out.push_back({"19 redo a removed frame", Cmd::UndoOperation, [addedFrame](Host& host) {
                     ObjectId doc = addedFrame(host);
                     host.Command(Cmd::UndoOperation);
                     return doc;
                   }});
    return out;
  }();
  return cases;
}

State DocumentState(Host& host, ObjectId doc) {
  auto& m = host.model();
  State s;
  for (const auto& p : m.Properties(0))
    if (p.first != zvhost::prop::ScreenUpdates) s[0][p.first] = p.second;
  std::vector<ObjectId> ids = m.ObjectsOf(doc);
  ids.push_back(doc);
  for (ObjectId id : ids)
    for (const auto& p : m.Properties(id)) s[id][p.first] = p.second;
  return s;
}

State Normalize(const State& state, const State& before) {
  std::map<ObjectId, ObjectId> ids;
  for (const auto& o : before) ids[o.first] = o.first == 0 ? 0 : 0x01000000u + static_cast<ObjectId>(ids.size());
  ObjectId fresh = 0x02000000u;
  for (const auto& o : state)
    if (!ids.count(o.first)) ids[o.first] = ++fresh;
  auto map = [&](ObjectId id) {
    auto it = ids.find(id);
    return it != ids.end() ? it->second : id;
  };
  State out;
  for (const auto& o : state) {
    auto& props = out[map(o.first)];
    for (const auto& p : o.second) {
      zvhost::Value v = p.second;
      switch (v.kind) {
        case zvhost::ValueKind::Id:
        case zvhost::ValueKind::Int:  // some ids travel as integers (first row, previous row)
          v.word = static_cast<int32_t>(map(static_cast<ObjectId>(v.word)));
          break;
        case zvhost::ValueKind::TextLoc:
        case zvhost::ValueKind::TextRange:
          v.range.begin.object = map(v.range.begin.object);
          v.range.end.object = map(v.range.end.object);
          break;
        default:
          break;
      }
      props[p.first] = std::move(v);
    }
  }
  return out;
}

}  // namespace zvharden
