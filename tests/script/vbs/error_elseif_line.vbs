Dim x
x = 3
If x = 1 Then
    x = 0
ElseIf x / 0 = 1 Then
    x = 0
End If
'! error 11 line 5 Division by zero
