Attribute VB_Name = "ErrorState"
Sub Reporter(ByVal a As Long)
    If Err.Number <> 0 Then Debug.Print Erl; VBA.Err.Description
End Sub
Property Let V(ByVal v As Long)
    If v < 0 Then Err.Raise 380: On Error GoTo 0
End Property
Sub Guarded()
    On Local Error Resume Next: Error 5
    x = rs!Err + y.Err + MyErr.Number: Err.Clear
End Sub
Sub M(ByVal e As ErrObject, erl%)
    With Err
End Sub
#If A Then
Private Declare Function F Lib "k" () As Long
Sub Alt(a)
#Else
Sub Alt(a)
#End If
    If a Then Error 5 Else s = "Err" ' Err _
    Err.Raise 5
End Sub
