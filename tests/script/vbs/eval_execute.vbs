' Eval, Execute, ExecuteGlobal and GetRef, with their scoping rules.
Dim g
g = 10
ok Eval("g * 2") = 20, "Eval at the top level"
ok Eval("g = 10") = True, "in Eval, = compares"
ok Eval(42) = 42 And IsNull(Eval(Null)), "a non-string is returned unchanged"

Function Scale(x)
    Dim factor
    factor = 3
    Scale = Eval("x * factor + g")
End Function
ok Scale(2) = 16, "Eval sees the locals and arguments: " & Scale(2)

Sub SetLocal()
    Dim v
    v = 1
    Execute "v = v + 1"
    ok v = 2, "Execute changes a local: " & v
    Execute "Dim w : w = 7"
    ok Eval("w") = 7, "a Dim in Execute makes a local"
    Execute "g = g + 1"
End Sub
SetLocal
ok g = 11, "Execute in a procedure still reaches globals: " & g
ok IsEmpty(w), "the local of Execute stays local"

Sub DefineGlobal()
    ExecuteGlobal "Dim fromInside : fromInside = 5" & vbCrLf & _
                  "Function Triple(n) : Triple = 3 * n : End Function"
End Sub
DefineGlobal
ok fromInside = 5 And Triple(4) = 12, "ExecuteGlobal defines globals from inside a Sub"
Execute "Class Point : Public X : End Class"
Dim p
Set p = New Point
p.X = 3
ok p.X = 3, "a class from Execute at the top level"

Class Box
    Public Content
    Public Function Peek()
        Peek = Eval("Content & ""!""")
    End Function
End Class
Set p = New Box
p.Content = "hi"
ok p.Peek() = "hi!", "Eval in a method sees the fields"

Function Add(a, b)
    Add = a + b
End Function
Dim f
Set f = GetRef("add")
ok f(2, 3) = 5, "GetRef calls the function"

On Error Resume Next
x = Eval("1 +")
ok Err.Number = 1002 And Err.Source = "Microsoft VBScript compilation error", "a syntax error in Eval is catchable: " & Err.Number
Err.Clear
Execute "x = "
ok Err.Number = 1002, "a syntax error in Execute"
Err.Clear
Execute 42
ok Err.Number = 13, "Execute of a number: " & Err.Number
Err.Clear
Set f = GetRef("NoSuchProcedure")
ok Err.Number = 5, "GetRef of an unknown name: " & Err.Number
Err.Clear
Execute "y = 1 / 0"
ok Err.Number = 11, "a runtime error in Execute reaches the caller: " & Err.Number
