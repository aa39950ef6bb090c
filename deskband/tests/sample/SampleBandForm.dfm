object SampleBandForm: TSampleBandForm
  OldCreateOrder = True
  OnCreate = FormCreate
  OnGetShortcutKey = FormGetShortcutKey
  OnGetDefaultControl = FormGetDefaultControl
  OnGetMinSize = FormGetMinSize
  OnGetActualSize = FormGetActualSize
  OnGetChevronMenu = FormGetChevronMenu
  OnInit = FormInit
  OnDeInit = FormDeInit
  PixelsPerInch = 96
  object edSearch: TEdit
    Left = 0
    Top = 1
    Width = 120
    Height = 20
    TabStop = True
    TabOrder = 0
  end
  object btnGo: TButton
    Left = 124
    Top = 0
    Width = 40
    Height = 22
    Caption = '&Go'
    TabStop = True
    TabOrder = 1
    OnClick = btnGoClick
  end
  object btnHelp: TButton
    Left = 168
    Top = 0
    Width = 50
    Height = 22
    Caption = 'Help'
    TabStop = True
    TabOrder = 2
    OnClick = btnHelpClick
  end
  object lbStatus: TLabel
    Left = 222
    Top = 4
    Width = 150
    Height = 14
    Caption = 'ready'
  end
  object XPManifest1: TXPManifest
  end
end
