// Fault injection for the session's operations: a failing HRESULT (the call failed, nothing was
// done, no output written), a nonzero host status (the host refused; value outputs are 0), or
// a success that leaves the caller's status variable as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/model/numbers.h"

namespace zvhost {

struct Fault {
  HResult hresult = 0;           // negative: the call fails
  int32_t status = 0;            // nonzero (with hresult 0): the host answers with this status
  bool statusUnwritten = false;  // the call does its work and succeeds but never writes the status

  static Fault Busy() { return {hr::Busy, 0}; }
  static Fault Failed(HResult h = hr::Fail) { return {h, 0}; }
  static Fault Status(int32_t s) { return {0, s}; }
  static Fault StatusUnwritten() { return {0, 0, true}; }
  bool active() const { return hresult < 0 || status != 0 || statusUnwritten; }
  std::string ToString() const;  // "hr=0x8001010A", "status=7" or "status unwritten"
};

class Faults {
 public:
  // Every session operation from now on (RegisterClient included).
  void FailAll(Fault fault);
  // The nth session operation (1 = the first) counted after the given operation count
  // (see CallLog::MarkNow().ops); only that one call.
  void FailNth(uint64_t n, Fault fault, uint64_t fromOps);
  // Every call of one operation by name ("GetIdProp"); `times` < 0: no limit.
  void FailOperation(const std::string& op, Fault fault, int times = -1);
  void Clear();
  bool Empty() const { return !all_.active() && nth_.empty() && byOp_.empty(); }

  // Used by the session: the fault for this call (inactive when none). `opIndex` is the
  // 1-based number of this session operation over the host's life.
  Fault Take(const std::string& op, uint64_t opIndex);

 private:
  struct Nth {
    uint64_t index;
    Fault fault;
  };
  struct ByOp {
    std::string op;
    Fault fault;
    int remaining;
  };
  Fault all_;
  std::vector<Nth> nth_;
  std::vector<ByOp> byOp_;
};

}  // namespace zvhost
