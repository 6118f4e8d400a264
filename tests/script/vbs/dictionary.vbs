' Scripting.Dictionary: Add, Item (the default member), Exists, Remove,
' Keys/Items arrays, Count, Key, CompareMode, For Each over the keys.
Dim d, k, s
Set d = CreateObject("Scripting.Dictionary")
ok TypeName(d) = "Dictionary" And d.Count = 0, "a new dictionary"
d.Add "a", "Athens"
d.Add "b", "Belgrade"
d.Add 3, "three"
ok d.Count = 3 And d("a") = "Athens" And d.Item("b") = "Belgrade" And d(3) = "three", "Add and Item"
ok d.Exists("a") And Not d.Exists("A") And Not d.Exists("3"), "keys compare binary by default"
d("c") = "Cairo"
d.Item("a") = "Amsterdam"
ok d.Count = 4 And d("a") = "Amsterdam", "assigning an item adds or replaces"
s = ""
For Each k In d
    s = s & k & "=" & d(k) & ";"
Next
ok s = "a=Amsterdam;b=Belgrade;3=three;c=Cairo;", "For Each over the keys, in order: " & s
ok Join(d.Keys, ",") = "a,b,3,c" And UBound(d.Items) = 3 And d.Items()(3) = "Cairo", "Keys and Items"
d.Key("c") = "e"
ok d.Exists("e") And Not d.Exists("c") And d("e") = "Cairo", "Key renames"
d.Remove "b"
ok d.Count = 3 And Join(d.Keys, ",") = "a,3,e", "Remove"
x = d("missing")
ok IsEmpty(x) And d.Exists("missing") And d.Count = 4, "reading a missing key adds it"
d.RemoveAll
ok d.Count = 0, "RemoveAll"
d.CompareMode = vbTextCompare
d.Add "Key", 1
ok d.Exists("KEY") And d("key") = 1, "text compare mode"
Dim o
Set o = CreateObject("Scripting.Dictionary")
Set d("obj") = o
ok d("obj") Is o, "objects as items (Set)"
d.Add o, "object key"
ok d(o) = "object key", "objects as keys"

On Error Resume Next
d.Add "key", 2
ok Err.Number = 457 And Err.Description = "This key is already associated with an element of this collection", "duplicate key: " & Err.Number
Err.Clear
d.Remove "nope"
ok Err.Number = 32811, "removing a missing key: " & Err.Number
Err.Clear
d.CompareMode = vbBinaryCompare
ok Err.Number = 5, "CompareMode of a dictionary that holds items"
Err.Clear
Set x = CreateObject("No.Such.Thing")
ok Err.Number = 429 And Err.Description = "ActiveX component can't create object", "unknown ProgID: " & Err.Number
Err.Clear
' A dictionary that holds itself is freed when the engine closes.
d.Add "self", d
