// Pages the commands act on, built in the reference host's model from the command rows:
// the typical page on which host calls are counted and timed, and a fresh page per command
// for the hardening and undo tests.
#pragma once

#include <cstdint>
#include <vector>

#include "host/binding/host.h"
#include "tests/support/commands.h"

namespace zvpages {

using zvhost::Host;
using zvhost::ObjectId;
using zvspec::CommandSpec;

// ---- The typical page ----

// One frame holding, bottom to top, a rectangle, the figure, a rectangle, a title text frame
// and a text frame whose paragraph anchors a table with a title.
struct TypicalPage {
  ObjectId doc = 0;
  ObjectId frame = 0;
  ObjectId below = 0;
  ObjectId figure = 0;
  ObjectId above = 0;
  ObjectId title = 0;
  ObjectId body = 0;
  ObjectId table = 0;
};

inline TypicalPage BuildTypicalPage(zvhost::Model& m) {
  TypicalPage p;
  p.doc = m.NewDocument("typical");
  m.SetActiveDocument(p.doc);
  m.SetGridSpacing(p.doc, 12);
  p.frame = m.AddFrame(p.doc, {36, 36, 468, 400});
  p.below = m.AddRectangle(p.frame, {10, 10, 60, 40});
  p.figure = m.AddRectangle(p.frame, {20, 30, 200, 100});
  p.above = m.AddRectangle(p.frame, {40, 50, 80, 30});
  p.title = m.AddTextFrame(p.frame, {230, 30, 120, 24});
  m.AddParagraph(p.title, "Figure 1: Typical");
  p.body = m.AddTextFrame(p.frame, {10, 200, 440, 150});
  zvhost::ObjectId anchor = m.AddParagraph(p.body, "");
  zvhost::TableSpec spec;
  spec.columnWidths = {100, 100, 100};
  spec.rows = 3;
  spec.leftIndent = 36;
  spec.title = true;
  p.table = m.AddTable(anchor, spec);
  return p;
}

// Selects exactly `graphics` (nothing else), without notifications.
inline void SelectOnly(zvhost::Model& m, ObjectId doc, const std::vector<ObjectId>& graphics) {
  m.ClearGraphicSelection(doc);
  m.SetTextSelection(doc, {});
  m.ClearCellSelection(doc);
  for (ObjectId g : graphics) m.SetSelected(g, true);
}

// Puts the typical page into the state the command's row asks for: the figure (and title)
// selected, or the whole table; the rectangle above copied first; an answer queued; a paste
// of that copy to undo.
inline void Prepare(Host& host, const TypicalPage& p, const CommandSpec& c) {
  zvhost::Model& m = host.model();
  const bool recorded = c.page == zvspec::Page::UndoRecord;
  if (c.copyFirst || recorded) {
    SelectOnly(m, p.doc, {p.above});
    host.ChooseCommand(Cmd::CopyGraphicProps);
  }
  if (c.page == zvspec::Page::FigureAndTitle) {
    SelectOnly(m, p.doc, {p.figure, p.title});
  } else if (c.page == zvspec::Page::WholeTable) {
    SelectOnly(m, p.doc, {});
    m.SelectTableCells(p.doc, p.table, zvhost::WholeTable, 0, 0, 0);
  } else {
    SelectOnly(m, p.doc, {p.figure});
  }
  if (c.answer != 0) host.AnswerNextPrompt(c.answer);
  if (recorded) host.ChooseCommand(Cmd::PasteGraphicPos);
}

// Between two timed runs: the change undone (the figure back, the added rectangle deleted),
// then the state of Prepare() made again.
inline void Restore(Host& host, const TypicalPage& p, const CommandSpec& c) {
  if (c.restore == zvspec::Restore::None) return;
  if (c.restore == zvspec::Restore::UndoAndSelect) host.Command(Cmd::UndoOperation);
  Prepare(host, p, c);
}

// ---- A fresh page per command ----

struct Page {
  ObjectId doc = 0;
  ObjectId frame = 0;
  ObjectId source = 0;  // the graphic whose geometry was copied
  ObjectId target = 0;  // the graphic the command acts on
  ObjectId top = 0;     // a graphic above the target
};

// In a new active document, a frame with three rectangles stacked bottom to top: source,
// target, top. The source's geometry is copied, so pastes have values to apply; then the
// target is selected.
inline Page Graphics(Host& host) {
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

// A table of three columns anchored in a text frame below the graphics, with a title;
// `cursorInCell` places the insertion point in the middle cell of the first row, otherwise the
// whole table is selected.
inline ObjectId Table(Host& host, bool cursorInCell) {
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

// Builds the page the command's row asks for in a new active document, with the steps that
// lead up to the command (they may call the module); returns the document.
inline ObjectId BuildPage(Host& host, const CommandSpec& c) {
  using zvspec::Page;
  if (c.page == Page::WholeTable) return Table(host, false);
  zvpages::Page p = Graphics(host);
  auto& m = host.model();
  if (c.page == Page::FigureAndTitle) {
    host.SelectGraphics(p.doc, {p.target, m.AddTextFrame(p.frame, {10, 140, 90, 20})});
  } else if (c.page == Page::AnchoredGraphic) {
    ObjectId para = m.AddParagraph(m.AddTextFrame(p.frame, {10, 150, 300, 120}), "anchor");
    ObjectId anchored = m.AddAnchoredFrame(para, 0, {0, 0, 120, 60});
    host.SelectGraphics(p.doc, {m.AddRectangle(anchored, {5, 5, 40, 20})});
  } else if (c.page == Page::UndoRecord) {
    host.Command(Cmd::PasteGraphicPos);
  }
  if (c.answer != 0) host.AnswerNextPrompt(c.answer);
  return p.doc;
}

}  // namespace zvpages
