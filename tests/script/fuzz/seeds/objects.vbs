Dim d, re, fso, ts, k, s
Set d = CreateObject("Scripting.Dictionary")
d.Add "a", 1 : d("b") = Array(1, 2) : d.CompareMode = 1
For Each k In d.Keys : s = s & k : Next
Set re = New RegExp
re.Pattern = "(\w+)@(\w+)\.com" : re.Global = True : re.IgnoreCase = True
s = re.Replace("x@y.com z@w.com", "$2:$1")
For Each k In re.Execute("a@b.com") : s = s & k.SubMatches(0) & k.FirstIndex : Next
Set fso = CreateObject("Scripting.FileSystemObject")
Set ts = fso.CreateTextFile("seed.txt", True)
ts.WriteLine s : ts.Close
Set ts = fso.OpenTextFile("seed.txt", 8, True) : ts.Write "x" : ts.Close
s = fso.OpenTextFile("seed.txt").ReadAll & fso.GetFile("seed.txt").Size
fso.DeleteFile "seed.txt"
Execute "Dim q : q = Eval(""1 + 2"")"
ExecuteGlobal "Function G(x) : G = x * 2 : End Function"
Set k = GetRef("G") : s = k(21)
s = FormatDateTime(Now, 1) & DatePart("ww", Date) & WeekdayName(2) & CCur(1.5) * 2 & Escape("a b")
