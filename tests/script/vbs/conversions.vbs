' Variant subtypes and conversions.
ok VarType(Empty) = 0 And VarType(Null) = 1 And VarType(1) = 2, "VarType of Empty, Null, Integer"
ok VarType(40000) = 3 And VarType(1.5) = 5 And VarType("s") = 8, "Long, Double, String"
ok VarType(True) = 11 And VarType(CByte(1)) = 17 And VarType(CSng(1)) = 4, "Boolean, Byte, Single"
ok VarType(Nothing) = 9 And VarType(#1/1/2000#) = 7, "Object and Date"
ok VarType(Array(1)) = 8204, "array of Variants"
ok TypeName(Empty) = "Empty" And TypeName(Null) = "Null" And TypeName(Nothing) = "Nothing", "TypeName"
ok TypeName(CLng(1)) = "Long" And TypeName(CDbl(1)) = "Double" And TypeName(CStr(1)) = "String", "TypeName of conversions"
ok TypeName(&H7FFF) = "Integer" And &HFFFF = -1 And TypeName(&H10000) = "Long", "hex literal sizes"
ok &O17 = 15 And &10 = 8, "octal literals"
ok 010 = 10, "leading zeros are decimal"
ok TypeName(2147483648) = "Double", "large literals are Double"

' CBool
ok CBool(1) And Not CBool(0) And CBool("true") And CBool("TRUE") And Not CBool("False"), "CBool"
ok CBool("-1") And Not CBool("0") And CBool(0.1), "CBool of numeric strings"
ok Not CBool(Empty), "CBool(Empty)"

' CInt, CLng, CByte: halves to even, ranges
ok CInt(2.5) = 2 And CInt(3.5) = 4 And CInt(-2.5) = -2 And CInt(2.51) = 3, "CInt rounds halves to even"
ok CLng(0.5) = 0 And CLng(1.5) = 2 And CLng(-36.5) = -36, "CLng rounds halves to even"
ok CInt(True) = -1 And CInt(Empty) = 0 And CInt(" 12 ") = 12, "CInt of Boolean, Empty, blanks"
ok CByte(255) = 255 And CByte("-0.5") = 0, "CByte"
ok CDbl("1.5e3") = 1500 And CDbl("&HFF") = 255 And CDbl("1,000") = 1000, "CDbl of number texts"

' CStr
ok CStr(1.5) = "1.5" And CStr(-0.25) = "-0.25" And CStr(100) = "100", "CStr of numbers"
ok CStr(True) = "True" And CStr(False) = "False", "CStr of Booleans"
ok CStr(1 / 3) = "0.333333333333333", "15 significant digits"
ok CStr(1E+20) = "1E+20" And CStr(0.00001) = "1E-05", "exponent form"
ok CStr(0.1 + 0.2) = "0.3", "CStr rounds to 15 digits"
ok CStr(CSng(1.1)) = "1.1", "Single prints with 7 digits"
ok CStr(#2003-01-02 04:05:06#) = "1/2/2003 4:05:06 AM", "CStr of a date"
ok CStr(#1/2/2003#) = "1/2/2003" And CStr(CDate(0.5)) = "12:00:00 PM", "date only, time only"

' CDate and dates as numbers
ok CDate(1) = #12/31/1899#, "CDate of a number"
ok CDbl(#1/1/2000#) = 36526, "dates are day serials"
ok CDate("March 5, 2021") = #3/5/2021#, "CDate of text with a month name"
ok Year(CDate("2021-03-05 13:14:15")) = 2021 And Hour(CDate("2021-03-05 13:14:15")) = 13, "CDate ISO form"

' Hex and Oct
ok Hex(255) = "FF" And Hex(-1) = "FFFF" And Hex(CLng(-1)) = "FFFFFFFF", "Hex"
ok Oct(8) = "10" And Hex(Empty) = "0" And IsNull(Hex(Null)), "Oct, Hex(Empty), Hex(Null)"
ok Hex(2.5) = "2" And Hex(3.5) = "4", "Hex rounds halves to even"

' Conditions convert like CBool
Dim r
If "1" Then r = 1 Else r = 0
ok r = 1, "If with a numeric string"
If 0.1 Then r = 2
ok r = 2, "If with a fraction"
If Empty Then r = 3
ok r = 2, "If Empty is False"
