// The DDE client conversation over the session's DDE servers.
#include "platform/components/DdeMan.h"

#include "platform/winapi/Dde.h"

bool TDdeClientConv::SetLink(const std::string& service, const std::string& topic) {
  CloseLink();
  service_ = service;
  topic_ = topic;
  return OpenLink();
}

bool TDdeClientConv::OpenLink() {
  CloseLink();
  if (service_.empty() || topic_.empty()) return false;
  linked_ = vandrel::DdeConnect(service_, topic_);
  if (!linked_ && !serviceApplication_.empty()) {
    vandrel::DdeStartServiceApplication(serviceApplication_);
    linked_ = vandrel::DdeConnect(service_, topic_);
  }
  return linked_;
}

std::optional<std::string> TDdeClientConv::RequestData(const std::string& item) {
  if (!linked_) return std::nullopt;
  return vandrel::DdeRequest(service_, topic_, item);
}
