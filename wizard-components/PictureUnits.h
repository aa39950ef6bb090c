// Starts the picture units of the wizard's component libraries (their cursors and the icon clipboard format). The
// program body and the tests call it once; further calls do nothing. A static library drops a file that
// only registers itself, so nothing starts on its own.
#pragma once

void InitPictureUnits();
