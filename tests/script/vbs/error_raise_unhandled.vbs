Sub Check(v)
    If v < 0 Then Err.Raise 5000, "Check", "negative value"
End Sub
Check 1
Check -1
'! error 5000 line 2 negative value
