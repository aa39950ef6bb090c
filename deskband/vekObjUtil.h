// Callback thunks: a plain callback of the platform (three arguments and a result, the form of a hook
// procedure) bound to a method and an object. Calling the thunk calls the method with the object and a
// record of the arguments and the result (starting at 0), and returns the record's result.
//
// Thunks come in blocks of 314 from a fixed table of entry points (nothing writes code at run time); a new
// block puts its thunks on the one free list of the process in address order, so that its highest thunk
// is handed out first, a released thunk is handed out next, and blocks are never given back.
#pragma once
#include "platform/winapi/Messages.h"

struct TThunkRecord {
  int Arg1;
  WPARAM Arg2;
  LPARAM Arg3;
  LRESULT Result;
};

using TThunkMethod = void (*)(void* object, TThunkRecord& record);
using TCallbackThunk = HOOKPROC;

constexpr int kThunksPerBlock = 314;
constexpr int kThunkBlocks = 4;

// A thunk bound to the method and object; none when every block is in use.
TCallbackThunk MakeCallbackThunk(TThunkMethod method, void* object);
// Returns the thunk to the free list; none is ignored.
void FreeCallbackThunk(TCallbackThunk thunk);
// The common entry of all thunks: calls what thunk `index` is bound to.
LRESULT ThunkEntry(int index, int arg1, WPARAM arg2, LPARAM arg3);
