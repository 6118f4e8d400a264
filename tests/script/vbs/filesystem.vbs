' Scripting.FileSystemObject with TextStream, File and Folder. The files go
' into a folder of the test's working directory, removed at the end.
Const ForReading = 1, ForWriting = 2, ForAppending = 8
Dim fso, dir, ts, f, folder, item, s
Set fso = CreateObject("Scripting.FileSystemObject")
dir = "fso_conformance_tmp"
If fso.FolderExists(dir) Then fso.DeleteFolder dir
fso.CreateFolder dir
ok fso.FolderExists(dir) And Not fso.FileExists(dir), "CreateFolder"

' The path functions.
ok fso.BuildPath("c:\data", "x.csv") = "c:\data\x.csv" And fso.BuildPath("c:\data\", "x.csv") = "c:\data\x.csv", "BuildPath"
ok fso.GetFileName("c:\data\sweep.csv") = "sweep.csv" And fso.GetBaseName("c:\data\sweep.csv") = "sweep", "GetFileName, GetBaseName"
ok fso.GetExtensionName("a/b/sweep.tar.gz") = "gz" And fso.GetParentFolderName("c:\data\sweep.csv") = "c:\data", "GetExtensionName, GetParentFolderName"
ok fso.GetParentFolderName("sweep.csv") = "", "no parent folder"

' Writing, appending and reading text.
Dim path
path = fso.BuildPath(dir, "log.txt")
Set ts = fso.CreateTextFile(path)
ts.WriteLine "first"
ts.Write "sec"
ts.Write "ond" & vbCrLf
ts.WriteBlankLines 1
ts.Close
Set ts = fso.OpenTextFile(path, ForAppending)
ts.WriteLine "caf" & Chr(233)
ts.Close
Set ts = fso.OpenTextFile(path, ForReading)
ok ts.ReadLine = "first" And ts.ReadLine = "second" And ts.ReadLine = "", "ReadLine"
ok ts.Line = 4 And Not ts.AtEndOfStream, "Line and AtEndOfStream"
ok ts.ReadLine = "caf" & Chr(233) And ts.AtEndOfStream, "Windows-1252 text comes back byte for byte"
ts.Close
Set ts = fso.OpenTextFile(path)
s = ts.ReadAll
ts.Close
ok s = "first" & vbCrLf & "second" & vbCrLf & vbCrLf & "caf" & Chr(233) & vbCrLf, "ReadAll"
Set ts = fso.OpenTextFile(fso.BuildPath(dir, "new.txt"), ForWriting, True)
ts.Write "x"
ts.Close
ok fso.FileExists(fso.BuildPath(dir, "new.txt")), "OpenTextFile with the create flag"

' File and Folder objects.
Set f = fso.GetFile(path)
ok f.Name = "log.txt" And f.Size = Len(s) And TypeName(f) = "File", "GetFile, Name, Size: " & f.Size
ok IsDate(f.DateLastModified) And Abs(DateDiff("n", f.DateLastModified, Now)) < 5, "DateLastModified"
fso.CopyFile path, fso.BuildPath(dir, "copy.txt")
f.Copy fso.BuildPath(dir, "copy2.txt")
fso.MoveFile fso.BuildPath(dir, "copy2.txt"), fso.BuildPath(dir, "moved.txt")
fso.CreateFolder fso.BuildPath(dir, "sub")
Set folder = fso.GetFolder(dir)
ok folder.Files.Count = 4 And folder.SubFolders.Count = 1, "Files and SubFolders: " & folder.Files.Count
s = ""
For Each item In folder.Files
    s = s & item.Name & ","
Next
ok s = "copy.txt,log.txt,moved.txt,new.txt,", "For Each over Files: " & s
ok folder.Files("log.txt").Size = f.Size And f.ParentFolder.Name = dir, "Files(name), ParentFolder"
fso.DeleteFile fso.BuildPath(dir, "*.txt")
ok fso.GetFolder(dir).Files.Count = 0, "DeleteFile with a wildcard"

On Error Resume Next
Set ts = fso.OpenTextFile(fso.BuildPath(dir, "missing.txt"))
ok Err.Number = 53 And Err.Description = "File not found", "reading a missing file: " & Err.Number
Err.Clear
Set ts = fso.OpenTextFile(fso.BuildPath(dir, "missing.txt"), ForAppending)
ok Err.Number = 53, "appending without the create flag"
Err.Clear
Set ts = fso.CreateTextFile(fso.BuildPath(dir, "nodir\x.txt"))
ok Err.Number = 76, "a missing folder: " & Err.Number
Err.Clear
fso.CreateFolder dir
ok Err.Number = 58, "CreateFolder of an existing folder: " & Err.Number
Err.Clear
Set ts = fso.CreateTextFile(fso.BuildPath(dir, "once.txt"))
ts.Close
Set ts = fso.CreateTextFile(fso.BuildPath(dir, "once.txt"), False)
ok Err.Number = 58, "CreateTextFile without overwrite: " & Err.Number
Err.Clear
Set ts = fso.OpenTextFile(fso.BuildPath(dir, "once.txt"))
x = ts.ReadLine
ok Err.Number = 62, "reading past the end: " & Err.Number
Err.Clear
ts.Write "x"
ok Err.Number = 54, "writing to a stream open for reading: " & Err.Number
Err.Clear
Set f = fso.GetFile("no-such-file")
ok Err.Number = 53, "GetFile of a missing file"
Err.Clear
On Error GoTo 0
fso.DeleteFolder dir
ok Not fso.FolderExists(dir), "DeleteFolder"
