Option Explicit
Dim declared
declared = 1
undeclared = 2
'! error 500 line 4 Variable is undefined: 'undeclared'
