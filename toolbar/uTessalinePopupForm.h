// The feed pop-up: a balloon at the band that shows one feed item's title and description, opens the
// item's link when clicked, and closes by itself after the feed's ShowTimeout, fading in and out where the
// system can.
#pragma once
#include <string>

#include "deskband/vekBalloonForm.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/FormResource.h"
#include "platform/components/StdCtrls.h"

class TTessalineDeskBandForm;
class TToolbarFeed;
class TRSSItem;

class TTessalinePopupForm : public TBalloonForm {
  VCL_CLASS(TTessalinePopupForm, TBalloonForm)
  explicit TTessalinePopupForm(TComponent* owner) : TBalloonForm(owner) {}
  // Registers the resource and the handlers (once) and makes a pop-up owned by the band form.
  static TTessalinePopupForm* Create(TTessalineDeskBandForm* owner);

  // Components of the form resource.
  TLabel* lblTitle = nullptr;
  TLabel* lblContent = nullptr;
  TImage* Image1 = nullptr;
  TTimer* AutoCloseTimer = nullptr;

  // Fills, places and shows the pop-up. The balloon hangs below `anchor`; when it would end below the
  // work area it stands above `anchorAbove` instead.
  void ShowItem(TTessalineDeskBandForm* bandForm, POINT anchor, const TRSSItem& item, const TToolbarFeed& feed,
                POINT anchorAbove);
  // Stamps LastPopup, fades out and frees the form after the current message.
  void ClosePopup();
  // Stamps LastPopupClick, opens the link (a web address only) and closes.
  void OpenItem();
  void LayoutLabels();
  void FadeIn();
  void FadeOut();

  void lblTitleClick(TObject* sender);
  void lblContentClick(TObject* sender);
  void Image1Click(TObject* sender);
  void AutoCloseTimerTimer(TObject* sender);
  void BalloonFormClose(TObject* sender, TCloseAction& action);

  TTessalineDeskBandForm* BandForm() const { return bandForm_; }
  const std::string& Link() const { return link_; }
  const std::string& Target() const { return target_; }
  int ShowSpeed() const { return showSpeed_; }

  void Loaded() override;
  static void Publish(TPublisher<TTessalinePopupForm>& p);

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  void DrawCloseGlyph();

  TTessalineDeskBandForm* bandForm_ = nullptr;
  std::string link_;
  std::string target_;
  int32_t showSpeed_ = 0;
};
