object TessalineDeskBandForm: TTessalineDeskBandForm
  OldCreateOrder = True
  DoubleBuffered = True
  OnCreate = DeskBandFormCreate
  OnDestroy = DeskBandFormDestroy
  OnResize = DeskBandFormResize
  OnGetShortcutKey = DeskBandFormGetShortcutKey
  OnGetDefaultControl = DeskBandFormGetDefaultControl
  OnGetActualSize = DeskBandFormGetActualSize
  OnGetMinSize = DeskBandFormGetMinSize
  OnGetMaxSize = DeskBandFormGetMaxSize
  OnGetChevronMenu = DeskBandFormGetChevronMenu
  PixelsPerInch = 96
  object CtrlPanel: TPanel
    Left = 0
    Top = 0
    Width = 10
    Height = 10
    BevelOuter = bvNone
    Visible = False
    OnClick = CtrlPanelClick
    OnEnter = CtrlPanelEnter
  end
  object XPManifest1: TXPManifest
  end
  object SignalCheckTimer: TTimer
    Enabled = True
    Interval = 300
    OnTimer = SignalCheckTimerTimer
  end
  object FeedCheckTimer: TTimer
    Enabled = True
    Interval = 5000
    OnTimer = FeedCheckTimerTimer
  end
  object FirstStartTimer: TTimer
    Enabled = True
    Interval = 300
    OnTimer = FirstStartTimerTimer
  end
end
