' Inspection functions.
Dim a(1), e
ok IsArray(a) And Not IsArray(1), "IsArray"
ok IsEmpty(e) And Not IsEmpty(Null) And Not IsEmpty(""), "IsEmpty"
ok IsNull(Null) And Not IsNull(Empty), "IsNull"
ok IsNumeric(1) And IsNumeric("1.5") And IsNumeric(" 2 ") And IsNumeric(Empty), "IsNumeric true"
ok Not IsNumeric("abc") And Not IsNumeric(Null) And Not IsNumeric(a), "IsNumeric false"
ok IsObject(Nothing) And IsObject(Err) And Not IsObject(1), "IsObject"
ok IsDate("1/1/2020") And Not IsDate("hello") And IsDate(#1/1/2020#), "IsDate"
ok TypeName(a) = "Variant()" And TypeName(Err) = "ErrObject", "TypeName of arrays and objects"
ok LBound(a) = 0 And UBound(a) = 1, "LBound, UBound"
Dim arr : arr = Array(1, "b", 3.5)
ok UBound(arr) = 2 And arr(1) = "b", "Array"
ok MsgBox("no host dialog") = vbOK, "MsgBox without a handler returns vbOK"
ok InputBox("name?") = "", "InputBox without a handler returns """""
