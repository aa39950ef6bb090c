object X: TForm
  FieldDefs = <
    item
      Name = 'Nev'
      DataType = ftString
      Size = 255
    end
    item
    end>
end
