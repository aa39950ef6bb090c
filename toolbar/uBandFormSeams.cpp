// What the band form's later concerns fill in: button menus and feed pop-ups. Until then a button has no
// menu and no feed is checked.
#include "toolbar/uBandForm.h"

TPopupMenu* TTessalineDeskBandForm::BuildButtonMenu(TToolbarButtonControl*) { return nullptr; }

void TTessalineDeskBandForm::DeskBandFormGetChevronMenu(TObject*, RECT, TPopupMenu*&) {}

void TTessalineDeskBandForm::CheckFeedPopups() {}

void TTessalineDeskBandForm::FeedCheckTimerTimer(TObject*) { CheckFeedPopups(); }
