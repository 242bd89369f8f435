// The record of every call between the host and the client: the client's calls into the host's
// interfaces and the events the host delivered, in order, with readable arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/model/numbers.h"

namespace zvhost {

enum class Direction : uint8_t {
  ToHost,    // the client called the host (session, root object, other interfaces)
  ToClient,  // the host delivered an event to the client
};

struct CallRecord {
  uint64_t seq = 0;  // 1, 2, ... over the host's life
  Direction direction = Direction::ToHost;
  std::string iface;  // "Session", "Root", "MemoryPolicy", ..., "Events"
  std::string op;     // "GetIdProp", "Command", "Slot42" for an unknown slot
  int slot = -1;
  std::string args;  // "doc=0 obj=4:1 key=ActiveDocument(51)"
  bool hasStatus = false;
  int32_t status = 0;  // the host status written (when the method has one)
  HResult hresult = 0;
  std::string result;            // "4:1", "10.25pt", "{3 props}", ...
  bool faulted = false;          // the answer came from fault injection
  std::string ToString() const;  // "#12 GetIdProp[89](doc=0 ...) -> 4:1 status=0 hr=0x0"
};

// A position in the log and in the count of session operations, for later filtering.
struct Mark {
  uint64_t seq = 0;  // records with a larger sequence number come after the mark
  uint64_t ops = 0;  // session operations counted so far
};

class CallLog {
 public:
  bool enabled = true;  // when false, nothing is recorded (counts still run)

  Mark MarkNow() const { return {nextSeq_ - 1, sessionOps_}; }
  uint64_t SessionOps() const { return sessionOps_; }
  const std::vector<CallRecord>& Records() const { return records_; }
  std::vector<CallRecord> Since(const Mark& mark) const;
  std::vector<CallRecord> Select(const std::function<bool(const CallRecord&)>& keep, const Mark& from = {}) const;
  std::vector<CallRecord> Named(const std::string& op, const Mark& from = {}) const;
  // Writes to the document model (Set*Prop, WriteAllProps, CreateGraphic, DeleteObject,
  // SelectTableCells) made by the client since the mark.
  std::vector<CallRecord> WritesSince(const Mark& mark) const;
  // Operation names since the mark, in order ("GetIdProp GetIdProp ShowAlert").
  std::vector<std::string> OpsSince(const Mark& mark, bool includeEvents = false) const;
  std::string Text(const Mark& from = {}) const;  // one record per line
  void Clear();

  // Used by the host: appends a record (sequence number filled in) and returns its index;
  // At() gives the record to complete once the call has returned.
  size_t Add(CallRecord record, bool sessionOperation);
  CallRecord& At(size_t index);
  // Counts a call without recording it (logging off).
  void Skip(bool sessionOperation) {
    ++nextSeq_;
    if (sessionOperation) ++sessionOps_;
  }

 private:
  std::vector<CallRecord> records_;
  uint64_t nextSeq_ = 1;
  uint64_t sessionOps_ = 0;
  CallRecord scratch_;
};

bool IsWriteOperation(const std::string& op);

}  // namespace zvhost
