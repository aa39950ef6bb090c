// Support of the toolbar's tests: a band module stand-in that owns configuration objects, and the paths of
// the sample libraries built by the platform's module tests.
#pragma once
#include <string>

#include "platform/runtime/Classes.h"
#include "toolbar/uConfiguration.h"

class TFakeBandModule : public TComponent, public ITessalineConfigurationOwner {
  VCL_CLASS(TFakeBandModule, TComponent)
  explicit TFakeBandModule(std::string caption) : TComponent(nullptr), caption_(std::move(caption)) {}
  static TFakeBandModule* Create(std::string caption) { return NewObject<TFakeBandModule>(std::move(caption)); }
  std::string MenuCaption() const override { return caption_; }
  void SetMenuCaption(std::string caption) { caption_ = std::move(caption); }

 private:
  std::string caption_;
};

// "Z:\...\build\tests\NAME": a sample library (winapi_sample_resources.so, winapi_sample_plain.so).
std::string SampleLibrary(const std::string& name);
