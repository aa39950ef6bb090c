// The option groups of TSerialPort: a changed value is stored and its group re-applied on the port.
#include "wizard-components/CPort.h"

void TComTimeouts::Changed() {
  if (ComPort) ComPort->ApplyTimeouts();
}

void TComTimeouts::AssignTo(TPersistent* dest) {
  auto* to = DynamicAs<TComTimeouts>(dest);
  if (!to) return inherited::AssignTo(dest);
  to->readInterval_ = readInterval_;
  to->readTotalMultiplier_ = readTotalMultiplier_;
  to->readTotalConstant_ = readTotalConstant_;
  to->writeTotalMultiplier_ = writeTotalMultiplier_;
  to->writeTotalConstant_ = writeTotalConstant_;
}

void TComFlowControl::Changed() {
  if (ComPort) ComPort->ApplyDCB();
}

void TComFlowControl::AssignTo(TPersistent* dest) {
  auto* to = DynamicAs<TComFlowControl>(dest);
  if (!to) return inherited::AssignTo(dest);
  to->outCTSFlow_ = outCTSFlow_;
  to->outDSRFlow_ = outDSRFlow_;
  to->controlDTR_ = controlDTR_;
  to->controlRTS_ = controlRTS_;
  to->xonXoffOut_ = xonXoffOut_;
  to->xonXoffIn_ = xonXoffIn_;
  to->dsrSensitivity_ = dsrSensitivity_;
  to->txContinueOnXoff_ = txContinueOnXoff_;
  to->xonChar_ = xonChar_;
  to->xoffChar_ = xoffChar_;
}

void TComParity::Changed() {
  if (ComPort) ComPort->ApplyDCB();
}

void TComParity::AssignTo(TPersistent* dest) {
  auto* to = DynamicAs<TComParity>(dest);
  if (!to) return inherited::AssignTo(dest);
  to->bits_ = bits_;
  to->check_ = check_;
  to->replace_ = replace_;
  to->replaceChar_ = replaceChar_;
}

void TComBuffer::Changed() {
  if (ComPort) ComPort->ApplyBuffer();
}

void TComBuffer::AssignTo(TPersistent* dest) {
  auto* to = DynamicAs<TComBuffer>(dest);
  if (!to) return inherited::AssignTo(dest);
  to->inputSize_ = inputSize_;
  to->outputSize_ = outputSize_;
}
