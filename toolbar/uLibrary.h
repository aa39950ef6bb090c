// What runs when the toolbar library is loaded, before its start-up: the unit initialisations in their
// order, each unit's finalisation arranged for the library's unload.
#pragma once

// The storage folders (the static storage beside the library), the XML layer's DOM factory, the instance
// identity, the band activation-context lock, the band lock, the change signals' messages, the hint window class
// and the type library's registration.
// Each runs once.
void InitializeLibraryUnits();
