object X: TForm
  A = 'a'#13'b' + 'c'
  B = [x, y]
  C = ( 1 'two' )
  D = { 00ff }
end
