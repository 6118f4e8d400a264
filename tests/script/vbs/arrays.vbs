' Arrays with several dimensions, bounds, Erase, Array().
Dim grid(2, 3, 1)
grid(2, 3, 1) = "corner"
ok grid(2, 3, 1) = "corner" And UBound(grid, 3) = 1 And LBound(grid, 2) = 0, "three dimensions"
Dim empty0 : empty0 = Array()
ok UBound(empty0) = -1, "Array() is empty"
Dim nested : nested = Array(Array(1, 2), Array(3, 4))
ok nested(1)(0) = 3, "arrays of arrays"
nested(1)(0) = 30
ok nested(1)(0) = 30, "assignment through chained indices"
ok Split("a;b;c", ";")(2) = "c", "index a function result"
ReDim dynamic(2)
dynamic(1) = "v"
Erase dynamic
On Error Resume Next
Dim probe : probe = UBound(dynamic)
ok Err.Number = 9, "Erase deallocates a dynamic array"
Err.Clear
On Error GoTo 0
Dim fixedOnes(1)
fixedOnes(0) = 5
Erase fixedOnes
ok UBound(fixedOnes) = 1 And IsEmpty(fixedOnes(0)), "Erase clears a fixed array"
ReDim shrink(-1)
ok UBound(shrink) = -1, "ReDim to -1 gives an empty array"
Dim matrix()
ReDim matrix(1, 1)
matrix(0, 1) = "x"
ReDim Preserve matrix(1, 2)
ok matrix(0, 1) = "x", "Preserve keeps multi-dimensional elements"
On Error Resume Next
ReDim Preserve matrix(2, 2)
ok Err.Number = 9, "Preserve cannot change an inner dimension"
Err.Clear
Dim scalar : scalar = 5
probe = scalar(0)
ok Err.Number = 13, "indexing a scalar is a type mismatch"
Err.Clear
probe = grid(1, 1)
ok Err.Number = 9, "wrong number of indices"
