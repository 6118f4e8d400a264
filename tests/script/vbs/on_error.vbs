' On Error Resume Next, On Error GoTo 0 and the Err object.
Dim x, r

On Error Resume Next
x = 1 / 0
ok Err.Number = 11 And Err.Description = "Division by zero", "Division by zero"
ok Err.Source = "Microsoft VBScript runtime error", "Err.Source"
ok Err = 11, "Number is the default member"
Err.Clear
ok Err.Number = 0 And Err.Description = "", "Err.Clear"

x = CInt("abc")
ok Err.Number = 13 And Err.Description = "Type mismatch", "Type mismatch"
Err.Clear
Dim small(2)
x = small(5)
ok Err.Number = 9 And Err.Description = "Subscript out of range", "Subscript out of range"
Err.Clear
x = CInt(40000)
ok Err.Number = 6 And Err.Description = "Overflow", "Overflow"
Err.Clear
x = Mid("abc", 0)
ok Err.Number = 5 And Err.Description = "Invalid procedure call or argument", "Invalid call"
Err.Clear
x = Len()
ok Err.Number = 450 And Err.Description = "Wrong number of arguments or invalid property assignment", "argument count"
Err.Clear
x = CLng(Null)
ok Err.Number = 94 And Err.Description = "Invalid use of Null", "Invalid use of Null"
Err.Clear
x = Nothing.Value
ok Err.Number = 424 And Err.Description = "Object required", "Object required"
Err.Clear
x = Err.NoSuchMember
ok Err.Number = 438 And Err.Description = "Object doesn't support this property or method", "no such member"
Err.Clear
NotDefinedAnywhere 1
ok Err.Number = 35 And Err.Description = "Sub or Function not defined", "unknown procedure"
Err.Clear
x = Nothing
ok Err.Number = 91 And Err.Description = "Object variable not set", "x = Nothing"
Err.Clear
Const LOCKED = 1
LOCKED = 2
ok Err.Number = 501 And Err.Description = "Illegal assignment" And LOCKED = 1, "assignment to a Const"
Err.Clear
' Resumed into the body once, the variable unchanged; Next then raises 451.
x = 2 : r = 0
For Each x In 42
    ok Err.Number = 451, "Err is set inside the body"
    r = r + 1
Next
ok r = 1 And x = 2, "For Each over a number runs the body once: " & r & " " & x
ok Err.Number = 451 And Err.Description = "Object not a collection", "For Each over a number"
Err.Clear
r = 0
For Each x In Empty
    r = r + 1
    Exit For
Next
ok r = 1 And Err.Number = 451, "Exit For in the resumed body"
Err.Clear
Dim fixedArr(2)
ReDim fixedArr(5)
ok Err.Number = 10 And Err.Description = "This array is fixed or temporarily locked", "ReDim of a fixed array"
Err.Clear

' Err.Raise
Err.Raise 1000, "MySource", "My description"
ok Err.Number = 1000 And Err.Source = "MySource" And Err.Description = "My description", "Err.Raise"
Err.Raise 13
ok Err.Number = 13 And Err.Description = "Type mismatch", "Err.Raise with a standard number"
Err.Raise vbObjectError + 1
ok Err.Number = vbObjectError + 1, "Err.Raise with vbObjectError"
Err.Clear

' Execution continues with the next statement
r = 0
x = 1 / 0 : r = r + 1
r = r + 1
ok r = 2, "the statement after the failing one runs"

' An error in an If condition enters the branch
r = "none"
If 1 / 0 = 5 Then
    r = "entered"
Else
    r = "else"
End If
ok r = "entered" And Err.Number = 11, "error in an If condition"
Err.Clear

' An error in a called procedure without a handler returns to the caller
Function Fails()
    r = "before"
    Fails = 1 / 0
    r = "after"
End Function
x = Fails()
ok r = "before" And Err.Number = 11, "the callee stops at its error"
Err.Clear

' A procedure with its own handler continues inside
Function Handles()
    On Error Resume Next
    Handles = 1 / 0
    Handles = "kept going"
End Function
ok Handles() = "kept going", "handler inside the callee"
ok Err.Number = 11, "the callee's error stays visible to the caller"

' On Error GoTo 0 clears Err and turns handling off for the next error
On Error GoTo 0
ok Err.Number = 0, "On Error GoTo 0 clears Err"
On Error Resume Next
Err.Raise 5
ok Err.Number = 5, "handling back on"
On Error Resume Next
ok Err.Number = 0, "On Error Resume Next clears Err"
