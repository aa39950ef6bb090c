// What the band form's later concerns fill in: clicks and actions, button menus, HTML areas and feed
// pop-ups. Until then a click does nothing, a button has no menu, an HTML area shows nothing (as while
// hidden offline) and no feed is checked.
#include "toolbar/uBandForm.h"
#include "toolbar/uMacros.h"

void TTessalineDeskBandForm::ControlClick(TObject*) {}

void TTessalineDeskBandForm::ComboEnter(TObject*) {}

void TTessalineDeskBandForm::ComboDropDown(TObject*) {}

void TTessalineDeskBandForm::ComboKeyDown(TObject*, WORD&, TShiftState) {}

TPopupMenu* TTessalineDeskBandForm::BuildButtonMenu(TToolbarButtonControl*) { return nullptr; }

void TTessalineDeskBandForm::DeskBandFormGetChevronMenu(TObject*, RECT, TPopupMenu*&) {}

TControl* TTessalineDeskBandForm::MakeHtmlArea(TToolbarHtmlControl*) { return nullptr; }

void TTessalineDeskBandForm::NavigateComplete2(TObject* sender, IDispatch* pDisp, VARIANT& URL) {
  inherited::NavigateComplete2(sender, pDisp, URL);
}

// The built-in macros; the controls' values join them with the actions.
std::string TTessalineDeskBandForm::ExpandCaption(const std::string& caption) { return ExpandMacros(caption, this); }

void TTessalineDeskBandForm::CheckFeedPopups() {}

void TTessalineDeskBandForm::FeedCheckTimerTimer(TObject*) { CheckFeedPopups(); }
