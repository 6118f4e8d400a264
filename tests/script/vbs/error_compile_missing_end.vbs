' The end of the input is the line after the last line break.
Dim x
If x Then
    x = 1
'! error 1014 line 6 Expected 'End'
