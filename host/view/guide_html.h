// The guide for writers: one self-contained HTML page (inline SVG and CSS, no scripts) made from
// real runs of the module. Getting started, one section per command of the module's menu with
// its menu path and shortcut, the page before and after, what the command asks and refuses, a
// printable table of all commands, and what to do when something goes wrong.
#pragma once

#include <string>
#include <vector>

#include "host/view/svg_page.h"

namespace zvhost {

// A command as the module's menu holds it.
struct GuideCommand {
  std::string path;      // "Zorvan > Select > Select Parent Object"
  std::string label;     // "Select Parent Object"
  std::string shortcut;  // "\!spo", as the module defined it
  std::string summary;   // one line for the table of all commands (from the guide's sources)
  std::string anchor;    // the id of its section
};

// A part of a section, in the order of the sources: words, or a pair of pictures.
struct GuideBlock {
  std::string prose;     // paragraphs, one per line
  std::string pictures;  // GuidePictures
};

struct GuideSection {
  std::string anchor, title;
  const GuideCommand* command = nullptr;  // the command it is about; null for the other sections
  std::vector<GuideBlock> blocks;
  std::vector<std::string> asks;     // "Height Factor? (x * Grid Spacing)" with its default
  std::vector<std::string> refuses;  // the alerts' texts, as the module showed them
};

struct Guide {
  std::string console;                 // the module's first console line ("ZorvanShapes v1.3 ...")
  std::vector<GuideCommand> commands;  // in menu order
  std::vector<GuideSection> sections;  // in the order of the sources
};

// The page before and after a step, both cropped to what the step is about and to the objects
// named in `show`, with the caption in words under them; `alt` (what changed, in words) is the
// pictures' text alternative.
std::string GuidePictures(const PageView& before, const PageView& after, const std::string& caption,
                          const std::string& alt, const std::vector<std::string>& show = {});

// A host shortcut as keys to press: "\!pgp" gives "Esc p g p".
std::string ShortcutKeys(const std::string& shortcut);

std::string RenderGuideHtml(const Guide& guide);

}  // namespace zvhost
