' Calling a procedure that does not exist names it.
Sub Known()
End Sub
Known
Unknown 1, 2
'! error 35 line 5 Sub or Function not defined: 'Unknown'
