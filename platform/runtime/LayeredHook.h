// A process-wide hook that libraries install in turn over a base value. The newest installation still
// present is current; a library withdraws its own when it unloads, wherever it stands, so nothing points into
// unloaded code whatever the order of unloading.
#pragma once
#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

template <typename T>
class TLayeredHook {
 public:
  explicit TLayeredHook(T base = T()) : base_(std::move(base)) {}

  T Current() const {
    std::lock_guard lock(lock_);
    return layers_.empty() ? base_ : layers_.back().second;
  }

  // Replaces the current value (the newest installation's, else the base) and returns what it held.
  T Set(T value) {
    std::lock_guard lock(lock_);
    T& slot = layers_.empty() ? base_ : layers_.back().second;
    std::swap(slot, value);
    return value;
  }

  // Installs a value over the current one; the number withdraws it.
  int Install(T value) {
    std::lock_guard lock(lock_);
    layers_.emplace_back(++lastInstallation_, std::move(value));
    return lastInstallation_;
  }

  // The value taken out is destroyed here, outside the lock.
  void Withdraw(int installation) { Detach(installation); }

 private:
  T Detach(int installation) {
    std::lock_guard lock(lock_);
    auto it = std::find_if(layers_.begin(), layers_.end(), [&](const auto& l) { return l.first == installation; });
    if (it == layers_.end()) return T{};
    T withdrawn = std::move(it->second);
    layers_.erase(it);
    return withdrawn;
  }

  mutable std::mutex lock_;
  T base_;
  std::vector<std::pair<int, T>> layers_;
  int lastInstallation_ = 0;
};
