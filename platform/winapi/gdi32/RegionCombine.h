// Private to gdi32: combining regions without asking the test hook, for calls that combine inside.
#pragma once
#include "platform/winapi/Regions.h"

int CombineRegions(HRGN dest, HRGN src1, HRGN src2, int mode);
