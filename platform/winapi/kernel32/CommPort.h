// A serial port's kernel object: its settings, input queue, pending overlapped operations and events,
// all under the waitables' state lock; what lies behind it (a host terminal, a scripted device) is its
// CommLine, which hands it arriving bytes and hang-ups.
#pragma once
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "platform/winapi/Comm.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/kernel32/Device.h"

class CommPort;

// The far side of a port. The port calls it with the state lock held; it calls the port without.
class CommLine {
 public:
  virtual ~CommLine() = default;
  // From here on the line may deliver to the port.
  virtual void Attach(CommPort* port) = 0;
  // Stops every delivery; afterwards the line no longer calls the port. Called without the state lock.
  virtual void Detach() = 0;
  // Applies a checked block: ERROR_SUCCESS or an error.
  virtual DWORD Configure(const DCB& dcb) = 0;
  // Sends what it can without blocking and returns the count taken; an error sets *error.
  virtual size_t Send(const char* data, size_t size, DWORD* error) = 0;
  // Asks for a call of CommPort::LineWritable once the line can take more.
  virtual void WantWrite() {}
  // The free bytes of the port's input queue: a host line reads no more than that.
  virtual void InputRoom(size_t free) { (void)free; }
  virtual DWORD ModemLines(DWORD* lines) = 0;
  virtual void FlushInput() {}
  virtual void FlushOutput() {}
};

class CommPort final : public DeviceObject {
 public:
  CommPort(std::string name, std::unique_ptr<CommLine> line);
  ~CommPort() override;
  // Attaches the line; call once the port is owned by a shared pointer.
  void Start();
  // Releases the line (the device and its lock) and ends the pending operations; later calls find no line.
  void HandleClosed() override;

  BOOL Read(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) override;
  BOOL Write(const void* buffer, DWORD toWrite, DWORD* written, OVERLAPPED* overlapped) override;

  BOOL SetState(const DCB& dcb);
  void GetState(DCB* dcb);
  void SetTimeouts(const COMMTIMEOUTS& timeouts);
  void GetTimeouts(COMMTIMEOUTS* timeouts);
  BOOL Setup(DWORD inSize, DWORD outSize);
  BOOL SetMask(DWORD mask);
  DWORD Mask();
  BOOL WaitEvent(DWORD* events, OVERLAPPED* overlapped);
  BOOL Purge(DWORD flags);
  void ClearError(DWORD* errors, COMSTAT* status);
  BOOL ModemStatus(DWORD* lines);

  // ---- from the line (without the state lock)
  void Deliver(const char* data, size_t size);
  void HangUp(DWORD error);
  void LineWritable();
  // Runs `action` on the port at a tick of the clock (virtual time: as a scheduled event), unless the port
  // is gone by then.
  void At(uint64_t tick, std::function<void(CommPort&)> action);

 private:
  struct PendingRead {
    OverlappedOp op;
    char* buffer;
    DWORD want, got = 0;
    uint64_t deadline;  // UINT64_MAX: none
    DWORD interval;     // 0: none
    uint64_t lastByte = 0;
  };
  struct PendingWrite {
    OverlappedOp op;
    std::string data;
    size_t sent = 0;
    uint64_t deadline;
  };
  struct PendingWait {
    OverlappedOp op;
    DWORD* events;
  };

  // With the state lock held.
  void Raise(DWORD events);
  void ServeReads();
  void DrainWrites();
  void CheckDeadlines();
  void TellRoom();
  void ArmCheck(uint64_t tick);
  DWORD QueueRead(void* buffer, DWORD toRead, DWORD* read, const OverlappedOp& op);

  const std::string name_;
  std::unique_ptr<CommLine> line_;  // replaced by a closed line when the handle closes
  bool closed_ = false;             // guarded by the state lock
  // Guarded by the state lock.
  DCB dcb_{};
  COMMTIMEOUTS timeouts_{};
  DWORD inSize_ = 4096, outSize_ = 4096;
  std::string input_;
  DWORD mask_ = 0, occurred_ = 0, errors_ = 0;
  std::optional<PendingWait> wait_;
  std::list<PendingRead> reads_;
  std::list<PendingWrite> writes_;
  bool hungUp_ = false, hangUpReported_ = false;
  DWORD hangUpError_ = ERROR_SUCCESS;
};

// Keeps the last block applied to a port for LastCommState.
void RecordCommState(const std::string& port, const DCB& dcb);

// Opens a host terminal device as a port's line: exclusive (flock), raw mode set at once without flushing.
// Null with the Win32 error in *error.
std::unique_ptr<CommLine> OpenHostLine(const std::string& hostPath, DWORD* error);
// A scripted device's line over a parsed script; `lockFd` (or -1) is an open file whose flock it keeps.
struct CommScript;
// `released` runs when the line goes (an in-process port is free again).
std::unique_ptr<CommLine> NewScriptedLine(std::shared_ptr<const CommScript> script, int lockFd,
                                          std::function<void()> released = {});
