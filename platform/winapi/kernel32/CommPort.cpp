// The serial port object: queues, pending operations and events under the waitables' state lock.
#include "platform/winapi/kernel32/CommPort.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Synchronization.h"
#include "platform/winapi/VirtualTime.h"

namespace {

constexpr DWORD kAllOnes = 0xFFFFFFFF;

std::unique_lock<std::mutex> StateLock() { return KernelWaitable::StateLock(); }

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Actions due at real-clock ticks, run by one thread of the process that lives as long as it does.
class RealTimers {
 public:
  void Add(uint64_t tick, std::function<void()> action) {
    std::lock_guard<std::mutex> guard(lock_);
    due_.emplace(tick, std::move(action));
    if (!started_) {
      started_ = true;
      std::thread([this] { Run(); }).detach();
    }
    changed_.notify_one();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(lock_);
    while (true) {
      if (due_.empty()) {
        changed_.wait(lock);
        continue;
      }
      uint64_t now = ClockTickMs();
      if (due_.begin()->first > now) {
        changed_.wait_for(lock, std::chrono::milliseconds(due_.begin()->first - now));
        continue;
      }
      auto action = std::move(due_.begin()->second);
      due_.erase(due_.begin());
      lock.unlock();
      action();
      lock.lock();
    }
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::multimap<uint64_t, std::function<void()>> due_;
  bool started_ = false;
};

RealTimers& Timers() {
  static RealTimers* timers = new RealTimers;  // its thread outlives every static
  return *timers;
}

// Runs one operation without an OVERLAPPED of the caller: on a private one, waiting for its end.
template <class Start>
BOOL RunSynchronously(DWORD* transferred, Start start) {
  OVERLAPPED own{};
  own.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!own.hEvent) return FALSE;
  BOOL ok = start(&own);
  DWORD error = GetLastError();
  if (ok || error == ERROR_IO_PENDING) {
    DWORD bytes = 0;
    ok = GetOverlappedResult(nullptr, &own, &bytes, TRUE);
    error = GetLastError();
    if (transferred) *transferred = bytes;
  }
  CloseHandle(own.hEvent);
  SetLastError(error);
  return ok;
}

// What stands behind a port whose handle has closed (a call already under way may still reach it).
class ClosedLine final : public CommLine {
 public:
  void Attach(CommPort*) override {}
  void Detach() override {}
  DWORD Configure(const DCB&) override { return ERROR_INVALID_HANDLE; }
  size_t Send(const char*, size_t, DWORD* error) override {
    *error = ERROR_INVALID_HANDLE;
    return 0;
  }
  DWORD ModemLines(DWORD* lines) override {
    *lines = 0;
    return ERROR_INVALID_HANDLE;
  }
};

// The operation record of a caller's OVERLAPPED; false (last error set) when its event is no event.
bool MakeOp(OVERLAPPED* overlapped, OverlappedOp* op) {
  std::shared_ptr<KernelWaitable> event;
  if (overlapped->hEvent) {
    event = EventObjectOf(overlapped->hEvent);
    if (!event) return false;
  }
  *op = OverlappedOp(overlapped, std::move(event));
  return true;
}

}  // namespace

CommPort::CommPort(std::string name, std::unique_ptr<CommLine> line) : name_(std::move(name)), line_(std::move(line)) {
  dcb_.DCBlength = sizeof(DCB);
  dcb_.BaudRate = 9600;
  dcb_.Flags = DCB_BINARY;
  dcb_.ByteSize = 8;
  dcb_.XonChar = 17;
  dcb_.XoffChar = 19;
}

void CommPort::Start() { line_->Attach(this); }

CommPort::~CommPort() { HandleClosed(); }

void CommPort::HandleClosed() {
  std::unique_ptr<CommLine> line;
  {
    auto lock = StateLock();
    if (closed_) return;
    closed_ = true;
  }
  line_->Detach();
  {
    auto lock = StateLock();
    if (wait_) {
      *wait_->events = 0;
      wait_->op.Finish(ERROR_OPERATION_ABORTED, 0);
      wait_.reset();
    }
    for (PendingRead& r : reads_) r.op.Finish(ERROR_OPERATION_ABORTED, r.got);
    reads_.clear();
    for (PendingWrite& w : writes_) w.op.Finish(ERROR_OPERATION_ABORTED, DWORD(w.sent));
    writes_.clear();
    line = std::move(line_);
    line_ = std::make_unique<ClosedLine>();
  }
  // The device and its lock go outside the state lock.
}

