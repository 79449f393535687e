VERSION 5.00
Begin VB.UserControl ctlGauge 
   ClientHeight    =   480
   ClientLeft      =   0
   ClientTop       =   0
   ClientWidth     =   2400
   ScaleHeight     =   480
   ScaleWidth      =   2400
   Begin VB.Shape shpBar 
      BackColor       =   &H0000C000&
      BackStyle       =   1  'Opaque
      Height          =   480
      Left            =   0
      Top             =   0
      Width           =   1200
   End
End
Attribute VB_Name = "ctlGauge"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = True
Attribute VB_PredeclaredId = False
Attribute VB_Exposed = False
Option Explicit

' A bar that shows a value from 0 to 100 (Maßstab: Prozent).
Private mValue As Integer

Public Event Changed(ByVal NewValue As Integer)

Public Property Get Value() As Integer

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Get Value()", Array(), EA_NORERAISE: HandleError: Exit Property 
End If
' *** BEGIN CODE ***
    Value = mValue
End Property

Public Property Let Value(ByVal NewValue As Integer)
    If NewValue < 0 Or NewValue > 100 Then Err.Raise 380, , "Ungültiger Wert"
    mValue = NewValue
    Redraw
    RaiseEvent Changed(mValue)
End Property

Private Sub Redraw()

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Redraw()", Array(), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    shpBar.Width = ScaleWidth * mValue \ 100
End Sub

Private Sub UserControl_Resize()

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "UserControl_Resize()", Array(), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    Redraw
End Sub

