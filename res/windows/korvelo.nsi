; The Korvelo installer for Windows, made by tools/package-windows.sh with makensis.
; Per user, without administrator rights: the program under %LOCALAPPDATA%\Programs\Korvelo,
; Start-menu shortcuts for Korvelo and its manual, .tun files opening in Korvelo, and an
; uninstaller that removes what was installed and keeps the user's data (the alignment record
; and backups under %APPDATA%\Korvelo, the settings in the registry). /S installs and
; uninstalls silently; /D=FOLDER (last) installs elsewhere.
;
; Defined by the caller: VERSION, OUTFILE, ICON, INSTALLED_KB, FILES (the install commands for
; every file) and UNFILES (the matching removals).
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

!define APP "Korvelo"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvelo"
!define PROGID "Korvelo.TuningFile"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Korvelo"
InstallDirRegKey HKCU "Software\Korvelo\Installer" "Folder"
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "FileDescription" "${APP} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${APP}"
VIAddVersionKey "LegalCopyright" "Korvelo maintainers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\korvelo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Korvelo"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Korvelo" SecMain
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "Software\Korvelo\Installer" "Folder" "$INSTDIR"

  ; Start menu: the program and its manual.
  CreateDirectory "$SMPROGRAMS\Korvelo"
  CreateShortcut "$SMPROGRAMS\Korvelo\Korvelo.lnk" "$INSTDIR\korvelo.exe" "" "$INSTDIR\korvelo.exe" 0
  CreateShortcut "$SMPROGRAMS\Korvelo\Korvelo manual.lnk" "$INSTDIR\manual\Korvelo.html"

  ; .tun files open in Korvelo (korvelo.exe FILE.tun).
  WriteRegStr HKCU "Software\Classes\.tun" "" "${PROGID}"
  WriteRegStr HKCU "Software\Classes\${PROGID}" "" "Korvelo tuning file"
  WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\korvelo.exe,0"
  WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\korvelo.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  ; Apps & features.
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\korvelo.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${APP}"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" ${INSTALLED_KB}
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

; Removes what was installed, file by file; the user's data and settings stay, and so does
; anything else the user put into the program's folder.
Section "Uninstall"
  SetShellVarContext current
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Korvelo\Korvelo.lnk"
  Delete "$SMPROGRAMS\Korvelo\Korvelo manual.lnk"
  RMDir "$SMPROGRAMS\Korvelo"

  ; The association only while it is still ours.
  ReadRegStr $0 HKCU "Software\Classes\.tun" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegKey HKCU "Software\Classes\.tun"
  DeleteRegKey HKCU "Software\Classes\${PROGID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  DeleteRegKey HKCU "Software\Korvelo\Installer"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