// ---- reading

DWORD CommPort::QueueRead(void* buffer, DWORD toRead, DWORD* read, const OverlappedOp& op) {
  const COMMTIMEOUTS& t = timeouts_;
  const bool atOnce = t.ReadIntervalTimeout == kAllOnes && !t.ReadTotalTimeoutMultiplier && !t.ReadTotalTimeoutConstant;
  const bool firstByte = t.ReadIntervalTimeout == kAllOnes && t.ReadTotalTimeoutMultiplier == kAllOnes &&
                         t.ReadTotalTimeoutConstant && t.ReadTotalTimeoutConstant != kAllOnes;
  DWORD take = DWORD(std::min<size_t>(toRead, input_.size()));
  if (atOnce || hungUp_ || take == toRead || (firstByte && take > 0)) {
    std::copy_n(input_.data(), take, static_cast<char*>(buffer));
    input_.erase(0, take);
    if (read) *read = take;
    OverlappedOp done = op;
    if (done.overlapped()) done.Finish(ERROR_SUCCESS, take);
    TellRoom();
    return ERROR_SUCCESS;
  }
  const uint64_t now = ClockTickMs();
  uint64_t total = firstByte ? t.ReadTotalTimeoutConstant
                             : uint64_t(t.ReadTotalTimeoutMultiplier) * toRead + t.ReadTotalTimeoutConstant;
  PendingRead pending{
      op, static_cast<char*>(buffer),       toRead,
      0,  total ? now + total : UINT64_MAX, firstByte || t.ReadIntervalTimeout == kAllOnes ? 0 : t.ReadIntervalTimeout};
  pending.op.Begin();
  reads_.push_back(pending);
  ServeReads();
  if (!reads_.empty() && reads_.back().deadline != UINT64_MAX) ArmCheck(reads_.back().deadline);
  return ERROR_IO_PENDING;
}

void CommPort::ServeReads() {
  const uint64_t now = ClockTickMs();
  while (!reads_.empty() && !input_.empty()) {
    PendingRead& r = reads_.front();
    DWORD take = DWORD(std::min<size_t>(r.want - r.got, input_.size()));
    std::copy_n(input_.data(), take, r.buffer + r.got);
    input_.erase(0, take);
    r.got += take;
    r.lastByte = now;
    const bool firstByte = timeouts_.ReadTotalTimeoutMultiplier == kAllOnes;
    if (r.got < r.want && !firstByte) {
      if (r.interval) ArmCheck(now + r.interval);
      break;
    }
    r.op.Finish(ERROR_SUCCESS, r.got);
    reads_.pop_front();
  }
  TellRoom();
}

