' Deep recursion works; endless recursion gives "Out of stack space".
Function Depth(n)
    If n = 0 Then Depth = 0 Else Depth = 1 + Depth(n - 1)
End Function
ok Depth(500) = 500, "500 levels"

Function Forever(n)
    Forever = Forever(n + 1)
End Function
On Error Resume Next
Dim x
x = Forever(0)
ok Err.Number = 28 And Err.Description = "Out of stack space", "endless recursion: " & Err.Description
Err.Clear
ok Depth(100) = 100, "the engine works after the overflow"
