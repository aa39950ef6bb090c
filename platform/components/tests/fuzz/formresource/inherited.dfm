inherited X: TForm
  object TPage
  end
end
