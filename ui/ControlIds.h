// Control and resource identifiers of the desktop application's windows.
#pragma once

// Resources (Trapwright.rc).
#define IDI_TRAPWRIGHT 1

// frmMain.
#define IDC_TVPROJECT 101
#define IDC_PICBUTTONS 102
#define IDC_CMDEXIT 103
#define IDC_CMDOPEN 104
#define IDC_CMDSETTINGS 105
#define IDC_CMDADDERR 106

// frmSettings.
#define IDC_LBLPROCBEGIN 201
#define IDC_LBLPROCEND 202
#define IDC_TXTPROCBEGIN 203
#define IDC_TXTPROCEND 204
#define IDC_CMDOK 205
