// The progress events of decoding or encoding a frame, sent to the image when it has a handler.
#pragma once
#include <string>
#include <type_traits>

#include "wizard-components/WkGIF.h"

class TGIFProgress {
 public:
  explicit TGIFProgress(TGIFImage* image) : image_(image && image->OnProgress ? image : nullptr) {}
  bool Wanted() const { return image_ != nullptr; }
  void Stage(TProgressStage stage, int percent, const std::string& message = "") {
    if (image_) image_->Progress(image_, stage, BYTE(percent), false, RECT{0, 0, 0, 0}, message);
  }
  // The work between the starting event and the ending one; an error ends at 0 percent with its message and
  // passes on.
  template <class Work>
  auto Run(Work work) -> decltype(work()) {
    Stage(psStarting, 0);
    try {
      if constexpr (std::is_void_v<decltype(work())>) {
        work();
        Stage(psEnding, 100);
      } else {
        auto result = work();
        Stage(psEnding, 100);
        return result;
      }
    } catch (const Exception& e) {
      Stage(psEnding, 0, e.Message());
      throw;
    } catch (const std::exception& e) {
      Stage(psEnding, 0, e.what());
      throw;
    }
  }

 private:
  TGIFImage* image_;
};
