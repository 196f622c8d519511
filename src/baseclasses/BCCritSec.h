#pragma once
// The framework's lock: one re-entrant critical section, taken through TBCAutoLock.

#include <windows.h>

namespace sonotape {

class TBCCritSec {
 public:
  TBCCritSec() { InitializeCriticalSection(&section_); }
  ~TBCCritSec() { DeleteCriticalSection(&section_); }
  TBCCritSec(const TBCCritSec&) = delete;
  TBCCritSec& operator=(const TBCCritSec&) = delete;

  void Lock() { EnterCriticalSection(&section_); }
  void Unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// Holds a TBCCritSec for the lifetime of the guard.
class TBCAutoLock {
 public:
  explicit TBCAutoLock(TBCCritSec& lock) : lock_(lock) { lock_.Lock(); }
  ~TBCAutoLock() { lock_.Unlock(); }
  TBCAutoLock(const TBCAutoLock&) = delete;
  TBCAutoLock& operator=(const TBCAutoLock&) = delete;

 private:
  TBCCritSec& lock_;
};

}  // namespace sonotape
