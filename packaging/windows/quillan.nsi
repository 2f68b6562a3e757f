; The Quillan installer for 64-bit Windows, made on Linux with Debian's nsis:
;   makensis -DVERSION=1.0 -DSOURCE=<portable folder> -DFILES=<file lists> -DOUTFILE=<setup.exe> quillan.nsi
; scripts/windows-build runs it on the portable folder and writes the two file lists
; (FILES/install.nsh, FILES/uninstall.nsh) from that folder, so that the uninstaller
; removes exactly what was installed and nothing a user put beside it.
;
; For all users (Program Files, needs an administrator) or for the current user alone
; (%LOCALAPPDATA%\Programs); silently: setup.exe /S [/AllUsers | /CurrentUser].

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define NAME "Quillan"
!define PUBLISHER "Quillan developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillan"
!define PROGID "Quillan.LogFile"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} installer"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${NAME}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "Software\${NAME}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "Software\${NAME}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillan.exe"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; SHCTX below is HKLM for all users and HKCU for the current user, as MultiUser chose.
Section "Quillan"
  SetOutPath "$INSTDIR"
  !include "${FILES}/install.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\quillan.exe" "" "$INSTDIR\quillan.exe" 0 \
    SW_SHOWNORMAL "" "Log analyser for the GetRight download manager"

  ; "Open with" for .log files, leaving whatever opens them by default as it is.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "GetRight log"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\quillan.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\quillan.exe" "%1"'
  WriteRegNone SHCTX "Software\Classes\.log\OpenWithProgids" "${PROGID}"
  WriteRegStr SHCTX "Software\Classes\Applications\quillan.exe" "FriendlyAppName" "${NAME}"
  WriteRegStr SHCTX "Software\Classes\Applications\quillan.exe\SupportedTypes" ".log" ""
  WriteRegStr SHCTX "Software\Classes\Applications\quillan.exe\shell\open\command" "" '"$INSTDIR\quillan.exe" "%1"'

  ; Apps & features.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillan.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr SHCTX "Software\${NAME}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "Software\${NAME}" "InstallMode" "$MultiUser.InstallMode"

  ; Explorer reads the associations again.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  !include "${FILES}/uninstall.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The per-user programs folder, when ours was the only program in it.
  ${If} $MultiUser.InstallMode == "CurrentUser"
    RMDir "$LOCALAPPDATA\Programs"
  ${EndIf}
  Delete "$SMPROGRAMS\${NAME}.lnk"

  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegValue SHCTX "Software\Classes\.log\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.log\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.log"
  DeleteRegKey SHCTX "Software\Classes\Applications\quillan.exe"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegKey SHCTX "Software\${NAME}"
  ; Parents the install made in a fresh user profile (a used one has them already); the
  ; machine's own are the system's and stay, empty or not.
  DeleteRegKey /ifempty SHCTX "Software\Classes\Applications"
  ${If} $MultiUser.InstallMode == "CurrentUser"
    DeleteRegKey /ifempty HKCU "Software\Classes"
    DeleteRegKey /ifempty HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${EndIf}

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
