' Run by vbsrun with two arguments: prints them, then quits with code 3.
Dim a, s
s = "args " & WScript.Arguments.Count
For Each a In WScript.Arguments
    s = s & " " & a
Next
WScript.Echo s
WScript.Echo WScript.ScriptName
On Error Resume Next
WScript.Quit 3
WScript.Echo "not reached"
