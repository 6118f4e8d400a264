' Without Option Explicit, assignment creates variables and reading an
' unknown name gives Empty.
ok IsEmpty(neverAssigned), "unknown names read as Empty"
created = 5
ok created = 5, "assignment creates a global"
Sub MakeLocal()
    localOnly = 3
    ok localOnly = 3, "assignment inside a procedure creates a local"
End Sub
MakeLocal
ok IsEmpty(localOnly), "the implicit local does not leak"
Sub UseGlobal()
    created = created + 1
End Sub
UseGlobal
ok created = 6, "an existing global is used from a procedure"
Function UseBeforeDim()
    x = 5
    Dim x
    UseBeforeDim = x
End Function
ok UseBeforeDim() = 5, "Dim is hoisted in procedures"
