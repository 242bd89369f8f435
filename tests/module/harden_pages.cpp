#include "tests/module/harden_pages.h"

namespace zvharden {

namespace {

namespace obj = zvhost::obj;

struct Page {
  ObjectId doc = 0;
  ObjectId frame = 0;
  ObjectId source = 0;  // the graphic whose geometry was copied
  ObjectId target = 0;  // the graphic the command acts on
  ObjectId top = 0;     // a graphic above the target
};

// A frame with three rectangles stacked bottom to top: source, target, top. The source's
// geometry is copied (command 1), so pastes have values to apply; then the target is selected.
Page Graphics(Host& host) {
  auto& m = host.model();
  Page p;
  p.doc = m.NewDocument("page");
  m.SetActiveDocument(p.doc);
  m.SetGridSpacing(p.doc, 12);
  p.frame = m.AddFrame(p.doc, {36, 36, 400, 300});
  p.source = m.AddRectangle(p.frame, {10, 20, 120, 60});
  p.target = m.AddRectangle(p.frame, {150, 90, 80, 40});
  p.top = m.AddRectangle(p.frame, {200, 200, 30, 30});
  host.SelectGraphics(p.doc, {p.source});
  host.Command(Cmd::CopyGraphicProps);
  host.SelectGraphics(p.doc, {p.target});
  return p;
}

ObjectId OnGraphic(Host& host) {
  return Graphics(host).doc;
}

ObjectId GridResize(Host& host) {
  ObjectId doc = Graphics(host).doc;
  host.AnswerNextPrompt(3);
  return doc;
}

ObjectId FigureTitle(Host& host) {
  Page p = Graphics(host);
  ObjectId title = host.model().AddTextFrame(p.frame, {10, 140, 90, 20});
  host.SelectGraphics(p.doc, {p.target, title});
  return p.doc;
}

ObjectId ParentOfAnchored(Host& host) {
  Page p = Graphics(host);
  auto& m = host.model();
  ObjectId text = m.AddTextFrame(p.frame, {10, 150, 300, 120});
  ObjectId para = m.AddParagraph(text, "anchor");
  ObjectId anchored = m.AddAnchoredFrame(para, 0, {0, 0, 120, 60});
  ObjectId inner = m.AddRectangle(anchored, {5, 5, 40, 20});
  host.SelectGraphics(p.doc, {inner});
  return p.doc;
}

// A table of three columns anchored in a text frame, with a title; `cursorInCell` places the
// insertion point in the middle cell of the first row, otherwise the whole table is selected.
ObjectId Table(Host& host, bool cursorInCell) {
  Page p = Graphics(host);
  auto& m = host.model();
  ObjectId text = m.AddTextFrame(p.frame, {10, 150, 380, 120});
  ObjectId para = m.AddParagraph(text, "anchor");
  zvhost::TableSpec spec;
  spec.columnWidths = {80, 100, 120};
  spec.rows = 3;
  spec.leftIndent = 12;
  spec.title = true;
  ObjectId table = m.AddTable(para, spec);
  if (cursorInCell) {
    ObjectId cellText = m.AddParagraph(m.Cell(table, 0, 1), "cell");
    host.PlaceCursor(p.doc, cellText);
  } else {
    host.SelectTable(p.doc, table);
  }
  return p.doc;
}

ObjectId TableColumns(Host& host) {
  return Table(host, true);
}
ObjectId TableTitle(Host& host) {
  return Table(host, false);
}

ObjectId UndoProperties(Host& host) {
  ObjectId doc = Graphics(host).doc;
  host.Command(Cmd::PasteGraphicPos);
  return doc;
}
ObjectId UndoAddedFrame(Host& host) {
  ObjectId doc = Graphics(host).doc;
  host.Command(Cmd::AddFrameToGraphic);
  return doc;
}
ObjectId UndoRemovedFrame(Host& host) {
  ObjectId doc = UndoAddedFrame(host);
  host.Command(Cmd::UndoOperation);
  return doc;
}

}  // namespace

const std::vector<CommandCase>& CommandCases() {
  static const std::vector<CommandCase> cases = {
      {"1 copy graphic props", Cmd::CopyGraphicProps, OnGraphic},
      {"2 paste graphic pos", Cmd::PasteGraphicPos, OnGraphic},
      {"3 paste left pos", Cmd::PasteGraphicLeftPos, OnGraphic},
      {"4 paste top pos", Cmd::PasteGraphicTopPos, OnGraphic},
      {"5 paste right pos", Cmd::PasteGraphicRightPos, OnGraphic},
      {"6 paste bottom pos", Cmd::PasteGraphicBottomPos, OnGraphic},
      {"7 paste size", Cmd::PasteGraphicSize, OnGraphic},
      {"8 paste width on a graphic", Cmd::PasteGraphicWidth, OnGraphic},
      {"8 paste width on table columns", Cmd::PasteGraphicWidth, TableColumns},
      {"9 paste height", Cmd::PasteGraphicHeight, OnGraphic},
      {"10 resize to copied width", Cmd::ResizeGraphicToCopiedWidth, OnGraphic},
      {"11 resize to copied height", Cmd::ResizeGraphicToCopiedHeight, OnGraphic},
      {"12 resize to grid height", Cmd::ResizeGraphicToGridHeight, GridResize},
      {"13 make figure title right", Cmd::MakeFigureTitleRight, FigureTitle},
      {"14 add frame to graphic", Cmd::AddFrameToGraphic, OnGraphic},
      {"15 select parent object", Cmd::SelectParentObject, ParentOfAnchored},
      {"16 select next object above", Cmd::SelectNextObjectAbove, OnGraphic},
      {"17 select next object below", Cmd::SelectNextObjectBelow, OnGraphic},
      {"18 trim table title", Cmd::TrimTableTitle, TableTitle},
      {"19 undo a property snapshot", Cmd::UndoOperation, UndoProperties},
      {"19 undo an added frame", Cmd::UndoOperation, UndoAddedFrame},
      {"19 redo a removed frame", Cmd::UndoOperation, UndoRemovedFrame},
  };
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
