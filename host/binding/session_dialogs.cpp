// The session's operations that speak to the person at the application: alerts, prompts for a
// number (answered from the queue, by a person, or cancelled) and the console.
#include "host/binding/session_op.h"

namespace zvhost {
namespace {

HResult ZVH_CALL ShowAlert(void* self, const char* message, int32_t kind, int32_t* answer) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("ShowAlert", slot::ShowAlert);
  if (c.logging) h.SetArgs(c, TextArg(message) + " kind=" + std::to_string(kind));
  if (c.fault.hresult < 0) return h.EndOp(c, c.fault.hresult, nullptr);
  h.alerts.push_back({message ? message : "", kind});
  if (!message) h.Problem("ShowAlert with a null message");
  if (!answer) return h.NullArgument(c, "answer");
  *answer = h.options.alertAnswer;
  return h.EndOp(c, hr::Ok, nullptr, [&] { return std::to_string(*answer); });
}

HResult ZVH_CALL AskForInteger(void* self, int32_t* status, int32_t* reply, const char* prompt,
                               const char* defaultText) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("AskForInteger", slot::AskForInteger);
  if (c.logging) h.SetArgs(c, TextArg(prompt) + " default=" + TextArg(defaultText));
  if (!status || !reply) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  PromptRecord p;
  p.prompt = prompt ? prompt : "";
  p.defaultText = defaultText ? defaultText : "";
  if (!h.answers.empty() && h.answers.front().first) {
    p.answered = true;
    p.answer = h.answers.front().second;
  } else if (h.answers.empty() && h.options.askPerson) {
    p.answered = h.options.askPerson(p.prompt, p.defaultText, &p.answer);
  }
  if (p.answered) {
    *reply = p.answer;
    *status = status::Ok;
  } else {
    *status = status::Cancelled;
  }
  if (!h.answers.empty()) h.answers.pop_front();
  h.prompts.push_back(p);
  return h.EndOp(c, hr::Ok, status, [&] { return p.answered ? std::to_string(p.answer) : "cancelled"; });
}

HResult ZVH_CALL PrintToConsole(void* self, const char* text, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("PrintToConsole", slot::PrintToConsole);
  if (c.logging) h.SetArgs(c, TextArg(text));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  if (!text) {
    *status = status::BadValue;
  } else {
    h.console.emplace_back(text);
    *status = status::Ok;
  }
  return h.EndOp(c, hr::Ok, status);
}

}  // namespace

void PutDialogOps(ZvHostSessionMethods& t) {
  ZVH_PUT(t, ShowAlert, &ShowAlert);
  ZVH_PUT(t, AskForInteger, &AskForInteger);
  ZVH_PUT(t, PrintToConsole, &PrintToConsole);
}

}  // namespace zvhost
