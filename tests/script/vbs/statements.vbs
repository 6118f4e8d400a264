' Each statement of the language, checked through ok().
Option Explicit

Dim a, b(3), c(2, 3), d()
Const ANSWER = 42, GREETING = "hi"
Const NEGATIVE = -5

' Dim, Const and arrays
ok IsEmpty(a), "Dim gives Empty"
ok UBound(b) = 3 And UBound(c, 1) = 2 And UBound(c, 2) = 3, "fixed bounds"
ok IsArray(d), "Dim d() is an array"
ok ANSWER = 42 And GREETING = "hi" And NEGATIVE = -5, "Const values"
ok VarType(ANSWER) = vbInteger, "Const keeps the literal's subtype"

' ReDim and ReDim Preserve
ReDim d(2)
d(0) = "x" : d(2) = "z"
ReDim Preserve d(4)
ok UBound(d) = 4 And d(0) = "x" And d(2) = "z" And IsEmpty(d(4)), "ReDim Preserve keeps elements"
ReDim d(1)
ok IsEmpty(d(0)), "ReDim without Preserve clears"
ReDim e(1, 1)
e(1, 1) = 5
ReDim Preserve e(1, 3)
ok e(1, 1) = 5 And UBound(e, 2) = 3, "ReDim Preserve on the last dimension"

' If, single line and block
Dim r
If ANSWER = 42 Then r = 1 Else r = 2
ok r = 1, "single-line If"
If ANSWER <> 42 Then r = 1 Else r = 2 : r = r * 10
ok r = 20, "single-line Else takes the rest of the line"
If False Then r = 0 : r = 1
ok r = 20, "single-line Then takes the rest of the line"
If ANSWER > 50 Then
    r = "big"
ElseIf ANSWER > 40 Then
    r = "forties"
Else
    r = "small"
End If
ok r = "forties", "ElseIf"
If Null Then r = "null" Else r = "not null"
ok r = "not null", "If Null takes the Else path"

' Select Case with lists
Dim k, hit
For k = 1 To 5
    Select Case k
        Case 1, 2
            hit = hit & "a"
        Case 3: hit = hit & "b"
        Case ANSWER - 38
            hit = hit & "c"
        Case Else
            hit = hit & "d"
    End Select
Next
ok hit = "aabcd", "Select Case lists and Case Else: " & hit
Select Case "3"
    Case 3: r = "number"
    Case "3": r = "string"
End Select
ok r = "number", "a literal string matches a literal number"

' For ... Next with Step
Dim total, i
total = 0
For i = 10 To 1 Step -3
    total = total + i
Next
ok total = 10 + 7 + 4 + 1 And i = -2, "For with negative Step"
total = 0
For i = 1 To 2 Step 0.5
    total = total + i
Next
ok total = 1 + 1.5 + 2 And i = 2.5, "For with fractional Step"
Dim upper : upper = 3 : total = 0
For i = 1 To upper
    upper = 10
    total = total + 1
Next
ok total = 3, "the end is evaluated once"
For i = 5 To 1
    ok False, "body of an empty range must not run"
Next

' For Each over arrays (first index fastest)
Dim item, joined
For Each item In Array(1, "two", 3)
    joined = joined & item
Next
ok joined = "1two3", "For Each over Array()"
c(0, 0) = "a" : c(1, 0) = "b" : c(0, 1) = "c"
joined = ""
For Each item In c
    joined = joined & item & ","
Next
ok Left(joined, 6) = "a,b,,c", "For Each over two dimensions: " & joined

' Do loops in all forms, While ... Wend
i = 0
Do While i < 5 : i = i + 1 : Loop
ok i = 5, "Do While"
Do Until i = 0 : i = i - 1 : Loop
ok i = 0, "Do Until"
Do : i = i + 1 : Loop While i < 3
ok i = 3, "Loop While"
Do
    i = i + 1
Loop Until i >= 7
ok i = 7, "Loop Until"
Do : i = i + 1 : Loop While False
ok i = 8, "post-test loop runs once"
While i > 0
    i = i - 2
Wend
ok i = 0, "While ... Wend"

' Exit Do / For / Function / Sub
Do
    i = i + 1
    If i = 4 Then Exit Do
Loop
ok i = 4, "Exit Do"
For i = 1 To 100
    If i = 6 Then Exit For
Next
ok i = 6, "Exit For"
Do
    For i = 1 To 10
        If i = 2 Then Exit Do
    Next
    i = 99
Loop
ok i = 2, "Exit Do from inside a nested For"

Function FirstOver(limit)
    Dim n
    For n = 1 To 1000
        If n * n > limit Then
            FirstOver = n
            Exit Function
        End If
    Next
    FirstOver = -1
End Function
ok FirstOver(50) = 8, "Exit Function"

Dim trail
Sub Track(v)
    trail = trail & v
    If v > 1 Then Exit Sub
    trail = trail & "!"
End Sub
Track 1 : Track 2
ok trail = "1!2", "Exit Sub"

' Functions, Subs, Public/Private, recursion, Call
Public Function Factorial(ByVal n)
    If n <= 1 Then Factorial = 1 Else Factorial = n * Factorial(n - 1)
End Function
Private Sub Nothing0()
End Sub
ok Factorial(10) = 3628800, "recursion"
Call Track(5)
ok trail = "1!25", "Call with parentheses"
Call Nothing0
Nothing0
Function NoArgs()
    NoArgs = "called"
End Function
ok NoArgs = "called" And NoArgs() = "called", "calls with and without ()"

' Line continuation, colons, comments
total = 1 + _
        2 + _
        3
ok total = 6, "line continuation"
: total = 0 :: total = total + 1 : ' a comment after colons
Rem a Rem comment
total = total + 1 : Rem and one after a colon
ok total = 2, "colons and comments"

' Set, Nothing, Is
Dim o1, o2
Set o1 = Nothing
ok o1 Is Nothing, "Set to Nothing"
ok IsObject(o1), "Nothing is an object"
Set o2 = Err
ok o2 Is Err And Not (o2 Is Nothing), "Is compares references"

' Identifiers are case-insensitive
Dim MixedCase
mixedcase = 7
ok MIXEDCASE = 7 And ANSWER = answer, "case-insensitive names"