BOOL CommPort::Read(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
  if (read) *read = 0;
  if (!overlapped) return RunSynchronously(read, [&](OVERLAPPED* own) { return Read(buffer, toRead, nullptr, own); });
  OverlappedOp op;
  if (!MakeOp(overlapped, &op)) return FALSE;
  auto lock = StateLock();
  DWORD result = QueueRead(buffer, toRead, read, op);
  if (result != ERROR_SUCCESS) return Fail(result);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// ---- writing

BOOL CommPort::Write(const void* buffer, DWORD toWrite, DWORD* written, OVERLAPPED* overlapped) {
  if (written) *written = 0;
  if (!overlapped)
    return RunSynchronously(written, [&](OVERLAPPED* own) { return Write(buffer, toWrite, nullptr, own); });
  OverlappedOp op;
  if (!MakeOp(overlapped, &op)) return FALSE;
  auto lock = StateLock();
  const char* data = static_cast<const char*>(buffer);
  size_t sent = 0;
  if (toWrite && writes_.empty()) {
    DWORD error = ERROR_SUCCESS;
    sent = line_->Send(data, toWrite, &error);
    if (error != ERROR_SUCCESS) {
      op.Finish(error, DWORD(sent));
      return Fail(error);
    }
  }
  if (sent == toWrite) {
    if (written) *written = toWrite;
    op.Finish(ERROR_SUCCESS, toWrite);
    if (toWrite) Raise(EV_TXEMPTY);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  const COMMTIMEOUTS& t = timeouts_;
  uint64_t total = uint64_t(t.WriteTotalTimeoutMultiplier) * toWrite + t.WriteTotalTimeoutConstant;
  PendingWrite pending{op, std::string(data, toWrite), sent, total ? ClockTickMs() + total : UINT64_MAX};
  pending.op.Begin();
  writes_.push_back(std::move(pending));
  if (total) ArmCheck(writes_.back().deadline);
  line_->WantWrite();
  return Fail(ERROR_IO_PENDING);
}

void CommPort::DrainWrites() {
  while (!writes_.empty()) {
    PendingWrite& w = writes_.front();
    DWORD error = ERROR_SUCCESS;
    w.sent += line_->Send(w.data.data() + w.sent, w.data.size() - w.sent, &error);
    if (error != ERROR_SUCCESS) {
      w.op.Finish(error, DWORD(w.sent));
    } else if (w.sent < w.data.size()) {
      line_->WantWrite();
      return;
    } else {
      w.op.Finish(ERROR_SUCCESS, DWORD(w.sent));
    }
    writes_.pop_front();
    if (writes_.empty() && error == ERROR_SUCCESS) Raise(EV_TXEMPTY);
  }
}

void CommPort::LineWritable() {
  auto lock = StateLock();
  DrainWrites();
}

// ---- time-outs

void CommPort::At(uint64_t tick, std::function<void(CommPort&)> action) {
  std::weak_ptr<KernelObject> self = weak_from_this();
  auto run = [self, action = std::move(action)] {
    if (auto port = std::static_pointer_cast<CommPort>(self.lock())) action(*port);
  };
  if (ClockMode() == TClockMode::Virtual)
    ScheduleVirtualEvent(tick, std::move(run));
  else
    Timers().Add(tick, std::move(run));
}

void CommPort::ArmCheck(uint64_t tick) {
  At(tick, [](CommPort& port) {
    auto lock = StateLock();
    port.CheckDeadlines();
  });
}

void CommPort::CheckDeadlines() {
  const uint64_t now = ClockTickMs();
  for (auto it = reads_.begin(); it != reads_.end();) {
    bool intervalOver = it->interval && it->got && now >= it->lastByte + it->interval;
    if (now >= it->deadline || intervalOver) {
      it->op.Finish(ERROR_SUCCESS, it->got);
      it = reads_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = writes_.begin(); it != writes_.end();) {
    if (now >= it->deadline) {
      it->op.Finish(ERROR_SUCCESS, DWORD(it->sent));  // a write time-out completes with what was sent
      it = writes_.erase(it);
    } else {
      ++it;
    }
  }
}

void CommPort::TellRoom() { line_->InputRoom(input_.size() < inSize_ ? inSize_ - input_.size() : 0); }

// ---- events

void CommPort::Raise(DWORD events) {
  events &= mask_;
  if (!events) return;
  if (wait_) {
    *wait_->events = events | occurred_;
    occurred_ = 0;
    wait_->op.Finish(ERROR_SUCCESS, 0);
    wait_.reset();
  } else {
    occurred_ |= events;
  }
}

BOOL CommPort::WaitEvent(DWORD* events, OVERLAPPED* overlapped) {
  if (!events) return Fail(ERROR_INVALID_PARAMETER);
  if (!overlapped) return RunSynchronously(nullptr, [&](OVERLAPPED* own) { return WaitEvent(events, own); });
  OverlappedOp op;
  if (!MakeOp(overlapped, &op)) return FALSE;
  auto lock = StateLock();
  if (hungUp_) {
    if (!hangUpReported_) {
      hangUpReported_ = true;
      *events = 0;
      op.Finish(hangUpError_, 0);
    }
    return Fail(hangUpError_);
  }
  if (!mask_ || wait_) return Fail(ERROR_INVALID_PARAMETER);
  if (occurred_ & mask_) {
    *events = occurred_ & mask_;
    occurred_ = 0;
    op.Finish(ERROR_SUCCESS, 0);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  op.Begin();
  wait_ = PendingWait{op, events};
  return Fail(ERROR_IO_PENDING);
}

BOOL CommPort::SetMask(DWORD mask) {
  auto lock = StateLock();
  mask_ = mask;
  occurred_ &= mask;
  if (wait_) {
    *wait_->events = 0;
    wait_->op.Finish(ERROR_SUCCESS, 0);
    wait_.reset();
  }
  return TRUE;
}

DWORD CommPort::Mask() {
  auto lock = StateLock();
  return mask_;
}

// ---- from the line

void CommPort::Deliver(const char* data, size_t size) {
  auto lock = StateLock();
  if (closed_) return;
  const size_t before = input_.size();
  bool flag = false;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && (dcb_.Flags & DCB_NULL)) continue;
    if (input_.size() >= inSize_) {
      errors_ |= CE_RXOVER;
      break;
    }
    input_ += data[i];
    flag |= data[i] == dcb_.EvtChar;
  }
  if (input_.size() == before) return;
  const size_t nearlyFull = size_t(inSize_) * 8 / 10;
  DWORD events = EV_RXCHAR | (flag ? EV_RXFLAG : 0);
  if (before < nearlyFull && input_.size() >= nearlyFull) events |= EV_RX80FULL;
  ServeReads();
  Raise(events);
}

void CommPort::HangUp(DWORD error) {
  auto lock = StateLock();
  if (hungUp_ || closed_) return;
  hungUp_ = true;
  hangUpError_ = error;
  if (wait_) {
    hangUpReported_ = true;
    *wait_->events = 0;
    wait_->op.Finish(error, 0);
    wait_.reset();
  }
  for (PendingRead& r : reads_) r.op.Finish(ERROR_SUCCESS, r.got);
  reads_.clear();
  for (PendingWrite& w : writes_) w.op.Finish(error, DWORD(w.sent));
  writes_.clear();
}

// ---- settings and state

BOOL CommPort::SetState(const DCB& dcb) {
  const bool fiveBits = dcb.ByteSize == 5;
  if (!dcb.BaudRate || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS ||
      (fiveBits && dcb.StopBits == TWOSTOPBITS) || (!fiveBits && dcb.StopBits == ONE5STOPBITS) ||
      ((dcb.Flags & (DCB_OUTX | DCB_INX)) && dcb.XonChar == dcb.XoffChar))
    return Fail(ERROR_INVALID_PARAMETER);
  auto lock = StateLock();
  if (DWORD error = line_->Configure(dcb)) return Fail(error);
  dcb_ = dcb;
  RecordCommState(name_, dcb);
  return TRUE;
}

void CommPort::GetState(DCB* dcb) {
  auto lock = StateLock();
  *dcb = dcb_;
}

void CommPort::SetTimeouts(const COMMTIMEOUTS& timeouts) {
  auto lock = StateLock();
  timeouts_ = timeouts;
}

void CommPort::GetTimeouts(COMMTIMEOUTS* timeouts) {
  auto lock = StateLock();
  *timeouts = timeouts_;
}

BOOL CommPort::Setup(DWORD inSize, DWORD outSize) {
  if (!inSize || !outSize) return Fail(ERROR_INVALID_PARAMETER);
  auto lock = StateLock();
  inSize_ = std::max<DWORD>(inSize, DWORD(input_.size()));
  outSize_ = outSize;
  TellRoom();
  return TRUE;
}

BOOL CommPort::Purge(DWORD flags) {
  if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) return Fail(ERROR_INVALID_PARAMETER);
  auto lock = StateLock();
  if (flags & PURGE_RXABORT) {
    for (PendingRead& r : reads_) r.op.Finish(ERROR_OPERATION_ABORTED, r.got);
    reads_.clear();
  }
  if (flags & PURGE_TXABORT) {
    for (PendingWrite& w : writes_) w.op.Finish(ERROR_OPERATION_ABORTED, DWORD(w.sent));
    writes_.clear();
  }
  if (flags & PURGE_RXCLEAR) {
    input_.clear();
    line_->FlushInput();
    TellRoom();
  }
  if (flags & PURGE_TXCLEAR) line_->FlushOutput();
  return TRUE;
}

void CommPort::ClearError(DWORD* errors, COMSTAT* status) {
  auto lock = StateLock();
  if (errors) *errors = errors_;
  errors_ = 0;
  if (status) {
    status->Flags = 0;
    status->cbInQue = DWORD(input_.size());
    size_t out = 0;
    for (const PendingWrite& w : writes_) out += w.data.size() - w.sent;
    status->cbOutQue = DWORD(out);
  }
}

BOOL CommPort::ModemStatus(DWORD* lines) {
  auto lock = StateLock();
  DWORD error = line_->ModemLines(lines);
  if (error) return Fail(error);
  return TRUE;
}
