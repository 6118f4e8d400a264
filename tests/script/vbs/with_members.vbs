' With blocks and members of the Err object.
On Error Resume Next
With Err
    .Clear
    .Number = 42
    ok .Number = 42, "member assignment inside With"
    .Description = "set by hand"
End With
ok Err.Description = "set by hand", "With refers to the Err object"
ok Err = 42 And Err.number = 42, "default member and case-insensitive members"
Err.Clear
Dim x
x = .Number
ok Err.Number = 505, "a member outside With is unqualified: " & Err.Number
Err.Clear
r = False
With 5
    ok Err.Number = 424, "With needs an object"
    r = True
    Err.Clear
    .Number = 1
    ok Err.Number = 424, "a member of the resumed With fails too"
End With
ok r, "the body of a resumed With runs"
