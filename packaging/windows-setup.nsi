; The Windows setup program: installs the zip's folder for the current user
; alone, with no administrator prompt, into their own programs folder, with a
; Start-menu shortcut and an entry in Settings, Apps that uninstalls it.
; packaging/pack-setup.sh writes the file lists and runs makensis on this.
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.1 -DICON=zorbuny.ico -DOUT=setup.exe
;            -DFILES=files.nsh -DUNFILES=unfiles.nsh -DSIZE_KB=12345 windows-setup.nsi
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
; No build machine's file times in the setup program: it installs the same
; bytes whenever it is built.
SetDateSave off

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorbuny"
!define SHORTCUT "$SMPROGRAMS\Зорбуны.lnk"
!define PUBLISHER "Zorbuny developers"

Name "Зорбуны"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\Zorbuny"
Icon "${ICON}"
UninstallIcon "${ICON}"
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "Зорбуны ${VERSION}"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Russian.nlf"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} ProductName "Зорбуны"
VIAddVersionKey /LANG=${LANG_RUSSIAN} CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} FileDescription "Установка игры Зорбуны"
VIAddVersionKey /LANG=${LANG_RUSSIAN} FileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} ProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} LegalCopyright "© 2026 ${PUBLISHER}"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  SetShellVarContext current
  ; What is installed already, of this version or another, leaves first through
  ; its own uninstaller, run in place and waited for: a file the earlier
  ; version had and this one has not would otherwise stay behind.
  ReadRegStr $0 HKCU "${KEY}" "InstallLocation"
  StrCmp $0 "" fresh
  IfFileExists "$0\uninstall.exe" 0 fresh
  ExecWait '"$0\uninstall.exe" /S _?=$0'
  Delete "$0\uninstall.exe"
  RMDir "$0"
fresh:
  !include "${FILES}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\zorbuny.exe" "" "$INSTDIR\zorbuny.exe" 0

  WriteRegStr HKCU "${KEY}" "DisplayName" "Зорбуны"
  WriteRegStr HKCU "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\zorbuny.exe,0"
  WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKCU "${KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${KEY}" "NoRepair" 1
SectionEnd

Section Uninstall
  SetShellVarContext current
  Delete "${SHORTCUT}"
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${KEY}"
SectionEnd
