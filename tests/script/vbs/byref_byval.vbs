' ByRef (the default) and ByVal.
Sub AddOne(x)
    x = x + 1
End Sub
Sub AddOneByVal(ByVal x)
    x = x + 1
End Sub
Sub AddOneByRef(ByRef x)
    x = x + 1
End Sub

Dim v
v = 1 : AddOne v : ok v = 2, "ByRef is the default"
v = 1 : AddOneByRef v : ok v = 2, "explicit ByRef"
v = 1 : AddOneByVal v : ok v = 1, "ByVal copies"
v = 1 : AddOne (v) : ok v = 1, "parentheses pass a copy"
v = 1 : Call AddOne(v) : ok v = 2, "Call passes ByRef"
v = 1 : Call AddOne((v)) : ok v = 1, "Call with extra parentheses passes a copy"
v = 1 : AddOne v + 0 : ok v = 1, "an expression is a temporary"

Dim arr(2)
arr(1) = 10
AddOne arr(1)
ok arr(1) = 11, "ByRef array element"
AddOne (arr(1))
ok arr(1) = 11, "parenthesised array element is a copy"

Sub Grow(a)
    ReDim Preserve a(5)
    a(5) = "new"
End Sub
Dim dyn()
ReDim dyn(1)
Grow dyn
ok UBound(dyn) = 5 And dyn(5) = "new", "ReDim through a ByRef parameter"

Sub Fill(ByVal a)
    a(0) = "changed"
End Sub
Dim copyMe(0)
copyMe(0) = "original"
Fill copyMe
ok copyMe(0) = "original", "ByVal arrays are copies"

Function Twice(ByRef x)
    x = x * 2
    Twice = x
End Function
v = 3
ok Twice(v) = 6 And v = 6, "ByRef in a function call"

Sub Outer(x)
    Inner x
End Sub
Sub Inner(y)
    y = "inner"
End Sub
v = "start"
Outer v
ok v = "inner", "ByRef passes through two levels"

Const FIXED = 5
Sub TryConst(x)
    x = 99
End Sub
TryConst FIXED
ok FIXED = 5, "a Const passed ByRef stays unchanged"

' Arrays assign by value
Dim a1, a2
a1 = Array(1, 2, 3)
a2 = a1
a2(0) = 100
ok a1(0) = 1 And a2(0) = 100, "array assignment copies"
