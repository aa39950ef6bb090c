object FMain: TFMain
  Left = 200
  Top = 120
  BorderIcons = []
  BorderStyle = bsDialog
  Caption = 'Selvaring'
  ClientHeight = 359
  ClientWidth = 526
  Constraints.MaxHeight = 386
  Constraints.MaxWidth = 534
  Constraints.MinHeight = 386
  Constraints.MinWidth = 534
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  KeyPreview = True
  OldCreateOrder = False
  Position = poScreenCenter
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnKeyPress = FormKeyPress
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object PanelGombok: TPanel
    Left = 0
    Top = 318
    Width = 526
    Height = 41
    Align = alBottom
    BevelOuter = bvNone
    TabOrder = 1
    object bnElozo: TButton
      Left = 256
      Top = 8
      Width = 75
      Height = 25
      Caption = '< &Vissza'
      TabOrder = 0
      OnClick = bnElozoClick
    end
    object bnKovetkezo: TButton
      Left = 336
      Top = 8
      Width = 75
      Height = 25
      Caption = '&Tovább >'
      Default = True
      TabOrder = 1
      OnClick = bnKovetkezoClick
    end
    object bnKilepes: TButton
      Left = 436
      Top = 8
      Width = 75
      Height = 25
      Caption = '&Kilépés'
      TabOrder = 2
      OnClick = bnKilepesClick
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
      Caption = 'KozosKezdolap'
      object imgKep1: TImage
        Left = 0
        Top = 0
        Width = 164
        Height = 318
        Stretch = True
      end
      object lbUdvozles: TLabel
        Left = 180
        Top = 24
        Width = 330
        Height = 270
        AutoSize = False
        WordWrap = True
        Tag = 1
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'KozosJogiElfogadas'
      object imgIkon01: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim01: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 109
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim01: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 110
      end
      object moKozosNyilatkozat: TMemo
        Left = 72
        Top = 64
        Width = 430
        Height = 200
        ReadOnly = True
        ScrollBars = ssVertical
        TabOrder = 0
      end
      object cbKozosElfogad: TCheckBox
        Left = 72
        Top = 276
        Width = 430
        Height = 17
        Tag = 111
        TabOrder = 1
        OnClick = EnableDisableButtons
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'KozosKapcsolatFajta'
      object imgIkon02: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim02: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 104
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim02: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 105
      end
      object lbKapcsolatFajta: TLabel
        Left = 72
        Top = 80
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 106
      end
      object rbModemKapcsolat: TRadioButton
        Left = 88
        Top = 112
        Width = 360
        Height = 17
        Tag = 108
        TabOrder = 0
        OnClick = EnableDisableButtons
      end
      object rbADSLKapcsolat: TRadioButton
        Left = 88
        Top = 140
        Width = 360
        Height = 17
        Tag = 107
        TabOrder = 1
        OnClick = EnableDisableButtons
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemKezdolap'
      object imgIkon03: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim03: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 102
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim03: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 103
      end
      object lbModemLepes003: TLabel
        Left = 72
        Top = 68
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 3
      end
      object lbModemPont01: TLabel
        Left = 80
        Top = 96
        Caption = '.'
      end
      object lbModemLepes004: TLabel
        Left = 92
        Top = 96
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 4
      end
      object lbModemPont02: TLabel
        Left = 80
        Top = 118
        Caption = '.'
      end
      object lbModemLepes005: TLabel
        Left = 92
        Top = 118
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 5
      end
      object lbModemPont03: TLabel
        Left = 80
        Top = 140
        Caption = '.'
      end
      object lbModemLepes006: TLabel
        Left = 92
        Top = 140
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 6
      end
      object lbModemPont04: TLabel
        Left = 80
        Top = 162
        Caption = '.'
      end
      object lbModemLepes007: TLabel
        Left = 92
        Top = 162
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 7
      end
      object lbModemPont05: TLabel
        Left = 80
        Top = 184
        Caption = '.'
      end
      object lbModemLepes008: TLabel
        Left = 92
        Top = 184
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 8
      end
      object lbModemPont06: TLabel
        Left = 80
        Top = 206
        Caption = '.'
      end
      object lbModemLepes009: TLabel
        Left = 92
        Top = 206
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 9
      end
      object lbModemPont07: TLabel
        Left = 80
        Top = 228
        Caption = '.'
      end
      object lbModemLepes010: TLabel
        Left = 92
        Top = 228
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 10
      end
      object lbModemPont08: TLabel
        Left = 80
        Top = 250
        Caption = '.'
      end
      object lbModemLepes011: TLabel
        Left = 92
        Top = 250
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 11
      end
      object lbModemPont09: TLabel
        Left = 80
        Top = 272
        Caption = '.'
      end
      object lbModemLepes012: TLabel
        Left = 92
        Top = 272
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 12
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemValasztas'
      object imgIkon04: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim04: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 13
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim04: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 14
      end
      object lbModemValasztas: TLabel
        Left = 72
        Top = 72
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 15
      end
      object cbModem: TComboBox
        Left = 72
        Top = 92
        Width = 280
        Height = 21
        Style = csDropDownList
        Sorted = True
        TabOrder = 0
        OnChange = EnableDisableButtons
      end
      object lbModemElohivoKell: TLabel
        Left = 72
        Top = 136
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 16
      end
      object cbModemElohivoKell: TComboBox
        Left = 72
        Top = 156
        Width = 80
        Height = 21
        Style = csDropDownList
        Items.Strings = (
          'igen'
          'nem')
        TabOrder = 1
        OnChange = EnableDisableButtons
      end
      object lbModemElohivoszam: TLabel
        Left = 72
        Top = 196
        Width = 200
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 17
        Visible = False
      end
      object edModemElohivoszam: TBSEdit
        Left = 280
        Top = 192
        Width = 33
        Height = 21
        MaxLength = 1
        TabOrder = 2
        Visible = False
        OnChange = EnableDisableButtons
        FilterChars = '0123456789'
        BasicFilter = bfNumbers
        Alignment = taRightJustify
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemVizsgalat'
      object imgIkon05: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim05: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 18
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim05: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 19
      end
      object lbModemVizsgalat: TLabel
        Left = 72
        Top = 80
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 97
      end
      object lbModemVizsgalatVaras: TLabel
        Left = 72
        Top = 140
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 20
      end
      object pbModemVizsgalat: TProgressBar
        Left = 72
        Top = 170
        Width = 420
        Height = 17
        Max = 30
        TabOrder = 0
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemLetoltes'
      object imgIkon06: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim06: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 21
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim06: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 22
      end
      object lbModemLetoltes: TLabel
        Left = 72
        Top = 80
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 62
      end
      object lbModemLetoltesVaras: TLabel
        Left = 72
        Top = 140
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 23
      end
      object lbModemLetoltesAllapot: TLabel
        Left = 72
        Top = 194
        Caption = '0 K / 0 K'
        Visible = False
      end
      object pbModemLetoltes: TProgressBar
        Left = 72
        Top = 170
        Width = 420
        Height = 17
        Max = 160
        TabOrder = 0
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemSzolgaltatas'
      object imgIkon07: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim07: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 24
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim07: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 25
      end
      object lbModemSzolgaltatas: TLabel
        Left = 72
        Top = 72
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 26
      end
      object rbModemOnlineAktivalas: TRadioButton
        Left = 88
        Top = 104
        Width = 360
        Height = 17
        Tag = 27
        TabOrder = 0
        OnClick = EnableDisableButtons
      end
      object rbModemOnlineElofizetes: TRadioButton
        Left = 88
        Top = 132
        Width = 360
        Height = 17
        Tag = 28
        TabOrder = 1
        OnClick = EnableDisableButtons
      end
      object rbModemMeglevo: TRadioButton
        Left = 88
        Top = 160
        Width = 360
        Height = 17
        Tag = 29
        TabOrder = 2
        OnClick = EnableDisableButtons
      end
      object lbReklam1: TLabel
        Left = 72
        Top = 270
        Width = 420
        Height = 40
        AutoSize = False
        WordWrap = True
        Tag = 1001
        ParentFont = False
        Font.Color = clNavy
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemKorzetszam'
      object imgIkon08: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim08: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 30
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim08: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 31
      end
      object lbModemKorzetszamKerdes: TLabel
        Left = 72
        Top = 72
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 32
      end
      object cbModemKorzetszam: TComboBox
        Left = 72
        Top = 104
        Width = 120
        Height = 21
        Style = csDropDownList
        Sorted = True
        TabOrder = 0
        OnChange = EnableDisableButtons
      end
      object lbReklam2: TLabel
        Left = 72
        Top = 270
        Width = 420
        Height = 40
        AutoSize = False
        WordWrap = True
        Tag = 1002
        ParentFont = False
        Font.Color = clNavy
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemCsomagTipus'
      object imgIkon09: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim09: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 33
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim09: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 34
      end
      object lbModemCsomagKerdes: TLabel
        Left = 72
        Top = 72
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 35
      end
      object cbModemCsomag: TComboBox
        Left = 72
        Top = 104
        Width = 280
        Height = 21
        Style = csDropDownList
        Sorted = True
        TabOrder = 0
        OnChange = EnableDisableButtons
      end
      object lbReklam3: TLabel
        Left = 72
        Top = 270
        Width = 420
        Height = 40
        AutoSize = False
        WordWrap = True
        Tag = 1003
        ParentFont = False
        Font.Color = clNavy
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemFelhAdatok'
      object imgIkon10: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim10: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 36
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim10: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 37
      end
      object lbModemTarcsazasiNev: TLabel
        Left = 72
        Top = 84
        Width = 180
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 38
      end
      object edModemTarcsazasiNev: TEdit
        Left = 260
        Top = 80
        Width = 200
        Height = 21
        MaxLength = 32
        TabOrder = 0
        OnChange = EnableDisableButtons
      end
      object lbModemTarcsazasiJelszo: TLabel
        Left = 72
        Top = 116
        Width = 180
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 39
      end
      object edModemTarcsazasiJelszo: TEdit
        Left = 260
        Top = 112
        Width = 200
        Height = 21
        MaxLength = 32
        PasswordChar = '*'
        TabOrder = 1
        OnChange = EnableDisableButtons
      end
      object lbReklam4: TLabel
        Left = 72
        Top = 270
        Width = 420
        Height = 40
        AutoSize = False
        WordWrap = True
        Tag = 1004
        ParentFont = False
        Font.Color = clNavy
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemBongKedvLevel'
      object imgIkon11: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim11: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 40
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim11: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 41
      end
      object lbModemBongeszo: TLabel
        Left = 72
        Top = 72
        Width = 420
        Height = 80
        AutoSize = False
        WordWrap = True
        Tag = 42
      end
      object Panel21: TPanel
        Left = 72
        Top = 160
        Width = 420
        Height = 90
        BevelOuter = bvNone
        TabOrder = 0
        object lbModemLevelezesKerdes: TLabel
          Left = 0
          Top = 0
          Width = 420
          Height = 26
          AutoSize = False
          WordWrap = True
          Tag = 48
        end
        object rbModemLevelezesIgen: TRadioButton
          Left = 16
          Top = 30
          Width = 380
          Height = 17
          Tag = 49
          TabOrder = 0
          OnClick = EnableDisableButtons
        end
        object rbModemLevelezesNem: TRadioButton
          Left = 16
          Top = 58
          Width = 380
          Height = 17
          Tag = 50
          TabOrder = 1
          OnClick = EnableDisableButtons
        end
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ModemSikeroldal'
      object imgKep2: TImage
        Left = 0
        Top = 0
        Width = 164
        Height = 318
        Stretch = True
      end
      object lbModemSikerCim: TLabel
        Left = 180
        Top = 16
        Width = 330
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 57
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbModemSikerSzoveg: TLabel
        Left = 180
        Top = 40
        Width = 330
        Height = 40
        AutoSize = False
        WordWrap = True
        Tag = 58
      end
      object lbModemKorzetszam: TLabel
        Left = 180
        Top = 90
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object PanelModemCsomag: TPanel
        Left = 180
        Top = 110
        Width = 330
        Height = 20
        BevelOuter = bvNone
        TabOrder = 0
        object lbModemCsomagTipusa: TLabel
          Left = 0
          Top = 0
          Width = 330
          Height = 26
          AutoSize = False
          WordWrap = True
          Caption = ''
        end
      end
      object lbModemAlkozpont: TLabel
        Left = 180
        Top = 132
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbModemFelhasznalonev: TLabel
        Left = 180
        Top = 154
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbModemLevelezes: TLabel
        Left = 180
        Top = 176
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbModemSzemelyNev: TLabel
        Left = 196
        Top = 198
        Width = 314
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbModemEMailCim: TLabel
        Left = 196
        Top = 220
        Width = 314
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ADSLKezdolap'
      object imgIkon12: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim13: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 112
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim13: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 113
      end
      object lbADSLLepes114: TLabel
        Left = 72
        Top = 68
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 114
      end
      object lbADSLPont01: TLabel
        Left = 80
        Top = 96
        Caption = '.'
      end
      object lbADSLLepes115: TLabel
        Left = 92
        Top = 96
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 115
      end
      object lbADSLPont02: TLabel
        Left = 80
        Top = 118
        Caption = '.'
      end
      object lbADSLLepes116: TLabel
        Left = 92
        Top = 118
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 116
      end
      object lbADSLPont03: TLabel
        Left = 80
        Top = 140
        Caption = '.'
      end
      object lbADSLLepes117: TLabel
        Left = 92
        Top = 140
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 117
      end
      object lbADSLPont04: TLabel
        Left = 80
        Top = 162
        Caption = '.'
      end
      object lbADSLLepes118: TLabel
        Left = 92
        Top = 162
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 118
      end
      object lbADSLPont05: TLabel
        Left = 80
        Top = 184
        Caption = '.'
      end
      object lbADSLLepes119: TLabel
        Left = 92
        Top = 184
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 119
      end
      object lbADSLPont06: TLabel
        Left = 80
        Top = 206
        Caption = '.'
      end
      object lbADSLLepes120: TLabel
        Left = 92
        Top = 206
        Width = 400
        Height = 20
        AutoSize = False
        WordWrap = True
        Tag = 120
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ADSLVizsgalat'
      object imgIkon13: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim14: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 121
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim14: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 122
      end
      object lbADSLVizsgalat: TLabel
        Left = 72
        Top = 80
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 165
      end
      object lbADSLVizsgalatVaras: TLabel
        Left = 72
        Top = 140
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 124
      end
      object pbADSLVizsgalat: TProgressBar
        Left = 72
        Top = 170
        Width = 420
        Height = 17
        Max = 30
        TabOrder = 0
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ADSLTrelvinTorlese'
      object imgIkon14: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim15: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 125
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim15: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 126
      end
      object lbADSLTrelvinTorlesKerdes: TLabel
        Left = 72
        Top = 72
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 127
      end
      object rbADSLTrelvinTorlesIgen: TRadioButton
        Left = 88
        Top = 120
        Width = 360
        Height = 17
        Tag = 128
        TabOrder = 0
        OnClick = EnableDisableButtons
      end
      object rbADSLTrelvinTorlesNem: TRadioButton
        Left = 88
        Top = 148
        Width = 360
        Height = 17
        Tag = 129
        TabOrder = 1
        OnClick = EnableDisableButtons
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ADSLTrelvinTelepitese'
      object imgIkon15: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim16: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 130
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim16: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 131
      end
      object lbADSLTrelvinTelepitesKerdes: TLabel
        Left = 72
        Top = 72
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 132
      end
      object rbADSLTrelvinTelepitesIgen: TRadioButton
        Left = 88
        Top = 120
        Width = 360
        Height = 17
        Tag = 133
        TabOrder = 0
        OnClick = EnableDisableButtons
      end
      object rbADSLTrelvinTelepitesNem: TRadioButton
        Left = 88
        Top = 148
        Width = 360
        Height = 17
        Tag = 134
        TabOrder = 1
        OnClick = EnableDisableButtons
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ADSLFelhAdatok'
      object imgIkon16: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim17: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 135
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim17: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 136
      end
      object lbADSLTarcsazasiNev: TLabel
        Left = 72
        Top = 84
        Width = 180
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 137
      end
      object edADSLTarcsazasiNev: TEdit
        Left = 260
        Top = 80
        Width = 200
        Height = 21
        MaxLength = 32
        TabOrder = 0
        OnChange = EnableDisableButtons
      end
      object lbADSLTarcsazasiJelszo: TLabel
        Left = 72
        Top = 116
        Width = 180
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 138
      end
      object edADSLTarcsazasiJelszo: TEdit
        Left = 260
        Top = 112
        Width = 200
        Height = 21
        MaxLength = 32
        PasswordChar = '*'
        TabOrder = 1
        OnChange = EnableDisableButtons
      end
      object lbADSLNevTipp: TLabel
        Left = 72
        Top = 152
        Width = 420
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 166
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ADSLBongKedvToolbarLevel'
      object imgIkon17: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim18: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 139
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim18: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 140
      end
      object Panel51: TPanel
        Left = 72
        Top = 72
        Width = 420
        Height = 90
        BevelOuter = bvNone
        TabOrder = 0
        object lbADSLLevelezesKerdes: TLabel
          Left = 0
          Top = 0
          Width = 420
          Height = 26
          AutoSize = False
          WordWrap = True
          Tag = 141
        end
        object rbADSLLevelezesIgen: TRadioButton
          Left = 16
          Top = 30
          Width = 380
          Height = 17
          Tag = 142
          TabOrder = 0
          OnClick = EnableDisableButtons
        end
        object rbADSLLevelezesNem: TRadioButton
          Left = 16
          Top = 58
          Width = 380
          Height = 17
          Tag = 143
          TabOrder = 1
          OnClick = EnableDisableButtons
        end
      end
      object Panel52: TPanel
        Left = 72
        Top = 172
        Width = 420
        Height = 90
        BevelOuter = bvNone
        TabOrder = 1
        object lbADSLToolbarKerdes: TLabel
          Left = 0
          Top = 0
          Width = 420
          Height = 26
          AutoSize = False
          WordWrap = True
          Tag = 144
        end
        object rbADSLToolbarIgen: TRadioButton
          Left = 16
          Top = 30
          Width = 380
          Height = 17
          Tag = 145
          TabOrder = 0
          OnClick = EnableDisableButtons
        end
        object rbADSLToolbarNem: TRadioButton
          Left = 16
          Top = 58
          Width = 380
          Height = 17
          Tag = 146
          TabOrder = 1
          OnClick = EnableDisableButtons
        end
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'ADSLSikeroldal'
      object imgKep4: TImage
        Left = 0
        Top = 0
        Width = 164
        Height = 318
        Stretch = True
      end
      object lbADSLSikerCim: TLabel
        Left = 180
        Top = 16
        Width = 330
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 147
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbADSLSikerSzoveg: TLabel
        Left = 180
        Top = 40
        Width = 330
        Height = 40
        AutoSize = False
        WordWrap = True
        Tag = 148
      end
      object lbADSLTrelvinTorlese: TLabel
        Left = 180
        Top = 90
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbADSLTrelvinTelepitese: TLabel
        Left = 180
        Top = 112
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbADSLToolbarTelepitese: TLabel
        Left = 180
        Top = 134
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbADSLFelhasznalonev: TLabel
        Left = 180
        Top = 156
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbADSLLevelezes: TLabel
        Left = 180
        Top = 178
        Width = 330
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbADSLSzemelyNev: TLabel
        Left = 196
        Top = 200
        Width = 314
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
      object lbADSLEMailCim: TLabel
        Left = 196
        Top = 222
        Width = 314
        Height = 26
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'KozosLevelAdatok'
      object imgIkon18: TImage
        Left = 8
        Top = 8
        Width = 48
        Height = 48
        Stretch = True
      end
      object lbCim20: TLabel
        Left = 64
        Top = 12
        Width = 440
        Height = 16
        AutoSize = False
        WordWrap = True
        Tag = 51
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbAlcim20: TLabel
        Left = 64
        Top = 30
        Width = 440
        Height = 28
        AutoSize = False
        WordWrap = True
        Tag = 52
      end
      object lbKozosSzemelyNev: TLabel
        Left = 72
        Top = 84
        Width = 180
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 53
      end
      object edKozosSzemelyNev: TEdit
        Left = 260
        Top = 80
        Width = 200
        Height = 21
        MaxLength = 64
        TabOrder = 0
        OnChange = EnableDisableButtons
      end
      object lbKozosEMailCim: TLabel
        Left = 72
        Top = 116
        Width = 180
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 54
      end
      object edKozosEMailCim: TEdit
        Left = 260
        Top = 112
        Width = 120
        Height = 21
        MaxLength = 32
        TabOrder = 1
        OnChange = EnableDisableButtons
      end
      object lbKozosEMailDomain: TLabel
        Left = 384
        Top = 116
        Width = 120
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 55
      end
      object lbKozosLevelezesiNev: TLabel
        Left = 72
        Top = 148
        Width = 180
        Height = 26
        AutoSize = False
        WordWrap = True
        Tag = 56
      end
      object edKozosLevelezesiNev: TEdit
        Left = 260
        Top = 144
        Width = 120
        Height = 21
        MaxLength = 32
        TabOrder = 2
        OnChange = EnableDisableButtons
      end
      object lbReklam5: TLabel
        Left = 72
        Top = 270
        Width = 420
        Height = 40
        AutoSize = False
        WordWrap = True
        Tag = 1005
        ParentFont = False
        Font.Color = clNavy
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'KozosHiba'
      object imgKep3: TImage
        Left = 0
        Top = 0
        Width = 164
        Height = 318
        Stretch = True
      end
      object lbKozosHibaCim: TLabel
        Left = 180
        Top = 24
        Width = 330
        Height = 16
        AutoSize = False
        WordWrap = True
        Caption = ''
        ParentFont = False
        Font.Style = [fsBold]
      end
      object lbKozosHibaTorzs: TLabel
        Left = 180
        Top = 56
        Width = 330
        Height = 240
        AutoSize = False
        WordWrap = True
        Caption = ''
      end
    end
  end
  object trModemTest: TTimer
    Enabled = False
    OnTimer = trModemTestTimer
    Left = 8
    Top = 328
  end
  object cpModemTest: TSerialPort
    BaudRate = br9600
    PortNum = 'COM1'
    Parity.Bits = prNone
    StopBits = sbOneStopBit
    DataBits = dbEight
    Events = [evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full]
    Buffer.InputSize = 1024
    Buffer.OutputSize = 1024
    FlowControl.ControlDTR = dtrEnable
    FlowControl.ControlRTS = rtsEnable
    Timeouts.ReadInterval = -1
    Timeouts.ReadTotalMultiplier = 0
    Timeouts.ReadTotalConstant = 0
    Timeouts.WriteTotalMultiplier = 100
    Timeouts.WriteTotalConstant = 1000
    SyncMethod = smThreadSync
    OnRxChar = cpModemTestRxChar
    Left = 72
    Top = 328
  end
  object trModemDialEntry: TTimer
    Enabled = False
    Interval = 500
    Left = 40
    Top = 328
  end
  object qyModemTelefontarsasag: TWkMemoryData
    FieldDefs = <
      item
        Name = 'Tarsasag'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Telefonszam'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Korzetszam'
        DataType = ftString
        Size = 255
      end>
  end
  object qyModemMuvelet: TWkMemoryData
    FieldDefs = <
      item
        Name = 'Tipus'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Tarsasag'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Telefonszam'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Korzetszam'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Azonosito'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Jelszo'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'URL'
        DataType = ftString
        Size = 255
      end>
  end
  object qyBeallitas: TWkMemoryData
    FieldDefs = <
      item
        Name = 'Nev'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Ertek'
        DataType = ftString
        Size = 255
      end>
  end
  object qySzoveg: TWkMemoryData
    FieldDefs = <
      item
        Name = 'Nev'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Szoveg'
        DataType = ftString
        Size = 255
      end>
  end
end
