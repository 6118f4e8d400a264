Function Add(a, b)
    Add = a + b
End Function
Dim x
x = Add(1)
'! error 450 line 5 Wrong number of arguments or invalid property assignment
