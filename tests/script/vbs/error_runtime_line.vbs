' A runtime error inside a procedure reports the line inside it.
Function Divide(a, b)
    Dim q
    q = a / b
    Divide = q
End Function

Dim x
x = Divide(4, 2)
x = Divide(1, 0)
'! error 11 line 4 Division by zero
