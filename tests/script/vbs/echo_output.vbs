' Golden output through Echo.
Echo "Hello,", "world"
Echo 1 + 2, 1 / 4, True, Null
Dim i
For i = 1 To 3 : Echo "line", i : Next
Echo FormatNumber(1234.5), FormatNumber(-0.5, 1, False), FormatPercent(0.125)
Echo CStr(#3/5/2021 1:02:03 PM#)
'> Hello, world
'> 3 0.25 True Null
'> line 1
'> line 2
'> line 3
'> 1,234.50 -.5 12.50%
'> 3/5/2021 1:02:03 PM
