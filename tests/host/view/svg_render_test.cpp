// Pictures of a page, rendered by a real SVG renderer (rsvg-convert) and checked pixel by pixel
// where a command moved or drew something. Linux only: the PNG is decoded with zlib.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/scenario/runner.h"
#include "host/view/report_pictures.h"
#include "host/view/svg_page.h"

#if defined(ZV_HAVE_ZLIB)
#include <unistd.h>
#include <zlib.h>

namespace zvhost {
namespace {

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  uint32_t At(double xPt, double yPt, double scale) const {
    int x = static_cast<int>(xPt * scale), y = static_cast<int>(yPt * scale);
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
  }
};

uint32_t Be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

int Paeth(int a, int b, int c) {
  int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Decodes the 8-bit RGB and RGBA PNGs that rsvg-convert writes.
bool DecodePng(const std::string& data, Image* img, std::string* why) {
  const uint8_t* d = reinterpret_cast<const uint8_t*>(data.data());
  if (data.size() < 8 || data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return *why = "not a PNG", false;
  size_t pos = 8;
  int depth = 0, color = 0;
  std::string idat;
  while (pos + 8 <= data.size()) {
    uint32_t len = Be32(d + pos);
    std::string type = data.substr(pos + 4, 4);
    if (pos + 12 + len > data.size()) return *why = "truncated chunk", false;
    const uint8_t* body = d + pos + 8;
    if (type == "IHDR") {
      img->width = static_cast<int>(Be32(body));
      img->height = static_cast<int>(Be32(body + 4));
      depth = body[8];
      color = body[9];
      if (body[12] != 0) return *why = "interlaced PNG", false;
    } else if (type == "IDAT") {
      idat.append(reinterpret_cast<const char*>(body), len);
    }
    pos += 12 + len;
  }
  int channels = color == 6 ? 4 : color == 2 ? 3 : 0;
  if (depth != 8 || channels == 0) return *why = "unsupported PNG format", false;
  size_t stride = static_cast<size_t>(img->width) * channels;
  std::vector<uint8_t> raw((stride + 1) * img->height);
  uLongf rawLen = raw.size();
  if (uncompress(raw.data(), &rawLen, reinterpret_cast<const Bytef*>(idat.data()), idat.size()) != Z_OK ||
      rawLen != raw.size())
    return *why = "bad image data", false;
  std::vector<uint8_t> cur(stride), prev(stride, 0);
  img->rgba.assign(static_cast<size_t>(img->width) * img->height * 4, 255);
  for (int y = 0; y < img->height; ++y) {
    const uint8_t* line = &raw[y * (stride + 1)];
    int filter = line[0];
    for (size_t i = 0; i < stride; ++i) {
      int a = i >= size_t(channels) ? cur[i - channels] : 0, b = prev[i],
          c = i >= size_t(channels) ? prev[i - channels] : 0;
      int x = line[1 + i];
      switch (filter) {
        case 1:
          x += a;
          break;
        case 2:
          x += b;
          break;
        case 3:
          x += (a + b) / 2;
          break;
        case 4:
          x += Paeth(a, b, c);
          break;
        default:
          break;
      }
      cur[i] = static_cast<uint8_t>(x);
    }
    for (int x = 0; x < img->width; ++x)
      for (int k = 0; k < channels; ++k)
        img->rgba[(static_cast<size_t>(y) * img->width + x) * 4 + k] = cur[x * channels + k];
    prev = cur;
  }
  return true;
}

bool HaveRenderer() {
  return std::system("rsvg-convert --version >/dev/null 2>&1") == 0;
}

// Renders SVG text through rsvg-convert and decodes the PNG.
Image Render(const std::string& svg) {
  char dir[] = "/tmp/zvsvgXXXXXX";
  EXPECT_NE(mkdtemp(dir), nullptr);
  std::string in = std::string(dir) + "/page.svg", out = std::string(dir) + "/page.png";
  std::ofstream(in) << svg;
  std::string cmd = "rsvg-convert -f png -o '" + out + "' '" + in + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::ifstream f(out, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  Image img;
  std::string why;
  EXPECT_TRUE(DecodePng(ss.str(), &img, &why)) << why;
  std::remove(in.c_str());
  std::remove(out.c_str());
  rmdir(dir);
  return img;
}

uint32_t Hex(const char* c) {
  return static_cast<uint32_t>(std::strtoul(c + 1, nullptr, 16));
}

constexpr double kScale = 8;  // pixels per point

PageItem Graphic(const std::string& name, const std::string& kind, double x, double y, double w, double h) {
  PageItem it;
  it.name = name;
  it.kind = kind;
  it.type = kind == "frame" ? 9 : 12;
  it.x = x, it.y = y, it.w = w, it.h = h;
  return it;
}

class SvgRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveRenderer()) GTEST_SKIP() << "rsvg-convert is not installed";
    page.width = 200;
    page.height = 120;
  }
  Image Draw() {
    SvgOptions opt;
    opt.scale = kScale;
    return Render(RenderSvg(page, opt));
  }
  PageView page;
};

// The border that "Add Frame To Graphic" draws lies a quarter point inside the graphic: its
// 0.5 pt outline covers 10.0 to 10.5 pt on the left edge, over the graphic's own 1 pt outline.
TEST_F(SvgRender, FrameRectangleLiesAQuarterPointInsideTheGraphic) {
  page.items.push_back(Graphic("fig", "rect", 10, 20, 100, 50));
  Image before = Draw();
  ASSERT_EQ(before.width, 200 * kScale);
  EXPECT_EQ(before.At(10.25, 45, kScale), Hex(kSvgInkColor));
  EXPECT_EQ(before.At(10.75, 45, kScale), Hex(kSvgFillColor));

  PageItem border = Graphic("border", "rect", 10.25, 20.25, 99.5, 49.5);
  border.outline = 0.5;
  border.filled = false;
  border.selected = true;
  page.items.push_back(border);
  Image after = Draw();
  const uint32_t sel = Hex(kSvgSelectedColor);
  EXPECT_EQ(after.At(10.25, 45, kScale), sel);              // left edge of the border
  EXPECT_EQ(after.At(109.75, 45, kScale), sel);             // right edge
  EXPECT_EQ(after.At(60, 20.25, kScale), sel);              // top edge
  EXPECT_EQ(after.At(60, 69.75, kScale), sel);              // bottom edge
  EXPECT_EQ(after.At(9.6, 45, kScale), Hex(kSvgInkColor));  // the graphic's outline outside it
  EXPECT_EQ(after.At(110.4, 45, kScale), Hex(kSvgInkColor));
  EXPECT_EQ(after.At(60, 45, kScale), Hex(kSvgFillColor));  // unfilled: the graphic shows through
}

// A moved graphic is drawn at its new place and nothing is left at the old one.
TEST_F(SvgRender, MovedGraphicIsDrawnAtItsNewPosition) {
  page.items.push_back(Graphic("a", "rect", 20, 20, 40, 30));
  Image before = Draw();
  page.items[0].x = 120;
  Image after = Draw();
  EXPECT_EQ(before.At(40, 35, kScale), Hex(kSvgFillColor));
  EXPECT_EQ(after.At(40, 35, kScale), 0xFFFFFFu);
  EXPECT_EQ(after.At(140, 35, kScale), Hex(kSvgFillColor));
  EXPECT_EQ(after.At(120, 35, kScale), Hex(kSvgInkColor));
}

// Table columns are drawn at the widths the model reports; a widened column moves the rules
// after it.
TEST_F(SvgRender, TableColumnRulesFollowTheColumnWidths) {
  PageItem t;
  t.name = "t";
  t.kind = "table";
  t.type = 36;
  t.x = 10, t.y = 10, t.rows = 2, t.h = 40;
  t.columns = {50, 60, 40};
  t.w = 150;
  page.items.push_back(t);
  Image img = Draw();
  EXPECT_NE(img.At(60, 20, kScale), 0xFFFFFFu);   // rule between column 0 and 1 at 10 + 50
  EXPECT_NE(img.At(120, 20, kScale), 0xFFFFFFu);  // and between 1 and 2 at 10 + 50 + 60
  EXPECT_EQ(img.At(100, 20, kScale), 0xFFFFFFu);
  page.items[0].selRow0 = page.items[0].selRow1 = 1;
  page.items[0].selCol0 = page.items[0].selCol1 = 1;
  Image sel = Draw();
  EXPECT_NE(sel.At(90, 40, kScale), 0xFFFFFFu);  // the selected cell [1,1] is tinted
  EXPECT_EQ(sel.At(90, 20, kScale), 0xFFFFFFu);  // its neighbour above is not
}

// Names and texts with markup characters, control bytes and bytes that are not UTF-8 stay text:
// the picture is still well-formed, and renders.
TEST_F(SvgRender, MarkupInNamesAndTextsIsEscaped) {
  PageItem p = Graphic("a<b>&\"c\" caf\xE9 \xFF\xC3 ]]>", "oval", 10, 10, 50, 50);
  p.text = "</svg>";
  page.items.push_back(p);
  PageItem para;
  para.kind = "paragraph";
  para.name = "p";
  para.text = "x < y & \"z\" \x01 \xED\xA0\x80 \xC0\xAF";
  para.x = 10, para.y = 80, para.w = 100, para.h = 12;
  page.items.push_back(para);
  Image img = Draw();
  EXPECT_EQ(img.At(35, 35, kScale), Hex(kSvgFillColor));
}

size_t PixelsApart(const Image& a, const Image& b) {
  size_t differ = a.rgba.size() == b.rgba.size() ? 0 : a.rgba.size() + b.rgba.size();
  for (size_t k = 0; k < a.rgba.size() && k < b.rgba.size(); k += 4)
    differ += std::abs(a.rgba[k] - b.rgba[k]) + std::abs(a.rgba[k + 1] - b.rgba[k + 1]) +
                          std::abs(a.rgba[k + 2] - b.rgba[k + 2]) >
                      120
                  ? 1
                  : 0;
  return differ;
}

// Shapes nothing marks, merged into one path per paint, look as each drawn on its own.
TEST_F(SvgRender, MergedShapesLookAsShapesDrawnOneByOne) {
  const char* kinds[] = {"rect", "oval", "roundrect", "polygon", "line", "arc"};
  for (int i = 0; i < 18; ++i) {
    page.items.push_back(Graphic("", kinds[i % 6], i % 6 * 32 + 4, i / 6 * 36 + 6, 24 - i / 6 * 4, 18 + i / 6 * 4));
    page.items.back().filled = i / 6 != 1;
  }
  std::set<uint32_t> none;
  SvgOptions merged;
  merged.scale = kScale;
  merged.named = &none;
  const std::string svg = RenderSvg(page, merged);
  size_t paths = 0;
  for (size_t at = svg.find("<path"); at != std::string::npos; at = svg.find("<path", at + 1)) ++paths;
  EXPECT_EQ(paths, 3u) << "a run of four shapes in each row (a line and an arc end it)\n" << svg;
  const Image a = Draw(), b = Render(svg);
  EXPECT_LT(PixelsApart(a, b), a.rgba.size() / 4 / 5000) << "of " << a.rgba.size() / 4 << " pixels";
}

// A crowded page's picture drawn from the page drawing a report holds once, with what differs
// drawn over it, looks as the picture drawn whole: objects moved, resized, deleted, made,
// selected and changed since the drawing was made included.
TEST_F(SvgRender, PictureFromTheSharedPageDrawingLooksAsTheWholeDrawing) {
  for (uint32_t i = 0; i < 300; ++i) {
    page.items.push_back(
        Graphic("g" + std::to_string(i), i % 7 ? "rect" : "oval", i % 30 * 6 + 2, i / 30 * 6 + 2, 4, 4));
    page.items.back().id = i + 1;
  }
  PageFigures figures("t-");
  std::set<uint32_t> named;
  SvgOptions opt;
  opt.scale = kScale;
  opt.named = &named;
  figures.Draw(page, opt);  // the page is drawn once
  page.items[5].y += 70;
  page.items[17].w = 5.5;
  page.items.erase(page.items.begin() + 40);
  page.items.push_back(Graphic("made", "oval", 100, 90, 20, 10));
  page.items.back().id = 999;
  page.items[59].selected = true;
  page.items[61].changed = true;
  page.previous.push_back(page.items[61]);
  page.items[61].x += 1;
  named = {page.items[59].id, page.items[61].id};
  std::string shared = figures.Draw(page, opt);
  ASSERT_NE(shared.find("<use href=\"#t-b0\"/>"), std::string::npos) << shared;
  EXPECT_EQ(figures.Bases(), 1);
  shared.insert(shared.find('>', shared.find("<svg")) + 1, figures.TakeDefinitions());
  const Image a = Render(shared), b = Render(RenderSvg(page, opt));
  EXPECT_LT(PixelsApart(a, b), a.rgba.size() / 4 / 2000) << "of " << a.rgba.size() / 4 << " pixels";
  EXPECT_EQ(a.At(page.items[5].x + 2, page.items[5].y + 2, kScale), Hex(kSvgFillColor)) << "moved";
  EXPECT_EQ(a.At(page.items[5].x + 2, page.items[5].y - 68, kScale), 0xFFFFFFu) << "gone from its old place";
  EXPECT_EQ(a.At(110, 95, kScale), Hex(kSvgFillColor)) << "made";
}

// The same pictures from real commands of the module: after "Add Frame To Graphic" the border
// is drawn a quarter point inside the graphic; after "Paste Graphic Pos" the graphic is drawn
// at the copied place. The frame lies at (36, 36) on the page.
class SvgOfCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveRenderer()) GTEST_SKIP() << "rsvg-convert is not installed";
    std::string err;
    if (!runner.Start(&err)) GTEST_SKIP() << err;
    Do("document d page 300 200\n"
       "frame f1 at 36 36 size 250 150\n"
       "graphic fig rect at 10 20 size 100 50 in f1\n"
       "graphic chip oval at 150 100 size 40 20 in f1\n");
  }
  void Do(const std::string& text) {
    for (const Step& st : ParseScenario(text, "t")) failures += runner.Run(st).failures;
  }
  Image Draw() {
    SvgOptions opt;
    opt.scale = kScale;
    return Render(RenderSvg(runner.View(), opt));
  }
  ScenarioRunner runner{RunOptions{}};
  int failures = 0;
};

