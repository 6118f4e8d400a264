Dim x
x = 1
x = 1 2
'! error 1025 line 3 Expected end of statement
