Attribute VB_Name = "modEarlier"
Option Explicit
Public Enum Color
  Red
End Enum

Public Sub Plain(ByVal a As Long)

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Plain(a)", Array(a), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    a = 1
End Sub

Private Sub Blur(ByRef dst() As Double, _

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Blur(dst()", Array(dst(), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    ByVal n As Long)
    n = 1
End Sub

Function W( _

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "W()", Array(), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
  a As Long, _
  b As String _
  ) As Long
END FUNCTION ' x

Public Property Get Item(ByVal i As Long) As Variant

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Get Item(i)", Array(i), EA_NORERAISE: HandleError: Exit Property 
End If
' *** BEGIN CODE ***
Attribute Item.VB_UserMemId = 0
Attribute Item.VB_Description = "The item"
    Item = i
End Property

Friend Function Count() As Long

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Function Count()", Array(), EA_NORERAISE: HandleError: Exit Friend 
End If
' *** BEGIN CODE ***
    Count = 1
End Function

Friend Property Let Value(ByVal r As RECT)

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Property Let Value(r)", Array(r), EA_NORERAISE: HandleError: Exit Friend 
End If
' *** BEGIN CODE ***
End  Property

Rem this sub (is) slow

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "(is)", Array(is), EA_NORERAISE: HandleError: Exit sub 
End If
' *** BEGIN CODE ***

Sub E(Optional ByVal sep As String = ",", c As Color)

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "E(sep, ", c)", Array(sep, ", c), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
  If a Then
  End If ' done
  Legend = 1 ' note
  ' End Sub _
  End Sub
End Sub

#If Win64 Then
Private Sub Alt(ByVal a As LongPtr)

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Alt(a)", Array(a), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
#Else
Private Sub Alt(ByVal a As Long)

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Alt(a)", Array(a), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
#End If
  y = 2
End Sub
