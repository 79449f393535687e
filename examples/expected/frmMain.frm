VERSION 5.00
Begin VB.Form frmMain 
   Caption         =   "Démo – Kundenübersicht"
   ClientHeight    =   3195
   ClientLeft      =   60
   ClientTop       =   345
   ClientWidth     =   4680
   LinkTopic       =   "Form1"
   ScaleHeight     =   3195
   ScaleWidth      =   4680
   StartUpPosition =   3  'Windows Default
   Begin VB.CommandButton cmdGo 
      Caption         =   "&Go"
      Height          =   375
      Left            =   1800
      TabIndex        =   0
      Top             =   2520
      Width           =   1095
   End
   Begin VB.Label lblInfo 
      Caption         =   "Click to sub total the list"
      Height          =   255
      Left            =   240
      TabIndex        =   1
      Top             =   240
      Width           =   4215
   End
End
Attribute VB_Name = "frmMain"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

' The main window: one button, one label. This sub-heavy form is a demo.
Private mCustomer As clsCustomer

Private Sub Form_Load()

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Form_Load()", Array(), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    Set mCustomer = New clsCustomer
    mCustomer.Name = "Zoë Müller"
    lblInfo.Caption = "Press Go to start the function test"
End Sub

Private Sub cmdGo_Click()

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "cmdGo_Click()", Array(), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    If mCustomer Is Nothing Then Exit Sub
    lblInfo.Caption = Describe(mCustomer.Name, _
                               mCustomer.Age)
End Sub ' the button's only job

Private Function Describe(ByVal strName As String, _
                          Optional ByVal lngAge As Long = 0) As String

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Describe(strName, lngAge)", Array(strName, lngAge), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
    Describe = strName & " (" & CStr(lngAge) & ")"
End Function

Private Sub Form_Unload(Cancel As Integer)

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Form_Unload(Cancel)", Array(Cancel), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    Set mCustomer = Nothing
End Sub

