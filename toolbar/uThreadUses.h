// Counts the users of something that a thread keeps once for all its band forms (the signal window, the
// menu window): the first user makes it, the last one frees it. Each thread counts for itself.
#pragma once

template <class Tag>
class TThreadUses {
 public:
  // True for the thread's first user, who makes the thing.
  static bool Enter() { return ++count_ == 1; }
  // True for the thread's last user, who frees it; false, and nothing counted, when the thread has none.
  static bool Leave() { return count_ > 0 && --count_ == 0; }
  static int Count() { return count_; }

 private:
  static inline thread_local int count_ = 0;
};
