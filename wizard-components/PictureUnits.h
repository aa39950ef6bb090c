// Starts the picture units of the wizard's component libraries (their cursors, colour tables and registrations). The
// program body and the tests call it once; further calls do nothing. A static library drops a file that
// only registers itself, so nothing starts on its own.
#pragma once

void InitPictureUnits();
