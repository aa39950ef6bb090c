object TestDialog: TTestDialog
  Left = 10
  Top = 10
  BorderStyle = bsDialog
  Caption = 'Teszt párbeszéd'
  ClientHeight = 359
  ClientWidth = 526
  Constraints.MinHeight = 386
  Constraints.MinWidth = 534
  Constraints.MaxHeight = 386
  Constraints.MaxWidth = 534
  Font.Name = 'MS Sans Serif'
  Font.Height = -11
  Font.Charset = DEFAULT_CHARSET
  KeyPreview = True
  OldCreateOrder = False
  Position = poScreenCenter
  OnCreate = FormCreate
  OnKeyPress = FormKeyPress
  PixelsPerInch = 96
  TextHeight = 13
  object Buttons: TPanel
    Left = 0
    Top = 318
    Width = 526
    Height = 41
    Align = alBottom
    BevelOuter = bvNone
    TabOrder = 1
    object bnBack: TButton
      Left = 200
      Top = 8
      Caption = '< &Vissza'
      TabOrder = 0
      OnClick = bnBackClick
    end
    object bnNext: TButton
      Left = 280
      Top = 8
      Caption = '&Tovább >'
      Default = True
      TabOrder = 1
      OnClick = bnNextClick
    end
    object bnExit: TButton
      Left = 400
      Top = 8
      Caption = '&Kilépés'
      TabOrder = 2
      OnClick = bnExitClick
    end
  end
  object Notebook: TNotebook
    Left = 0
    Top = 0
    Width = 526
    Height = 318
    Align = alClient
    TabOrder = 0
    OnPageChanged = NotebookPageChanged
    object TPage
      Left = 0
      Top = 0
      Caption = 'First'
      object lbTitle: TLabel
        Left = 8
        Top = 8
        Caption = 'Árvíztűrő &tükörfúrógép'
        Font.Style = [fsBold]
      end
      object edName: TEdit
        Left = 8
        Top = 32
        MaxLength = 5
        TabOrder = 0
        OnChange = edNameChange
      end
      object cbChoice: TComboBox
        Left = 8
        Top = 64
        Style = csDropDownList
        Sorted = True
        Items.Strings = (
          'beta'
          'alpha'
          'gamma')
        TabOrder = 1
        OnChange = ChoiceChange
      end
      object rbOne: TRadioButton
        Left = 8
        Top = 96
        Caption = 'Egy'
        Checked = True
        TabOrder = 2
        OnClick = RadioClick
      end
      object rbTwo: TRadioButton
        Left = 8
        Top = 120
        Caption = 'Kett' + #245
        TabOrder = 3
        OnClick = RadioClick
      end
      object edHidden: TEdit
        Left = 8
        Top = 150
        Visible = False
        TabOrder = 4
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'Second'
      object chkAgree: TCheckBox
        Left = 8
        Top = 8
        Caption = 'Elfogadom'
        TabOrder = 0
        OnClick = AgreeClick
      end
      object pbProgress: TProgressBar
        Left = 8
        Top = 40
        Max = 30
        TabOrder = 1
      end
    end
  end
  object tmTick: TTimer
    Enabled = False
    Interval = 500
    OnTimer = tmTickTimer
    Left = 100
    Top = 100
  end
  object pmMenu: TPopupMenu
    Left = 140
    Top = 100
    object miOpen: TMenuItem
      Caption = '&Open'
      OnClick = MenuClick
    end
    object miLine: TMenuItem
      Caption = '-'
    end
    object miMore: TMenuItem
      Caption = 'More'
      object miCheck: TMenuItem
        Caption = 'Check me'
        AutoCheck = True
        OnClick = MenuClick
      end
    end
  end
end
