object TessalinePopupForm: TTessalinePopupForm
  Color = clInfoBk
  PopupWidth = 200
  PopupHeight = 110
  Direction = bdBottomLeft
  OnClose = BalloonFormClose
  PixelsPerInch = 96
  object lblTitle: TLabel
    Left = 11
    Top = 32
    Width = 174
    Height = 13
    Cursor = crHandPoint
    Alignment = taCenter
    AutoSize = False
    WordWrap = True
    ParentFont = False
    Font.Name = 'MS Sans Serif'
    Font.Height = -11
    Font.Style = [fsBold]
    Font.Color = clWindowText
    OnClick = lblTitleClick
  end
  object lblContent: TLabel
    Left = 10
    Top = 60
    Width = 197
    Height = 53
    Cursor = crHandPoint
    AutoSize = False
    WordWrap = True
    ParentFont = False
    Font.Name = 'MS Sans Serif'
    Font.Height = -11
    Font.Style = []
    OnClick = lblContentClick
  end
  object Image1: TImage
    Left = 203
    Top = 30
    Width = 11
    Height = 11
    Cursor = crHandPoint
    OnClick = Image1Click
  end
  object AutoCloseTimer: TTimer
    Interval = 10000
    OnTimer = AutoCloseTimerTimer
  end
end
