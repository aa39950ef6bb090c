// Sounds: sndPlaySound of "winmm.dll". One sound plays at a time, until the next call; nothing is heard.
#pragma once
#include <string>
#include <vector>

#include "platform/winapi/WinTypes.h"

constexpr UINT SND_SYNC = 0x0000;
constexpr UINT SND_ASYNC = 0x0001;
constexpr UINT SND_NODEFAULT = 0x0002;
constexpr UINT SND_MEMORY = 0x0004;
constexpr UINT SND_LOOP = 0x0008;
constexpr UINT SND_NOSTOP = 0x0010;

// A null sound stops what plays (TRUE). With SND_MEMORY the sound is a RIFF WAVE image in the caller's
// memory, which must stay valid while it plays: the stand-in keeps the pointer, not a copy, and reads the
// whole image again when the next call ends it. An image that is not RIFF WAVE plays nothing (FALSE).
// Without SND_MEMORY the sound is a file name, which this machine cannot play (FALSE). Without SND_ASYNC
// the call returns when the sound ends (at once, since it is not heard).
BOOL sndPlaySoundA(LPCSTR sound, UINT flags);
inline BOOL sndPlaySound(LPCSTR sound, UINT flags) { return sndPlaySoundA(sound, flags); }

// Test record: every call of the process, in order, with the bytes of a memory sound as they were at the
// call.
namespace vandrel::sound_testing {

struct TSoundCall {
  bool Stop;  // called without a sound
  UINT Flags;
  std::string Bytes;
};
std::vector<TSoundCall> Calls();
void ClearCalls();
// Whether a memory sound is playing now.
bool IsPlaying();

}  // namespace vandrel::sound_testing
