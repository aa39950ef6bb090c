// The automation object that allowed web pages get as a global variable named after the library file:
// an about box, the band's background colour, and buttons and separators added to (or cleared from) the
// toolbar. Its lifetime follows the page's references; it reaches its band form through a link that the
// form cuts when it goes, after which every method fails.
#pragma once
#include <memory>
#include <string>

#include "platform/components/comserver/AutoObj.h"
#include "toolbar/uBrowserExportObj_TLB.h"

class TTessalineDeskBandForm;

// The band form's end of its page objects' link (one per form, shared by its objects).
class TBandFormLink {
 public:
  explicit TBandFormLink(TTessalineDeskBandForm* form) : form_(form) {}
  TTessalineDeskBandForm* Form() const { return form_; }
  void Detach() { form_ = nullptr; }

 private:
  TTessalineDeskBandForm* form_;
};

class TTessalineBrowserObject : public TAutoObject<ITessalineBrowserObject> {
  VCL_CLASS(TTessalineBrowserObject, TAutoObject<ITessalineBrowserObject>)
  explicit TTessalineBrowserObject(std::shared_ptr<TBandFormLink> link) : link_(std::move(link)) {}
  static TTessalineBrowserObject* Create(std::shared_ptr<TBandFormLink> link) {
    return NewObject<TTessalineBrowserObject>(std::move(link));
  }

  HRESULT About() override;
  HRESULT GetIdealBkColor(OLE_COLOR* color) override;
  HRESULT ClearExtraButtons() override;
  HRESULT AddExtraButton(BSTR caption, BSTR imageListId, LONG imageIndex, BSTR href, BSTR target) override;
  HRESULT AddExtraSeparator() override;

  // The methods' work; each raises once the band form is gone (ETessaline), and AddExtraButton when the
  // form holds as many added buttons as it takes.
  void DoAbout();
  OLE_COLOR DoGetIdealBkColor();
  void DoClearExtraButtons();
  void DoAddExtraButton(const std::string& caption, const std::string& imageListId, int imageIndex,
                        const std::string& href, const std::string& target);
  void DoAddExtraSeparator();

 protected:
  const TDispatchTable& AutoDispatchTable() const override;

 private:
  TTessalineDeskBandForm& Form() const;
  std::shared_ptr<TBandFormLink> link_;
};
