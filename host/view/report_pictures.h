// The pictures of a report's steps. What a browser has to draw follows what the pictures show,
// not the page: a cropped picture holds the objects in its crop, and a picture of many objects
// (the whole of a crowded page) refers to one drawing of the page that the report holds once.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "host/view/svg_page.h"

namespace zvhost {

// The page drawings one scenario's pictures share. A picture whose view holds more than a few
// hundred objects is drawn as a reference to the base (the page drawn once, nothing marked,
// plain shapes merged into one path per style) with what differs from it drawn over it, clipped
// to where it differs: what moved, what was made or deleted, what is selected or changed. When
// the page has drifted too far from the base (or objects changed their order), the page is
// drawn again as a new base: a page state is drawn at most once.
class PageFigures {
 public:
  explicit PageFigures(std::string prefix) : prefix_(std::move(prefix)) {}
  // RenderSvg's picture of `page`, from the base when its view holds many objects.
  std::string Draw(const PageView& page, SvgOptions opt);
  // The bases drawn since the last call, as a hidden SVG to stand anywhere in the same HTML
  // document; empty when there are none.
  std::string TakeDefinitions();
  int Bases() const { return made_; }

 private:
  // Where `page` differs from the base, as regions of the page; false when it is too far off.
  bool Differences(const PageView& page, std::vector<PageBox>* regions) const;
  void Rebase(const PageView& page);
  std::string Overlay(const PageView& page, const std::vector<PageBox>& regions);

  std::string prefix_;  // ids are prefix + "b" or "c" + number: unique in the document
  PageView base_;       // the page as the current base draws it
  std::unordered_map<uint32_t, size_t> baseIndex_;
  std::string baseId_, pending_;
  int made_ = 0, clips_ = 0;
};

// The pictures of one step: before and after side by side (stacked on a narrow window), cropped
// to the selection and the change with only what they concern named, and the whole pages one
// click away. With `figures` (one per scenario of a report), the page drawings go there and the
// caller places figures->TakeDefinitions() in the document; without, the step carries its own,
// with ids made from `id`, which must then differ for every step of a document.
std::string RenderStepPictures(const PageView& before, const PageView& after, const std::string& id,
                               PageFigures* figures = nullptr);

}  // namespace zvhost
