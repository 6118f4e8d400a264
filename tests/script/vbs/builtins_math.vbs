' Mathematical functions.
ok Abs(-5) = 5 And Abs(2.5) = 2.5 And TypeName(Abs(-32768)) = "Long" And IsNull(Abs(Null)), "Abs"
ok Abs(Atn(1) * 4 - 3.14159265358979) < 1E-14, "Atn"
ok Cos(0) = 1 And Sin(0) = 0 And Abs(Tan(Atn(1)) - 1) < 1E-15, "Cos, Sin, Tan"
ok Exp(0) = 1 And Abs(Log(Exp(2)) - 2) < 1E-15, "Exp, Log"
ok Sqr(16) = 4 And TypeName(Sqr(4)) = "Double", "Sqr"
ok Fix(2.7) = 2 And Fix(-2.7) = -2 And Int(2.7) = 2 And Int(-2.7) = -3, "Fix, Int"
ok Sgn(-3) = -1 And Sgn(0) = 0 And Sgn(7.5) = 1, "Sgn"
ok Round(3.14159, 2) = 3.14 And Round(-1.5) = -2, "Round"
Randomize 5
Dim r, i, inRange : inRange = True
For i = 1 To 100
    r = Rnd
    If r < 0 Or r >= 1 Then inRange = False
Next
ok inRange And TypeName(Rnd) = "Single", "Rnd is in [0, 1)"
Dim a1, a2
a1 = Rnd(-3) : a2 = Rnd(-3)
ok a1 = a2, "Rnd with a negative argument repeats"
ok Rnd(0) = a2, "Rnd(0) repeats the last number"
On Error Resume Next
r = Log(0)
ok Err.Number = 5, "Log(0) is an invalid argument"
Err.Clear
r = Sqr(-1)
ok Err.Number = 5, "Sqr(-1) is an invalid argument"
