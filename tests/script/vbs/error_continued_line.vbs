' A statement continued with _ reports its first line.
Dim x
x = 1
x = CInt( _
    "not a number")
'! error 13 line 4 Type mismatch
