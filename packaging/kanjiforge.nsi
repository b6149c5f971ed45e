; The Windows installer of Kanjiforge, built by scripts/package with Debian's makensis:
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DFILES=<folder with the files> -DOUTFILE=<setup.exe> kanjiforge.nsi
; Installs for the current user (default) or for all users (/AllUsers, or the page that asks),
; adds Start-menu shortcuts to the program and to its manual and an entry in the list of installed
; programs. The uninstaller removes exactly what was installed: the settings file "Kanjiforge.ini"
; and the history folder "TEMP", which the program keeps beside itself, stay.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | FILES | OUTFILE
  !error "VERSION, FILES and OUTFILE must be defined (see scripts/package)"
!endif

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kanjiforge"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Kanjiforge"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh

Name "Kanjiforge ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "Kanjiforge ${VERSION}"
ShowInstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Kanjiforge"
VIAddVersionKey /LANG=0 "FileDescription" "Kanjiforge ${VERSION} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 Kanjiforge"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the default; the language dialog offers both.
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_RESERVEFILE_LANGDLL

Var CommandLineDir

Function .onInit
  ; MultiUser sets the default folder of the chosen mode; a folder given with /D= wins over it.
  StrCpy $CommandLineDir $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $CommandLineDir != ""
    StrCpy $INSTDIR $CommandLineDir
  ${EndIf}
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ; The uninstaller serves the installation it sits in: an all-users one is the one that the
  ; machine-wide entry points to, whatever the default mode says.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.AllUsers
  ${Else}
    Call un.MultiUser.InstallMode.CurrentUser
  ${EndIf}
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Kanjiforge" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${FILES}/Kanjiforge.exe"
  File "${FILES}/Kanjiviewer.exe"
  File "${FILES}/euftool.exe"
  File "${FILES}/README.txt"
  File "${FILES}/はじめにお読みください.txt"
  ; The user's manual, which help (F1) opens.
  SetOutPath "$INSTDIR\manual"
  File /r "${FILES}/manual/*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ${If} $MultiUser.InstallMode == "AllUsers"
    ; The program keeps its settings and its history beside itself. Under Program Files only
    ; administrators may write there, so the two are made writable for users (S-1-5-32-545);
    ; the program files themselves stay protected.
    CreateDirectory "$INSTDIR\TEMP"
    ${IfNot} ${FileExists} "$INSTDIR\Kanjiforge.ini"
      FileOpen $0 "$INSTDIR\Kanjiforge.ini" w
      FileClose $0
    ${EndIf}
    nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\Kanjiforge.ini" /grant *S-1-5-32-545:M'
    Pop $0
    nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\TEMP" /grant *S-1-5-32-545:(OI)(CI)M'
    Pop $0
  ${EndIf}

  CreateDirectory "$SMPROGRAMS\Kanjiforge"
  CreateShortcut "$SMPROGRAMS\Kanjiforge\Kanjiforge.lnk" "$INSTDIR\Kanjiforge.exe"
  CreateShortcut "$SMPROGRAMS\Kanjiforge\Kanjiforge 使い方の説明.lnk" "$INSTDIR\manual\index.html"

  ; SHCTX is HKLM for all users and HKCU for the current user (MultiUser sets the context).
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "Kanjiforge"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "Kanjiforge"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Kanjiforge.exe"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Kanjiforge.exe"
  Delete "$INSTDIR\Kanjiviewer.exe"
  Delete "$INSTDIR\euftool.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\はじめにお読みください.txt"
  ; The manual's folder is the installer's own: it goes whole.
  RMDir /r "$INSTDIR\manual"
  Delete "$SMPROGRAMS\Kanjiforge\Kanjiforge.lnk"
  Delete "$SMPROGRAMS\Kanjiforge\Kanjiforge 使い方の説明.lnk"
  RMDir "$SMPROGRAMS\Kanjiforge"
  DeleteRegKey SHCTX "${UNINST_KEY}"
  Delete "$INSTDIR\Uninstall.exe"
  ; Removed only when empty: "Kanjiforge.ini", the "TEMP" history folder and anything else the
  ; user keeps here stay.
  RMDir "$INSTDIR"
SectionEnd
