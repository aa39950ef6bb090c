// sndPlaySound: the one sound that "plays" and the record of calls.
#include "platform/winapi/Sound.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex g_lock;
std::vector<vandrel::sound_testing::TSoundCall> g_calls;
const char* g_playing = nullptr;  // the caller's image while it plays
size_t g_playingSize = 0;
volatile unsigned g_checksum = 0;

// The size of a RIFF WAVE image from its header; 0 when it is none.
size_t WaveImageSize(const char* image) {
  if (std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0) return 0;
  uint32_t chunk = 0;
  std::memcpy(&chunk, image + 4, 4);
  return size_t(chunk) + 8;
}

// Ends the sound that plays, touching every byte of its image (the caller must have kept it).
void StopPlaying() {
  unsigned sum = 0;
  for (size_t i = 0; i < g_playingSize; ++i) sum += static_cast<unsigned char>(g_playing[i]);
  g_checksum = g_checksum + sum;
  g_playing = nullptr;
  g_playingSize = 0;
}

}  // namespace

BOOL sndPlaySoundA(LPCSTR sound, UINT flags) {
  std::lock_guard<std::mutex> guard(g_lock);
  StopPlaying();
  if (!sound) {
    g_calls.push_back({true, flags, {}});
    return TRUE;
  }
  if (!(flags & SND_MEMORY)) {
    g_calls.push_back({false, flags, {}});
    return FALSE;
  }
  const size_t size = WaveImageSize(sound);
  g_calls.push_back({false, flags, std::string(sound, size ? size : 12)});
  if (!size) return FALSE;
  if (flags & SND_ASYNC) {
    g_playing = sound;
    g_playingSize = size;
  }
  return TRUE;
}

namespace vandrel::sound_testing {

std::vector<TSoundCall> Calls() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_calls;
}

void ClearCalls() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_calls.clear();
}

bool IsPlaying() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_playing != nullptr;
}

}  // namespace vandrel::sound_testing
