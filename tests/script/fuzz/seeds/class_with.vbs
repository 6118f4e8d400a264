Class Meter
    Private v_
    Public Name
    Private Sub Class_Initialize : v_ = 0 : End Sub
    Private Sub Class_Terminate : Name = Empty : End Sub
    Public Default Property Get Value() : Value = v_ : End Property
    Public Property Let Value(x) : v_ = x : End Property
    Public Property Set Link(o) : Set Name = o : End Property
    Public Function Twice() : Twice = Me.Value * 2 : End Function
End Class
Dim m, n
Set m = New Meter
With m
    .Value = 3
    .Name = "left"
    With New Meter
        .Value = m + 1
        Set m.Link = Nothing
    End With
End With
n = m.Twice() & m
Set m = Nothing
