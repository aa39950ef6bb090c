object SampleForm: TSampleForm
  Left = 40
  Top = 30
  BorderStyle = bsDialog
  Caption = 'Próba űrlap'
  ClientHeight = 240
  ClientWidth = 320
  KeyPreview = True
  OldCreateOrder = False
  OnCreate = FormCreate
  OnClose = FormClose
  OnKeyPress = FormKeyPress
  object Notebook: TNotebook
    Left = 0
    Top = 0
    Width = 320
    Height = 200
    Align = alClient
    TabOrder = 0
    OnPageChanged = NotebookPageChanged
    object TPage
      Left = 0
      Top = 0
      Caption = 'Adatok'
      object lbWelcome: TLabel
        Left = 8
        Top = 8
        Caption = 'Üdvözöljük!'
      end
      object edName: TEdit
        Left = 8
        Top = 32
        MaxLength = 12
        TabOrder = 0
        OnChange = EnableButtons
      end
      object cbColour: TComboBox
        Left = 8
        Top = 64
        Style = csDropDownList
        Items.Strings = (
          'kék'
          'piros'
          'zöld')
        TabOrder = 1
        OnChange = EnableButtons
      end
      object chkAgree: TCheckBox
        Left = 8
        Top = 96
        Caption = '&Elfogadom'
        TabOrder = 2
        OnClick = EnableButtons
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'Időzítő'
      object lbSummary: TLabel
        Left = 8
        Top = 8
      end
      object bnStart: TButton
        Left = 8
        Top = 32
        Caption = '&Indít'
        TabOrder = 0
        OnClick = bnStartClick
      end
      object lbTicks: TLabel
        Left = 100
        Top = 36
        Caption = '0 tick'
      end
      object bnAsk: TButton
        Left = 8
        Top = 64
        Caption = '&Kérdés'
        TabOrder = 1
        OnClick = bnAskClick
      end
      object lbAnswer: TLabel
        Left = 100
        Top = 68
      end
    end
  end
  object Buttons: TPanel
    Left = 0
    Top = 200
    Width = 320
    Height = 40
    Align = alBottom
    BevelOuter = bvNone
    TabOrder = 1
    object bnBack: TButton
      Left = 40
      Top = 8
      Caption = '< &Vissza'
      TabOrder = 0
      OnClick = bnBackClick
    end
    object bnNext: TButton
      Left = 120
      Top = 8
      Caption = '&Tovább >'
      Default = True
      TabOrder = 1
      OnClick = bnNextClick
    end
    object bnExit: TButton
      Left = 220
      Top = 8
      Caption = '&Kilépés'
      TabOrder = 2
      OnClick = bnExitClick
    end
  end
  object tmTick: TTimer
    Enabled = False
    Interval = 500
    OnTimer = tmTickTimer
  end
end
