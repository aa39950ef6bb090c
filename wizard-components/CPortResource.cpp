// The published properties of TSerialPort for form resources: its own, those of its option groups as
// dotted names (Parity.Bits, FlowControl.ControlDTR, ...), the Events set and the events.
#include "platform/components/FormResource.h"
#include "wizard-components/CPort.h"

namespace {

using Props = TProps<TSerialPort>;

// A character property: a one-character text (#17 or 'x') or its code.
Props& Char(Props& props, const std::string& name, std::function<void(TSerialPort*, char)> set) {
  return props.Custom(name, [set, name](TSerialPort* port, const TResValue& v, TReader& r) {
    if (v.kind == TResValue::String && v.text.size() == 1)
      set(port, v.text[0]);
    else if (v.kind == TResValue::Integer && v.integer >= 0 && v.integer <= 255)
      set(port, char(v.integer));
    else
      r.Fail(name, "Invalid property value");
  });
}

}  // namespace

void PublishSerialPort() {
  static const bool published = [] {
    RegisterComponentClass<TSerialPort>();
    Props props;
    props
        .Enum<TBaudRate>("BaudRate", [](TSerialPort* p, TBaudRate v) { p->SetBaudRate(v); },
                         {{"br110", br110},
                          {"br300", br300},
                          {"br600", br600},
                          {"br1200", br1200},
                          {"br2400", br2400},
                          {"br4800", br4800},
                          {"br9600", br9600},
                          {"br14400", br14400},
                          {"br19200", br19200},
                          {"br38400", br38400},
                          {"br56000", br56000},
                          {"br57600", br57600},
                          {"br115200", br115200},
                          {"br128000", br128000},
                          {"br256000", br256000}})
        .Str("PortNum", [](TSerialPort* p, const std::string& v) { p->SetPortNum(v); })
        .Enum<TParityBits>(
            "Parity.Bits", [](TSerialPort* p, TParityBits v) { p->Parity()->SetBits(v); },
            {{"prNone", prNone}, {"prOdd", prOdd}, {"prEven", prEven}, {"prMark", prMark}, {"prSpace", prSpace}})
        .Bool("Parity.Check", [](TSerialPort* p, bool v) { p->Parity()->SetCheck(v); })
        .Bool("Parity.Replace", [](TSerialPort* p, bool v) { p->Parity()->SetReplace(v); })
        .Enum<TStopBits>(
            "StopBits", [](TSerialPort* p, TStopBits v) { p->SetStopBits(v); },
            {{"sbOneStopBit", sbOneStopBit}, {"sbOne5StopBits", sbOne5StopBits}, {"sbTwoStopBits", sbTwoStopBits}})
        .Enum<TDataBits>("DataBits", [](TSerialPort* p, TDataBits v) { p->SetDataBits(v); },
                         {{"dbFive", dbFive}, {"dbSix", dbSix}, {"dbSeven", dbSeven}, {"dbEight", dbEight}})
        .Bool("DiscardNull", [](TSerialPort* p, bool v) { p->SetDiscardNull(v); })
        .SetOf("Events", [](TSerialPort* p, unsigned v) { p->SetEvents(v); },
               {{"evRxChar", SetOf(evRxChar)},
                {"evTxEmpty", SetOf(evTxEmpty)},
                {"evRxFlag", SetOf(evRxFlag)},
                {"evRing", SetOf(evRing)},
                {"evBreak", SetOf(evBreak)},
                {"evCTS", SetOf(evCTS)},
                {"evDSR", SetOf(evDSR)},
                {"evError", SetOf(evError)},
                {"evRLSD", SetOf(evRLSD)},
                {"evRx80Full", SetOf(evRx80Full)}})
        .Int("Buffer.InputSize", [](TSerialPort* p, int v) { p->Buffer()->SetInputSize(v); })
        .Int("Buffer.OutputSize", [](TSerialPort* p, int v) { p->Buffer()->SetOutputSize(v); })
        .Bool("FlowControl.OutCTSFlow", [](TSerialPort* p, bool v) { p->FlowControl()->SetOutCTSFlow(v); })
        .Bool("FlowControl.OutDSRFlow", [](TSerialPort* p, bool v) { p->FlowControl()->SetOutDSRFlow(v); })
        .Enum<TDTRFlowControl>("FlowControl.ControlDTR",
                               [](TSerialPort* p, TDTRFlowControl v) { p->FlowControl()->SetControlDTR(v); },
                               {{"dtrDisable", dtrDisable}, {"dtrEnable", dtrEnable}, {"dtrHandshake", dtrHandshake}})
        .Enum<TRTSFlowControl>("FlowControl.ControlRTS",
                               [](TSerialPort* p, TRTSFlowControl v) { p->FlowControl()->SetControlRTS(v); },
                               {{"rtsDisable", rtsDisable},
                                {"rtsEnable", rtsEnable},
                                {"rtsHandshake", rtsHandshake},
                                {"rtsToggle", rtsToggle}})
        .Bool("FlowControl.XonXoffOut", [](TSerialPort* p, bool v) { p->FlowControl()->SetXonXoffOut(v); })
        .Bool("FlowControl.XonXoffIn", [](TSerialPort* p, bool v) { p->FlowControl()->SetXonXoffIn(v); })
        .Bool("FlowControl.DSRSensitivity", [](TSerialPort* p, bool v) { p->FlowControl()->SetDSRSensitivity(v); })
        .Bool("FlowControl.TxContinueOnXoff", [](TSerialPort* p, bool v) { p->FlowControl()->SetTxContinueOnXoff(v); })
        .Int("Timeouts.ReadInterval", [](TSerialPort* p, int v) { p->Timeouts()->SetReadInterval(v); })
        .Int("Timeouts.ReadTotalMultiplier", [](TSerialPort* p, int v) { p->Timeouts()->SetReadTotalMultiplier(v); })
        .Int("Timeouts.ReadTotalConstant", [](TSerialPort* p, int v) { p->Timeouts()->SetReadTotalConstant(v); })
        .Int("Timeouts.WriteTotalMultiplier", [](TSerialPort* p, int v) { p->Timeouts()->SetWriteTotalMultiplier(v); })
        .Int("Timeouts.WriteTotalConstant", [](TSerialPort* p, int v) { p->Timeouts()->SetWriteTotalConstant(v); })
        .Enum<TSyncMethod>("SyncMethod", [](TSerialPort* p, TSyncMethod v) { p->SetSyncMethod(v); },
                           {{"smThreadSync", smThreadSync}, {"smWindowSync", smWindowSync}, {"smNone", smNone}})
        .Event<void(TObject*, int)>("OnRxChar", &TSerialPort::OnRxChar)
        .Event<void(TObject*)>("OnTxEmpty", &TSerialPort::OnTxEmpty)
        .Event<void(TObject*)>("OnBreak", &TSerialPort::OnBreak)
        .Event<void(TObject*)>("OnRing", &TSerialPort::OnRing)
        .Event<void(TObject*, bool)>("OnCTSChange", &TSerialPort::OnCTSChange)
        .Event<void(TObject*, bool)>("OnDSRChange", &TSerialPort::OnDSRChange)
        .Event<void(TObject*, bool)>("OnRLSDChange", &TSerialPort::OnRLSDChange)
        .Event<void(TObject*)>("OnRxFlag", &TSerialPort::OnRxFlag)
        .Event<void(TObject*, TComErrors)>("OnError", &TSerialPort::OnError)
        .Event<void(TObject*)>("OnOpen", &TSerialPort::OnOpen)
        .Event<void(TObject*)>("OnClose", &TSerialPort::OnClose)
        .Event<void(TObject*)>("OnRx80Full", &TSerialPort::OnRx80Full);
    Char(props, "Parity.ReplaceChar", [](TSerialPort* p, char v) { p->Parity()->SetReplaceChar(v); });
    Char(props, "EventChar", [](TSerialPort* p, char v) { p->SetEventChar(v); });
    Char(props, "FlowControl.XonChar", [](TSerialPort* p, char v) { p->FlowControl()->SetXonChar(v); });
    Char(props, "FlowControl.XoffChar", [](TSerialPort* p, char v) { p->FlowControl()->SetXoffChar(v); });
    return true;
  }();
  (void)published;
}
