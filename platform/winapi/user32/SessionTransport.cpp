// Broadcasts between the processes of the session: one Unix datagram socket per process in the session folder
// ("<pid>.sock"), bound when the process makes its first top-level window, and a receiver thread that hands each
// datagram of another process to DeliverBroadcast. The forwarder sends a broadcast to every other socket of the
// folder without waiting: a peer that refuses (its process is gone) is stale and its file is removed, a peer
// whose queue is full misses the message. Nothing is kept for processes or windows made later.
#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Session.h"
#include "platform/winapi/user32/SessionDatagram.h"
#include "platform/winapi/user32/WindowSystem.h"

namespace winsys {
namespace {

// Set once by Bind; the lock keeps senders off the socket while exit closes it.
struct Transport {
  std::mutex lock;
  int socket = -1;
  int stop = -1;  // an eventfd that ends the receiver
  std::string folder, path;
  pid_t process = 0;  // a child forked from this process must not remove the parent's socket
  std::thread receiver;
};

Transport& T() {
  static Transport* transport = new Transport;  // outlives the statics that exit destroys
  return *transport;
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  if (path.size() >= sizeof address.sun_path) return false;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

bool IsSocketName(const char* name) {
  size_t length = std::strlen(name), digits = std::strspn(name, "0123456789");
  return digits > 0 && length == digits + 5 && std::strcmp(name + digits, ".sock") == 0;
}

void Receive(int socket, int stop) {
  pollfd fds[2] = {{socket, POLLIN, 0}, {stop, POLLIN, 0}};
  unsigned char buffer[kMaxDatagram];
  while (true) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    ssize_t n = recv(socket, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
    if (n < 0) continue;
    TBroadcastDatagram datagram;
    if (size_t(n) <= sizeof buffer && ParseDatagram(buffer, size_t(n), datagram))
      DeliverBroadcast(datagram.name, datagram.wParam, datagram.lParam);
  }
}

void StopTransport() {
  Transport& t = T();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.process != getpid() || t.socket < 0) return;
  uint64_t one = 1;
  if (write(t.stop, &one, sizeof one) == sizeof one) t.receiver.join();
  close(t.socket);
  close(t.stop);
  t.socket = t.stop = -1;
  unlink(t.path.c_str());
  rmdir(t.folder.c_str());  // only when nothing else is left in it
}

void Bind() {
  Transport& t = T();
  std::string folder;
  if (!vandrel::OpenSessionFolder(folder)) return;  // broadcasts stay within this process
  std::string path = folder + "/" + std::to_string(getpid()) + ".sock";
  sockaddr_un address;
  if (!MakeAddress(path, address)) return;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  unlink(path.c_str());  // left by an earlier process of this number, which has ended
  int stop = eventfd(0, EFD_CLOEXEC);
  if (stop < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    if (stop >= 0) close(stop);
    return;
  }
  std::lock_guard<std::mutex> guard(t.lock);
  t.socket = fd;
  t.stop = stop;
  t.folder = folder;
  t.path = path;
  t.process = getpid();
  t.receiver = std::thread(Receive, fd, stop);
  std::atexit(StopTransport);
}

// Sends to one peer; removes the file of a peer that is gone.
void SendTo(int fd, const std::string& path, const std::string& datagram) {
  sockaddr_un address;
  if (!MakeAddress(path, address)) return;
  ssize_t sent = sendto(fd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                        reinterpret_cast<sockaddr*>(&address), sizeof address);
  if (sent < 0 && errno == ECONNREFUSED) unlink(path.c_str());
  // EAGAIN: the peer's queue is full and it misses this one; ENOENT: it went meanwhile.
}

void Forward(const std::string& name, WPARAM wParam, LPARAM lParam) {
  std::string datagram;
  if (!MakeDatagram(name, wParam, lParam, datagram)) return;
  std::string folder;
  if (!vandrel::OpenSessionFolder(folder)) return;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  Transport& t = T();
  std::lock_guard<std::mutex> guard(t.lock);
  int fd = t.socket >= 0 ? t.socket : socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd >= 0) {
    while (dirent* entry = readdir(dir)) {
      if (!IsSocketName(entry->d_name)) continue;
      std::string path = folder + "/" + entry->d_name;
      if (path != t.path) SendTo(fd, path, datagram);
    }
    if (fd != t.socket) close(fd);
  }
  closedir(dir);
}

struct AutoInstall {
  AutoInstall() { SetBroadcastForwarder(Forward); }
} g_autoInstall;

}  // namespace

void StartSessionTransport() {
  static std::once_flag once;
  std::call_once(once, Bind);
}

}  // namespace winsys
