Attribute VB_Name = "Mixed"
Option Explicit
Private Declare Function GetTickCount Lib "kernel32" () As Long
' Sub in a comment — café
Public Sub Go(Optional ByVal n As Long = 5, ParamArray rest() As Variant)

On Error GoTo Err_Go ' Sub (n)
    If n = 0 Then Exit Sub ' nothing to do
    MsgBox "Function call"
Err_Go:

End Sub ' Go
Friend Property Get Value() As Long

On Error GoTo Err_Get Value ' Property ()
    Value = 1
Err_Get Value:

End Property
	Sub Tabbed()
Rem this sub is slow
Private Function Sum(a As Long, _
    b As Long) As Long

On Error GoTo Err_Sum ' Function (a, b)
Err_Sum:

End Function

