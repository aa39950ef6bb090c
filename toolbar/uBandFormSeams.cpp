// What the band form's later concerns fill in: button menus, HTML areas and feed pop-ups. Until then a
// button has no menu, an HTML area shows nothing (as while hidden offline) and no feed is checked.
#include "toolbar/uBandForm.h"

TControl* TTessalineDeskBandForm::MakeHtmlArea(TToolbarHtmlControl*) { return nullptr; }

void TTessalineDeskBandForm::NavigateComplete2(TObject* sender, IDispatch* pDisp, VARIANT& URL) {
  inherited::NavigateComplete2(sender, pDisp, URL);
}
