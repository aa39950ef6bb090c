object TessalineDeskBandModule: TTessalineDeskBandModule
  OldCreateOrder = False
  OnCreate = DeskBandModuleCreate
  OnDestroy = DeskBandModuleDestroy
  OnGetBandFormClass = DeskBandModuleGetBandFormClass
  Caption = 'Custom Tessaline Band'
  CLSID = '{80C5BAD5-2B8D-44AF-82FA-F86E57899FB8}'
  BandType = dbtDeskBand
  FixedHeight = False
  Debossed = True
  UseChevron = True
end
