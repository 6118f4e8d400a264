' FormatDateTime, DatePart, WeekdayName, Filter, RGB, CCur and Currency,
' FormatCurrency, SetLocale/GetLocale, Escape/Unescape, the engine's
' version, and ChrW/AscW over Windows-1252.
Dim d
d = CDate("2019-05-31 13:45")
ok FormatDateTime(d) = "5/31/2019 1:45:00 PM", "vbGeneralDate: " & FormatDateTime(d)
ok FormatDateTime(d, vbLongDate) = "Friday, May 31, 2019", "vbLongDate: " & FormatDateTime(d, 1)
ok FormatDateTime(d, vbShortDate) = "5/31/2019", "vbShortDate"
ok FormatDateTime(d, vbLongTime) = "1:45:00 PM", "vbLongTime"
ok FormatDateTime(d, vbShortTime) = "13:45", "vbShortTime"
ok FormatDateTime(#8:05:00 AM#, 4) = "08:05", "vbShortTime keeps two digits"

ok DatePart("yyyy", d) = 2019 And DatePart("q", d) = 2 And DatePart("m", d) = 5, "year, quarter, month"
ok DatePart("y", #2/1/2019#) = 32 And DatePart("d", d) = 31, "day of the year, day"
ok DatePart("w", d) = 6 And DatePart("w", d, vbMonday) = 5, "weekday: " & DatePart("w", d)
ok DatePart("ww", #1/1/2019#) = 1 And DatePart("ww", #1/6/2019#) = 2, "week of the year"
ok DatePart("ww", #12/31/2019#) = 53, "the last week: " & DatePart("ww", #12/31/2019#)
ok DatePart("ww", #1/1/2021#, vbMonday, vbFirstFourDays) = 53, "ISO-like week of Jan 1, 2021"
ok DatePart("h", d) = 13 And DatePart("n", d) = 45 And DatePart("s", d) = 0, "time parts"

ok WeekdayName(1) = "Sunday" And WeekdayName(7, True) = "Sat", "WeekdayName"
ok WeekdayName(1, False, vbMonday) = "Monday", "WeekdayName from Monday"

Dim f
f = Filter(Array("Sunday", "Monday", "Tuesday"), "Mon")
ok UBound(f) = 0 And f(0) = "Monday", "Filter includes"
f = Filter(Array("Sunday", "Monday", "Tuesday"), "mon", False, vbTextCompare)
ok Join(f, ",") = "Sunday,Tuesday", "Filter excludes, text compare: " & Join(f, ",")
ok UBound(Filter(Array("a"), "z")) = -1, "Filter without a match is empty"

ok RGB(255, 0, 0) = 255 And RGB(0, 0, 255) = 16711680 And RGB(300, 1, 0) = 511, "RGB"

ok TypeName(CCur(1.5)) = "Currency" And VarType(CCur(1)) = vbCurrency, "CCur gives Currency"
ok CCur(1.23456) = 1.2346 And CStr(CCur(2.5)) = "2.5", "four decimals: " & CCur(1.23456)
ok TypeName(CCur(1) + 1) = "Currency" And CCur(1.5) * CCur(2) = 3, "Currency arithmetic"
ok TypeName(CCur(1) + 1.5) = "Double", "Currency and Double give Double"
ok FormatCurrency(1234.5) = "$1,234.50" And FormatCurrency(-1) = "($1.00)", "FormatCurrency: " & FormatCurrency(1234.5)
ok FormatCurrency(-1, 0, , False) = "-$1", "FormatCurrency without parentheses"

ok GetLocale() = 1033 And SetLocale(1033) = 1033 And SetLocale("en-us") = 1033, "locale"

ok Escape("a b+c/" & ChrW(8364)) = "a%20b+c/%u20AC", "Escape: " & Escape("a b+c/" & ChrW(8364))
ok Unescape("a%20b%u20AC%zz") = "a b" & ChrW(8364) & "%zz", "Unescape"

ok ScriptEngine = "VBScript" And ScriptEngineMajorVersion >= 5 And ScriptEngineBuildVersion > 0, "engine version"

ok AscW(ChrW(8364)) = 8364 And Asc(ChrW(8364)) = 128 And AscW(Chr(233)) = 233, "the euro sign"
Dim i, bad
bad = ""
For i = 0 To 255
    If ChrW(AscW(Chr(i))) <> Chr(i) Then bad = bad & i & " "
Next
ok bad = "", "every Windows-1252 character goes through AscW and ChrW: " & bad
ok ChrW(&H4E00) = "?", "a character outside Windows-1252"

On Error Resume Next
x = RGB(-1, 0, 0)
ok Err.Number = 5, "RGB of a negative component"
Err.Clear
x = SetLocale(1031)
ok Err.Number = 5, "only en-US is available"
Err.Clear
x = CCur(1E+20)
ok Err.Number = 6, "CCur overflow"
