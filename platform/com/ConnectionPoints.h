// Connection points: how an object that fires events (a source) lets sinks connect, and a connection point
// that sources here use for one outgoing interface.
#pragma once
#include <mutex>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Dispatch.h"

struct IConnectionPointContainer;

struct CONNECTDATA {
  IUnknown* pUnk;
  DWORD dwCookie;
};

struct IEnumConnections : IUnknown {
  COM_INTERFACE(IUnknown, "{B196B287-BAB4-101A-B69C-00AA00341D07}");
  virtual HRESULT Next(ULONG count, CONNECTDATA* items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnections** copy) = 0;
};

struct IConnectionPoint : IUnknown {
  COM_INTERFACE(IUnknown, "{B196B286-BAB4-101A-B69C-00AA00341D07}");
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
  // Connects a sink, which must answer the point's interface (CONNECT_E_CANNOTCONNECT otherwise).
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  // CONNECT_E_NOCONNECTION for a cookie the point did not give out.
  virtual HRESULT Unadvise(DWORD cookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;
};

struct IEnumConnectionPoints : IUnknown {
  COM_INTERFACE(IUnknown, "{B196B285-BAB4-101A-B69C-00AA00341D07}");
  virtual HRESULT Next(ULONG count, IConnectionPoint** items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnectionPoints** copy) = 0;
};

struct IConnectionPointContainer : IUnknown {
  COM_INTERFACE(IUnknown, "{B196B284-BAB4-101A-B69C-00AA00341D07}");
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
  // CONNECT_E_NOCONNECTION when the object has no point for the interface.
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;
};

// The connection point of one outgoing interface of a source. The source (its container) owns it and
// keeps it alive; the point refers back to the container without a reference of its own.
class TConnectionPoint : public TComObjectImpl<IConnectionPoint> {
 public:
  TConnectionPoint(IConnectionPointContainer* container, REFIID iid) : container_(container), iid_(iid) {}

  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;
  HRESULT EnumConnections(IEnumConnections** connections) override;

  size_t SinkCount();
  // Calls every connected dispatch sink with a method call; the first failure, else S_OK. Sinks may
  // disconnect (or connect) while it runs.
  HRESULT InvokeAll(DISPID dispId, DISPPARAMS* params);

 private:
  struct Connection {
    DWORD cookie;
    ComPtr<IUnknown> sink;  // as the point's interface
  };
  IConnectionPointContainer* container_;
  IID iid_;
  std::mutex lock_;
  std::vector<Connection> connections_;
  DWORD lastCookie_ = 0;
};
