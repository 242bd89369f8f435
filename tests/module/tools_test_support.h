// Shared set-up for the tests of the graphic tools: a reference host with the real module
// loaded and initialised, a document with a frame, and readable views of the call log.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "tests/support/commands.h"

namespace zvtest {

using zvhost::Geometry;
using zvhost::Host;
using zvhost::HostOptions;
using zvhost::Mark;
using zvhost::Metric;
using zvhost::Model;
using zvhost::ObjectId;
using zvhost::Pt;
using zvhost::Value;
namespace prop = zvhost::prop;
namespace obj = zvhost::obj;

constexpr const char* kSelectObject = "First select an object. Then try again.";
constexpr int32_t kAlertError = 3;
constexpr int32_t kAlertNote = 2;

class ToolsTest : public ::testing::Test {
 protected:
  // Options for the host; a test fixture may change them before the host starts.
  virtual void Configure(HostOptions& /*options*/) {}

  void SetUp() override {
    HostOptions options;
    Configure(options);
    host_ = std::make_unique<Host>(options);
    ASSERT_TRUE(host_->Start()) << host_->LastError();
    doc = model().NewDocument("test");
    model().SetActiveDocument(doc);
    frame = model().AddFrame(doc, {36, 36, 400, 300});
  }
  void TearDown() override {
    if (!host_) return;
    host_->Stop();
    EXPECT_TRUE(host_->Problems().empty()) << Join(host_->Problems());
    EXPECT_EQ(host_->Lists().outstanding, 0u);
    host_.reset();
  }

  Host& host() { return *host_; }
  Model& model() { return host_->model(); }

  Mark MarkNow() { return host_->log().MarkNow(); }
  void Choose(int32_t number) { ASSERT_TRUE(host_->ChooseCommand(number)) << "command " << number; }

  // The host calls that change something or talk to the user, since the mark, as
  // "SetMetricProp obj=12:5 key=PosX value=10pt" (a leading document argument left out).
  std::vector<std::string> Actions(const Mark& since) const {
    std::vector<std::string> out;
    for (const auto& r : host_->log().Since(since)) {
      if (r.direction != zvhost::Direction::ToHost) continue;
      bool keep = zvhost::IsWriteOperation(r.op) || r.op == "ReadAllProps" || r.op == "RefreshDocument" ||
                  r.op == "ShowAlert" || r.op == "AskForInteger";
      if (!keep) continue;
      std::string args = r.args;
      if (args.rfind("doc=", 0) == 0) {
        size_t space = args.find(' ');
        if (space != std::string::npos) args = args.substr(space + 1);  // a lone document stays
      }
      out.push_back(r.op + (args.empty() ? "" : " " + args));
    }
    return out;
  }
  std::vector<std::string> Writes(const Mark& since) const {
    std::vector<std::string> out;
    for (const std::string& a : Actions(since))
      if (zvhost::IsWriteOperation(a.substr(0, a.find(' ')))) out.push_back(a);
    return out;
  }
  size_t Count(const Mark& since, const std::string& op) const { return host_->log().Named(op, since).size(); }

  static std::string Id(ObjectId id) { return zvhost::FormatId(id); }
  static std::string Join(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
  }

  // Readable expectations for Actions().
  static std::string SetMetric(ObjectId object, const char* key, Metric value) {
    return "SetMetricProp obj=" + Id(object) + " key=" + key + " value=" + zvhost::FormatPt(value);
  }
  static std::string SetInt(ObjectId object, const char* key, int32_t value) {
    return "SetIntProp obj=" + Id(object) + " key=" + key + " value=" + std::to_string(value);
  }
  static std::string ScreenUpdates(int on) { return "SetIntProp obj=0 key=ScreenUpdates value=" + std::to_string(on); }
  static std::string Snapshot(ObjectId object) { return "ReadAllProps obj=" + Id(object); }
  std::string Refresh() const { return "RefreshDocument doc=" + Id(doc); }

  Metric Read(ObjectId object, int32_t p) const { return host_->model().ReadMetric(object, p); }
  int32_t ReadInt(ObjectId object, int32_t p) const { return host_->model().Read(object, p).word; }
  std::vector<Metric> ReadList(ObjectId object, int32_t p) const { return host_->model().Read(object, p).list; }

  size_t AlertCount() const { return host_->Alerts().size(); }
  void ExpectLastAlert(const std::string& text, int32_t kind) const {
    ASSERT_FALSE(host_->Alerts().empty());
    EXPECT_EQ(host_->Alerts().back().text, text);
    EXPECT_EQ(host_->Alerts().back().kind, kind);
  }

  // Selects graphics as the user would (the host sends notifications around the change).
  void Select(std::vector<ObjectId> graphics) { host_->SelectGraphics(doc, graphics); }

  std::unique_ptr<Host> host_;
  ObjectId doc = 0;
  ObjectId frame = 0;
};

}  // namespace zvtest
