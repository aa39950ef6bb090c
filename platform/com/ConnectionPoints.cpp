#include "platform/com/ConnectionPoints.h"

HRESULT TConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT TConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = container_;
  if (container_) container_->AddRef();
  return container_ ? S_OK : E_UNEXPECTED;
}

HRESULT TConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  ComPtr<IUnknown> typed;
  if (FAILED(sink->QueryInterface(iid_, typed.PutVoid())) || !typed) return CONNECT_E_CANNOTCONNECT;
  std::lock_guard g(lock_);
  connections_.push_back({++lastCookie_, std::move(typed)});
  *cookie = lastCookie_;
  return S_OK;
}

HRESULT TConnectionPoint::Unadvise(DWORD cookie) {
  ComPtr<IUnknown> doomed;  // released after the lock is left
  std::lock_guard g(lock_);
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (it->cookie != cookie) continue;
    doomed = std::move(it->sink);
    connections_.erase(it);
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT TConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections) *connections = nullptr;
  return E_NOTIMPL;
}

size_t TConnectionPoint::SinkCount() {
  std::lock_guard g(lock_);
  return connections_.size();
}

HRESULT TConnectionPoint::InvokeAll(DISPID dispId, DISPPARAMS* params) {
  std::vector<ComPtr<IUnknown>> sinks;
  {
    std::lock_guard g(lock_);
    for (auto& c : connections_) sinks.push_back(c.sink);
  }
  HRESULT result = S_OK;
  for (auto& sink : sinks) {
    // The sink answered the point's interface, which for events is a dispatch interface.
    auto* dispatch = static_cast<IDispatch*>(static_cast<void*>(sink.Get()));
    HRESULT hr = dispatch->Invoke(dispId, GUID_NULL, 0, DISPATCH_METHOD, params, nullptr, nullptr, nullptr);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}