TEST_F(SvgOfCommands, AddFrameDrawsTheBorderInsideTheGraphic) {
  Do("select fig\nchoose Zorvan > Add Frame To Graphic\n");
  ASSERT_EQ(failures, 0);
  Image img = Draw();
  const uint32_t sel = Hex(kSvgSelectedColor);
  EXPECT_EQ(img.At(36 + 10.25, 36 + 45, kScale), sel);
  EXPECT_EQ(img.At(36 + 109.75, 36 + 45, kScale), sel);
  EXPECT_EQ(img.At(36 + 60, 36 + 20.25, kScale), sel);
  EXPECT_EQ(img.At(36 + 60, 36 + 69.75, kScale), sel);
  EXPECT_EQ(img.At(36 + 9.6, 36 + 45, kScale), Hex(kSvgInkColor));  // the graphic's own outline
  EXPECT_EQ(img.At(36 + 60, 36 + 45, kScale), Hex(kSvgFillColor));
}

TEST_F(SvgOfCommands, PastedPositionMovesTheDrawing) {
  Do("select fig\nchoose Zorvan > Copy Graphic Props\nselect chip\n");
  Image before = Draw();
  EXPECT_EQ(before.At(36 + 170, 36 + 110, kScale), Hex(kSvgFillColor));  // chip's middle
  Do("choose Zorvan > Paste Graphic Pos\n");
  ASSERT_EQ(failures, 0);
  Image after = Draw();
  EXPECT_EQ(after.At(36 + 170, 36 + 110, kScale), 0xFFFFFFu);             // gone from its old place
  EXPECT_EQ(after.At(36 + 30, 36 + 30, kScale), Hex(kSvgFillColor));      // now over the figure, at (10, 20)
  EXPECT_EQ(after.At(36 + 10, 36 + 30, kScale), Hex(kSvgSelectedColor));  // its left edge, selected
}

}  // namespace
}  // namespace zvhost

#else
TEST(SvgRender, NeedsZlib) {
  GTEST_SKIP() << "built without zlib: pictures are not decoded here";
}
#endif
