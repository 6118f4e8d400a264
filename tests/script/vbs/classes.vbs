' Classes: fields, methods, properties, the default member, Initialize and
' Terminate, Me, New, Set, Nothing and Is.
Dim log
log = ""

Class Counter
    Public Count
    Private step_
    Dim history(2)

    Private Sub Class_Initialize
        Count = 0
        step_ = 1
        log = log & "init;"
    End Sub

    Private Sub Class_Terminate
        log = log & "term " & Count & ";"
    End Sub

    Public Sub Add(n)
        Count = Count + n * step_
        history(0) = n
    End Sub

    Public Function Twice()
        Twice = Count * 2
    End Function

    Public Property Get StepSize()
        StepSize = step_
    End Property

    Public Property Let StepSize(v)
        If v <= 0 Then Err.Raise 5
        step_ = v
    End Property

    Public Default Property Get Value()
        Value = Count
    End Property

    Public Function Self()
        Set Self = Me
    End Function

    Public Sub Bump()
        Add 1            ' a method of the same instance, unqualified
        Me.Add 1         ' and through Me
    End Sub

    Public Function Last()
        Last = history(0)
    End Function
End Class

Dim c, d
Set c = New Counter
ok log = "init;", "Class_Initialize runs on New: " & log
ok TypeName(c) = "Counter" And IsObject(c) And VarType(c) = 9, "TypeName, IsObject, VarType"
c.Add 5
ok c.Count = 5 And c.Twice() = 10 And c.Twice = 10, "fields and methods"
c.StepSize = 10
c.Add 2
ok c.Count = 25 And c.StepSize = 10, "Property Let and Get: " & c.Count
ok c = 25 And c + 1 = 26 And CStr(c) = "25", "the default member"
c.Bump
ok c.Count = 45 And c.Last = 1, "calls inside the class: " & c.Count
ok c.Self Is c And Not (c Is Nothing), "Me and Is"

Set d = c
Set c = Nothing
ok log = "init;", "a second reference keeps the instance"
Set d = Nothing
ok log = "init;term 45;", "Class_Terminate runs when the last reference goes: " & log

' Errors of misuse.
On Error Resume Next
Set c = New Counter
x = c.step_
ok Err.Number = 438, "a private field is not visible: " & Err.Number
Err.Clear
c.Missing 1
ok Err.Number = 438, "an unknown member: " & Err.Number
Err.Clear
c.StepSize = -1
ok Err.Number = 5 And c.StepSize = 1, "an error raised in Property Let: " & Err.Number
Err.Clear
Set d = New NoSuchClass
ok Err.Number = 506, "New of an unknown class: " & Err.Number
Err.Clear
Set d = Nothing
d.Add 1
ok Err.Number = 424, "a member of Nothing: " & Err.Number
Err.Clear
c = New Counter
ok Err.Number = 0 And c = 0, "assignment without Set takes the default value"
Err.Clear
Set d = 5
ok Err.Number = 424, "Set needs an object: " & Err.Number
Err.Clear
x = 5 Is c
ok Err.Number = 424, "Is needs objects: " & Err.Number
On Error GoTo 0

' Property Set, Property Get with arguments, ByRef through a method, arrays
' in fields, objects held by objects.
Class Node
    Public Value
    Private next_
    Private items(3)
    Public Property Set NextNode(n)
        Set next_ = n
    End Property
    Public Property Get NextNode()
        Set NextNode = next_
    End Property
    Public Property Get Item(i)
        Item = items(i)
    End Property
    Public Property Let Item(i, v)
        items(i) = v
    End Property
    Public Sub Increment(ByRef n)
        n = n + 1
    End Sub
End Class

Dim a, b, n
Set a = New Node
Set b = New Node
a.Value = "a"
b.Value = "b"
Set a.NextNode = b
ok a.NextNode.Value = "b", "Property Set and a chain of members"
a.Item(2) = "two"
ok a.Item(2) = "two" And IsEmpty(a.Item(1)), "properties with arguments"
n = 1
a.Increment n
ok n = 2, "ByRef argument through a method: " & n
a.Increment (n)
ok n = 2, "a parenthesised argument is passed by value"
With a
    .Value = "changed"
    ok .NextNode.Value = "b", "With on an instance"
End With
ok a.Value = "changed", "With assigns the field"

' A long chain of instances is released without exhausting the stack.
Dim head, i
Set head = Nothing
For i = 1 To 100000
    Set n = New Node
    Set n.NextNode = head
    Set head = n
Next
Set n = Nothing
Set head = Nothing
ok True, "a chain of 100000 nodes released"

' A cycle (freed when the engine closes).
Set a.NextNode = a
