// The picture units' cursors and texts.
#pragma once

// Screen cursor numbers of the hand and drag cursors.
constexpr int crWkHand = 14000;
constexpr int crWkDrag = 14001;

constexpr const char* SWkNotImplemented = "Function not yet implemented";

// Loads the cursor resources "WK_HANDCUR" and "WK_DRAGCUR" of the program and puts them in the screen's
// cursor table under crWkHand and crWkDrag (a missing resource leaves its number unset).
void RegisterLibraryCursors();
