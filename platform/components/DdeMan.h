// The component library's DDE client conversation: a link to one (service, topic) of a DDE server of the
// session (platform/winapi/Dde.h) and synchronous item requests over it. When a link does not open and a
// service application is set, the program is asked to start once and the link is tried again.
#pragma once
#include <optional>
#include <string>

#include "platform/runtime/Classes.h"

class TDdeClientConv : public TComponent {
  VCL_CLASS(TDdeClientConv, TComponent)
  using TComponent::TComponent;
  static TDdeClientConv* Create(TComponent* owner) { return NewObject<TDdeClientConv>(owner); }

  const std::string& ServiceApplication() const { return serviceApplication_; }
  void SetServiceApplication(const std::string& program) { serviceApplication_ = program; }
  const std::string& DdeService() const { return service_; }
  const std::string& DdeTopic() const { return topic_; }
  bool Linked() const { return linked_; }

  // Names the service and topic and opens the link; whether it opened.
  bool SetLink(const std::string& service, const std::string& topic);
  bool OpenLink();
  void CloseLink() { linked_ = false; }
  // The reply's bytes to a request for the item; none without a link or reply.
  std::optional<std::string> RequestData(const std::string& item);

 private:
  std::string serviceApplication_, service_, topic_;
  bool linked_ = false;
};
