// Interfaces and objects shared by the COM tests.
#pragma once
#include <atomic>

#include "platform/com/ComPtr.h"

struct IShape : IUnknown {
  COM_INTERFACE(IUnknown, "{6F1B2A10-3C4D-4E5F-8A9B-0C1D2E3F4A5B}");
  virtual int Sides() = 0;
};
struct ISquare : IShape {
  COM_INTERFACE(IShape, "{6F1B2A11-3C4D-4E5F-8A9B-0C1D2E3F4A5B}");
  virtual int Side() = 0;
};
struct INamed : IUnknown {
  COM_INTERFACE(IUnknown, "{6F1B2A12-3C4D-4E5F-8A9B-0C1D2E3F4A5B}");
  virtual const char* Name() = 0;
};
struct IUnanswered : IUnknown {
  COM_INTERFACE(IUnknown, "{6F1B2A13-3C4D-4E5F-8A9B-0C1D2E3F4A5B}");
};

// Counts the live objects so that tests see every reference released.
inline std::atomic<int> g_liveSquares{0};

class TSquare : public TComObjectImpl<ISquare, INamed> {
 public:
  TSquare() { ++g_liveSquares; }
  ~TSquare() override { --g_liveSquares; }
  int Sides() override { return 4; }
  int Side() override { return 3; }
  const char* Name() override { return "square"; }
  ULONG RefCount() {
    AddRef();
    return Release();
  }
};
