object SampleBandModule: TSampleBandModule
  OldCreateOrder = False
  OnCreate = ModuleCreate
  OnGetBandFormClass = GetFormClass
  Caption = '  Sample band  '
  MenuCaption = '&Sample band'
  CLSID = '{5A3B1C2D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}'
  BandType = dbtDeskBand
  FixedHeight = False
  Debossed = True
  UseChevron = True
end
