; Windows installer of the VYRA Control App (NSIS 3), made from a staged tree; see docs/windows.md.
;   cmake --install build --config Release --prefix stage --component app   (and config, doc)
;   windeployqt --release --qmldir VYRA_Control_App\qml stage\bin\VYRA_Control_App.exe
;   makensis /DSTAGE=<full path of stage> /DVERSION=2.1.3.12379 packaging\windows\vyra-control-app.nsi
; Installs for all users under Program Files, with a Start-menu entry and an uninstaller that
; Windows lists under "Apps". The user's data folder (%APPDATA%\Tavik\VYRA_Control_App: logs,
; crash reports) is the user's and is left in place.

Unicode true
!include "MUI2.nsh"

!ifndef STAGE
  !error "Pass /DSTAGE=<folder made by cmake --install and windeployqt>"
!endif
!ifndef VERSION
  !error "Pass /DVERSION=<the project's version, e.g. 2.1.3.12379>"
!endif
!ifndef OUTDIR
  !define OUTDIR "."
!endif

!define PRODUCT "VYRA Control"
!define COMPANY "Tavik"
!define EXE "VYRA_Control_App.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TavikVYRAControl"
!define ICON "${STAGE}\share\vyra-control-app\vyra_ca.ico"

Name "${PRODUCT}"
OutFile "${OUTDIR}\vyra-control-app-${VERSION}-setup.exe"
InstallDir "$PROGRAMFILES\${COMPANY}\${PRODUCT}"
InstallDirRegKey HKLM "Software\${COMPANY}\${PRODUCT}" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) ${COMPANY}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\bin\${EXE}"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\share\doc\vyra-control-app\copyright"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "${PRODUCT}" SectionApp
  SectionIn RO
  ; The same layout as `cmake --install`: the program finds ..\share\vyra-control-app\CAlogger.properties.
  SetOutPath "$INSTDIR\bin"
  File /r "${STAGE}\bin\*.*"
  SetOutPath "$INSTDIR\share"
  File /r "${STAGE}\share\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\bin\${EXE}" "" "$INSTDIR\share\vyra-control-app\vyra_ca.ico"

  WriteRegStr HKLM "Software\${COMPANY}\${PRODUCT}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\share\vyra-control-app\vyra_ca.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; Only what the installer put there: a user's own files in the folder stay.
  RMDir /r "$INSTDIR\bin"
  RMDir /r "$INSTDIR\share"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$PROGRAMFILES\${COMPANY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\${COMPANY}\${PRODUCT}"
  DeleteRegKey /ifempty HKLM "Software\${COMPANY}"
SectionEnd
