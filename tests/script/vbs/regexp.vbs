' RegExp: Pattern, Global, IgnoreCase, MultiLine, Test, Execute (Matches of
' Match with Value, FirstIndex, Length, SubMatches) and Replace with $n.
Dim re, m, ms, s
Set re = New RegExp
ok TypeName(re) = "IRegExp2" And re.Pattern = "" And Not re.Global And Not re.IgnoreCase, "defaults"
re.Pattern = "(\d+)-(\d+)"
ok re.Test("call 555-1234 now") And Not re.Test("no number"), "Test"
Set ms = re.Execute("555-1234 and 666-9876")
ok ms.Count = 1, "without Global only the first match"
re.Global = True
Set ms = re.Execute("555-1234 and 666-9876")
ok ms.Count = 2, "Global finds every match"
Set m = ms(1)
ok m.Value = "666-9876" And m.FirstIndex = 13 And m.Length = 8 And m = "666-9876", "Match: " & m.FirstIndex
ok m.SubMatches.Count = 2 And m.SubMatches(0) = "666" And m.SubMatches(1) = "9876", "SubMatches"
s = ""
For Each m In ms
    s = s & m.Value & "|"
Next
ok s = "555-1234|666-9876|", "For Each over Matches"
ok re.Replace("555-1234 and 666-9876", "$2-$1") = "1234-555 and 9876-666", "Replace with $1 and $2"
ok re.Replace("1-2", "[$&] $$") = "[1-2] $", "$& and $$"

Set re = CreateObject("VBScript.RegExp")
re.Pattern = "^b.*$"
re.MultiLine = True
re.IgnoreCase = True
re.Global = True
Set ms = re.Execute("apple" & vbCrLf & "Banana" & vbLf & "berry")
ok ms.Count = 2 And ms(0) = "Banana" And ms(1) = "berry", "MultiLine, IgnoreCase: " & ms.Count
re.Pattern = "x*"
ok re.Replace("abc", "-") = "-a-b-c-", "empty matches move on by one: " & re.Replace("abc", "-")
re.Pattern = "(a)|(b)"
Set m = re.Execute("b")(0)
ok IsEmpty(m.SubMatches(0)) And m.SubMatches(1) = "b", "an unmatched group is Empty"
re.Pattern = "\u0041\x42[^]"
ok re.Test("ABC"), "\u and \x escapes, [^]"
re.Pattern = "end$"
re.MultiLine = False
ok Not re.Test("the end" & vbLf), "$ matches only at the very end"

On Error Resume Next
re.Pattern = "(abc"
x = re.Test("abc")
ok Err.Number = 5020, "a missing parenthesis: " & Err.Number
Err.Clear
re.Pattern = "[abc"
x = re.Test("abc")
ok Err.Number = 5019, "a missing bracket: " & Err.Number
Err.Clear
re.Pattern = "*a"
x = re.Test("abc")
ok Err.Number = 5018, "a quantifier without an item: " & Err.Number
Err.Clear
re.Pattern = "(a+)+$"
x = re.Test(String(40, "a") & "b")
ok Err.Number = 17 Or Err.Number = 0, "catastrophic backtracking ends: " & Err.Number
