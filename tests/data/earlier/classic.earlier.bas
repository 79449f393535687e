Attribute VB_Name = "modEarlier"
Option Explicit
Public Enum Color
  Red
End Enum

Public Sub Plain(ByVal a As Long)

On Error GoTo ErrorHandler
    a = 1
End Sub

Private Sub Blur(ByRef dst() As Double, _

On Error GoTo ErrorHandler
    ByVal n As Long)
    n = 1
End Sub

Function W( _

On Error GoTo ErrorHandler
  a As Long, _
  b As String _
  ) As Long
Exit Function 
ErrorHandler:
LogError "modEarlier.W", Err.Number, Err.Description

END FUNCTION ' x

Public Property Get Item(ByVal i As Long) As Variant

On Error GoTo ErrorHandler
Attribute Item.VB_UserMemId = 0
Attribute Item.VB_Description = "The item"
    Item = i
End Property

Friend Function Count() As Long

On Error GoTo ErrorHandler
    Count = 1
End Function

Friend Property Let Value(ByVal r As RECT)

On Error GoTo ErrorHandler
End  Property

Rem this sub (is) slow

On Error GoTo ErrorHandler

Sub E(Optional ByVal sep As String = ",", c As Color)

On Error GoTo ErrorHandler
  If a Then
Exit Sub 
ErrorHandler:
LogError "modEarlier.E", Err.Number, Err.Description

  End If ' done
Exit Sub 
ErrorHandler:
LogError "modEarlier.E", Err.Number, Err.Description

  Legend = 1 ' note
  ' End Sub _
  End Sub
End Sub

#If Win64 Then
Private Sub Alt(ByVal a As LongPtr)

On Error GoTo ErrorHandler
#Else
Private Sub Alt(ByVal a As Long)

On Error GoTo ErrorHandler
#End If
  y = 2
End Sub
