' Comparison rules: literal and computed strings against numbers, Empty, Null.
Dim n10, n5, s5, s0, e
n10 = 10 : n5 = CInt(5) : s5 = "5" : s0 = "0"

' Literal string against literal number: numeric comparison
ok "1" = 1, """1"" = 1 with both literal"
ok "10" > 9, "literal ""10"" > 9"
ok " 5" = 5 And "5e0" = 5 And "&hff" = 255, "number texts"

' Literal string against computed number: text comparison
ok Not ("010" = n10), """010"" = n10 compares text"
ok "10" = n10, """10"" = n10 as text"
ok Not ("10" > CDbl(5)), """10"" > CDbl(5) compares text"
ok Not ("abc" = n5), "no error when text is compared"

' Computed string against literal number: numeric comparison
ok Not (s0 > 30) And s0 < 30, "computed ""0"" against 30"
ok s5 = 5, "computed ""5"" = 5"

' Computed string against computed number: the string is greater
ok Not (s5 = n5) And s5 > n5, "computed string > computed number"
ok "" & "" > n5, "an empty computed string is still greater"

' Strings against Booleans compare with the text True/False
ok "True" = True And Not ("true" = True), "string against Boolean"

' Strings compare binary, case-sensitive
ok "a" > "B" And "abc" < "abd" And "ab" < "abc", "binary string order"
ok StrComp("a", "A", vbTextCompare) = 0 And StrComp("a", "A") = 1, "StrComp modes"

' Empty
Dim emptyVar
ok emptyVar = 0 And emptyVar = "" And emptyVar = Empty, "Empty equals 0 and """""
ok Not (emptyVar < 0) And emptyVar < 1, "Empty is 0 in comparisons"
ok IsEmpty(emptyVar) And Not IsEmpty(0), "IsEmpty"

' Null
ok IsNull(Null = 1) And IsNull(Null <> Null) And IsNull(1 < Null), "comparisons with Null are Null"
ok IsNull(Null = Null), "Null = Null is Null"
Dim r
If Null = Null Then r = "yes" Else r = "no"
ok r = "no", "a Null condition is False"

' Numbers of different subtypes
ok 1 = 1.0 And CLng(3) = CByte(3) And True = -1 And False = 0, "numeric subtypes compare by value"
ok #1/1/2000# = 36526, "dates compare as numbers"
ok #1/1/2000# < #1/2/2000#, "date order"
