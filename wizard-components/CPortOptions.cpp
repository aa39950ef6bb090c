// The option groups of TSerialPort: a changed value is stored and its group re-applied on the port.
#include "wizard-components/CPort.h"

void TComTimeouts::ApplyTo(TSerialPort& port) { port.ApplyTimeouts(); }

void TComTimeouts::AssignTo(TPersistent* dest) {
  auto* to = DynamicAs<TComTimeouts>(dest);
  if (!to) return inherited::AssignTo(dest);
  to->v_ = v_;
}

void TComFlowControl::ApplyTo(TSerialPort& port) { port.ApplyDCB(); }

void TComFlowControl::AssignTo(TPersistent* dest) {
  auto* to = DynamicAs<TComFlowControl>(dest);
  if (!to) return inherited::AssignTo(dest);
  to->v_ = v_;
}

void TComParity::ApplyTo(TSerialPort& port) { port.ApplyDCB(); }

void TComParity::AssignTo(TPersistent* dest) {
  auto* to = DynamicAs<TComParity>(dest);
  if (!to) return inherited::AssignTo(dest);
  to->v_ = v_;
}

void TComBuffer::ApplyTo(TSerialPort& port) { port.ApplyBuffer(); }

void TComBuffer::AssignTo(TPersistent* dest) {
  auto* to = DynamicAs<TComBuffer>(dest);
  if (!to) return inherited::AssignTo(dest);
  to->v_ = v_;
}
